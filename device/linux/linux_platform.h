#pragma once

// The real cameras on Linux: the video-capture nodes of USB video functions (uvcvideo), their
// extension units through UVCIOC_CTRL_QUERY, and arrivals and removals from udev or, without
// a udev daemon, from the kernel's uevents.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/linux/hotplug_translator.h"
#include "device/linux/linux_io.h"
#include "device/linux/uevent.h"
#include "device/linux/video_nodes.h"
#include "device/platform.h"

struct LinuxPlatformConfig {
    SysfsLayout layout;
    LinuxDeviceIo io = SystemDeviceIo();
    std::function<std::unique_ptr<DeviceEventSource>()> makeEventSource = CreateSystemEventSource;
};

class LinuxPlatform final : public DevicePlatform {
  public:
    explicit LinuxPlatform(LinuxPlatformConfig config = {});
    // The event source calls back into this object.
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    // The capture nodes by videoN number; kSFalse when there is none, kEFail when the
    // video4linux class cannot be read.
    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override;
    // Starts the event source on the first call; later calls only replace the handler.
    void WatchDeviceChanges(ChangeHandler onChange) override;
    // The nodes passed over by the latest enumeration, and the devices of it that could not be
    // opened; also a listed device that lacks the vendor extension unit, which the handshake
    // will refuse.
    std::vector<std::string> SkippedDevices() const override;

  private:
    using SkipLog = std::vector<std::string>;

    LinuxDeviceIo io_;
    VideoNodeInspector inspector_;
    std::function<std::unique_ptr<DeviceEventSource>()> makeEventSource_;
    std::shared_ptr<SkipLog> skipped_;
    HotplugTranslator translator_;
    ChangeHandler onChange_;
    std::unique_ptr<DeviceEventSource> source_;  // last: it stops before the rest goes
};

// The real cameras on Linux.
std::unique_ptr<DevicePlatform> CreateLinuxPlatform();
