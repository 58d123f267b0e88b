#pragma once

// Device events as udev and the kernel report them, and the parser for the kernel's own
// uevent messages (NETLINK_KOBJECT_UEVENT, group 1), used when no udev daemon runs.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct UEvent {
    std::string action;     // "add", "remove", "change", ...
    std::string devPath;    // below the sysfs root: /devices/.../video4linux/video0
    std::string subsystem;  // "video4linux"
    std::map<std::string, std::string> properties;  // every KEY=value, the above included

    std::string Property(const std::string& key) const;
};

// "add@/devices/...\0ACTION=add\0DEVPATH=/devices/...\0SUBSYSTEM=...\0...". Nothing for a
// message that is not the kernel's (udev's carry a "libudev" header), lacks ACTION, DEVPATH or
// SUBSYSTEM, or whose header disagrees with them. Never reads past `size`.
std::optional<UEvent> ParseKernelUevent(const char* data, size_t size);

// Where device events come from; tests feed their own.
class DeviceEventSource {
  public:
    using Sink = std::function<void(const UEvent& event)>;

    virtual ~DeviceEventSource() = default;
    // Delivers events to `sink` from the calling thread's event loop while the source lives;
    // false when it cannot listen.
    virtual bool Start(Sink sink) = 0;
};

// udev's monitor (events after udev has handled them: permissions set, properties known).
std::unique_ptr<DeviceEventSource> CreateUdevEventSource();
// The kernel's uevents, for systems without a udev daemon (containers, bare devtmpfs).
std::unique_ptr<DeviceEventSource> CreateKernelEventSource();
// udev's monitor when its daemon runs (/run/udev/control exists), else the kernel's uevents:
// without the daemon, udev's monitor would never hear anything.
std::unique_ptr<DeviceEventSource> CreateSystemEventSource();
