#pragma once

// A camera's video node as the device handle: kernel-streaming property requests become
// uvcvideo extension-unit queries (UVCIOC_CTRL_QUERY) on the node, which stays open for the
// handle's lifetime; the controls it hands out share that descriptor.

#include <memory>
#include <string>

#include "device/linux/linux_io.h"
#include "device/linux/uvc_descriptors.h"
#include "device/platform.h"

class UvcXuDevice final : public XuDevice {
  public:
    // Adopts the open descriptor `fd`; it is closed when the last control and the device
    // are gone.
    UvcXuDevice(int fd, VideoFunction function, LinuxDeviceIo io);

    // Opens `devNode`. On failure *openErrno holds the errno and the status says the same.
    static Status Open(const std::string& devNode, VideoFunction function, const LinuxDeviceIo& io,
                       std::shared_ptr<UvcXuDevice>* device, int* openErrno);

    // Requests map as the kernel-streaming proxy answers them: a get of length 0 asks for the
    // control's size (UVC_GET_LEN) and answers kMoreData with the size in *returned; other gets
    // are UVC_GET_CUR, sets UVC_SET_CUR. A node that is not an extension unit, or one whose
    // guidExtensionCode differs from the request's set, fails without reaching the driver.
    Status OpenControl(std::unique_ptr<XuControl>* control) override;
    Status OpenTopology(std::unique_ptr<Topology>* topology) override;

    // An exclusive flock on the node; HeldElsewhere tries a shared one and lets it go.
    bool ClaimForJob(std::string* holder) override;
    void ReleaseJob() override;
    bool HeldElsewhere(std::string* holder) override;

    // The errno of the latest extension-unit request that reached the driver on this node; 0
    // when it succeeded.
    int LastErrno() const;

  private:
    struct Node;
    class Control;
    bool Busy(int operation, std::string* holder);

    std::shared_ptr<Node> node_;
    bool claimed_ = false;  // the exclusive lock is this handle's: it is not held elsewhere
};
