#include "device/hotplug.h"

#include "device/ascii.h"

bool MatchInterfaceClass(const Guid& guid, const std::string& name, const DebugLine& debug) {
    const std::string upper = AsciiUpper(name);
    const std::string classText = GuidText(guid);
    debug(classText);
    return upper.find(classText) != std::string::npos;
}

bool IsCaptureDeviceChange(const DeviceChange& change, const DebugLine& debug) {
    const bool arrival = change.eventCode == kDbtDeviceArrival;
    const bool removal = change.eventCode == kDbtDeviceRemoveComplete;
    if (!arrival && !removal) {
        return false;
    }
    if (removal) {
        debug("设备移除");
    }
    if (change.deviceType != kDbtDevtypDeviceInterface) {
        return false;
    }
    debug(change.name);
    if (!MatchInterfaceClass(kCaptureCategory, change.name, debug)) {
        return false;
    }
    if (removal) {
        debug("USB视频设备移除！");
    }
    return true;
}
