#pragma once

// The video4linux nodes in sysfs and what each is: only the video-capture node of a USB video
// function becomes a device. The layout is the kernel's: /sys/class/video4linux/videoN links
// to the node's directory, whose `device` is the USB interface that owns it (for uvcvideo the
// VideoControl interface); that interface's parent is the USB device with `descriptors`,
// `idVendor`, `idProduct` and `product`.

#include <optional>
#include <string>
#include <vector>

#include "device/linux/linux_io.h"
#include "device/linux/uvc_descriptors.h"

struct SysfsLayout {
    std::string sysfsRoot = "/sys";
    // udev's database, which keeps ID_V4L_CAPABILITIES for nodes this user cannot open.
    std::string udevDataRoot = "/run/udev/data";
};

// A video-capture node of a USB video function, ready to become a device moniker.
struct VideoCaptureNode {
    std::string devNode;       // /dev/video0
    std::string friendlyName;  // the V4L2 name (the card), else the USB product; may be empty
    // usb#vid_1d6b&pid_0102&mi_00#/dev/video0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}: the
    // "vid_" text comes before the /dev node, which itself contains "VID".
    std::string devicePath;
    std::string usbPortPath;   // the USB device's sysfs name, its port chain: 1-1.3
    std::string serialNumber;  // the USB serial, empty when the device has none
    VideoFunction function;
};

struct NodeInspection {
    std::optional<VideoCaptureNode> node;
    std::string skipReason;  // "<device>: <reason>" when there is no node
};

class VideoNodeInspector {
  public:
    VideoNodeInspector(SysfsLayout layout, LinuxDeviceIo io);

    // The videoN directories of the video4linux class, by N; empty when the class does not
    // exist (no driver loaded), nothing when it cannot be read.
    std::optional<std::vector<std::string>> ListVideoNodes() const;

    // The sysfs directory of a uevent's DEVPATH.
    std::string DirectoryOf(const std::string& devPath) const;

    // Capture or not: udev's ID_V4L_CAPABILITIES when an event brings it, else VIDIOC_QUERYCAP
    // (device_caps) on the node, else, when the node cannot be opened, udev's database; when
    // none can tell, the node is kept, so that opening it later says why it failed.
    NodeInspection Inspect(const std::string& nodeDirectory,
                           const std::string& knownCapabilities = {}) const;

  private:
    enum class Capture { kYes, kNo, kUnknown };
    Capture Classify(const std::string& nodeDirectory, const std::string& devNode,
                     const std::string& knownCapabilities, std::string* failure) const;
    std::optional<std::string> UdevCapabilities(const std::string& nodeDirectory) const;

    SysfsLayout layout_;
    LinuxDeviceIo io_;
};
