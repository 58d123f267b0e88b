#include "device/linux/hotplug_translator.h"

#include <utility>

namespace {

constexpr char kVideoSubsystem[] = "video4linux";

// /dev/videoN, named after the sysfs directory as enumeration names it (a video4linux
// node's DEVNAME is that name too).
std::string DevNodeOf(const std::string& devPath) {
    const size_t slash = devPath.rfind('/');
    const std::string name = slash == std::string::npos ? devPath : devPath.substr(slash + 1);
    return name.empty() ? std::string() : "/dev/" + name;
}

}  // namespace

HotplugTranslator::HotplugTranslator(VideoNodeInspector inspector)
    : inspector_(std::move(inspector)) {}

void HotplugTranslator::Remember(std::map<std::string, std::string> pathsByNode) {
    known_ = std::move(pathsByNode);
}

std::optional<DeviceChange> HotplugTranslator::Translate(const UEvent& event) {
    if (event.subsystem != kVideoSubsystem || event.devPath.find("..") != std::string::npos) {
        return std::nullopt;
    }
    const std::string devNode = DevNodeOf(event.devPath);
    if (devNode.empty()) {
        return std::nullopt;
    }
    if (event.action == "add") {
        const NodeInspection inspection = inspector_.Inspect(inspector_.DirectoryOf(event.devPath),
                                                             event.Property("ID_V4L_CAPABILITIES"));
        if (!inspection.node) {
            return std::nullopt;
        }
        known_[devNode] = inspection.node->devicePath;
        return DeviceChange{kDbtDeviceArrival, kDbtDevtypDeviceInterface,
                            inspection.node->devicePath};
    }
    if (event.action == "remove") {
        const auto it = known_.find(devNode);
        if (it == known_.end()) {
            return std::nullopt;
        }
        DeviceChange change{kDbtDeviceRemoveComplete, kDbtDevtypDeviceInterface, it->second};
        known_.erase(it);
        return change;
    }
    return std::nullopt;
}
