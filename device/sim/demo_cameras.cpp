#include "device/sim/demo_cameras.h"

#include <string>

namespace {

SimDeviceEntry DemoCamera(const std::string& name, uint16_t productId, int instance,
                          uint32_t xuNode, uint16_t versionWord, uint16_t displayVersion) {
    SimCameraConfig config;
    config.xuNode = xuNode;
    config.xu.versionWord = versionWord;
    config.xu.displayVersion = displayVersion;
    config.xu.packetLength = 512;
    SimDeviceEntry entry;
    entry.friendlyName = name;
    entry.devicePath = SimDevicePath(0x1d6b, productId, instance);
    entry.filter = std::make_shared<SimCamera>(config);
    return entry;
}

SimDeviceEntry NumberedDemoCamera(int index) {
    const std::string number = index < kDemoCameraCount ? "" : " " + std::to_string(index + 1);
    // The first two keep the instance the demo always had, their product id.
    if (index % 2 == 0) {
        return DemoCamera("Dovrane Sim Camera" + number, 0x0102,
                          index < kDemoCameraCount ? 0x0102 : 0x1000 + index, 1, 0, 0x0213);
    }
    return DemoCamera("Dovrane Sim Boot Camera" + number, 0x0103,
                      index < kDemoCameraCount ? 0x0103 : 0x1000 + index, 4, 1, 0x0110);
}

}  // namespace

std::unique_ptr<SimPlatform> CreateDemoPlatform(std::vector<std::shared_ptr<SimCamera>>* cameras,
                                                int count, int absentCamera) {
    auto platform = std::make_unique<SimPlatform>();
    for (int index = 0; index < count; ++index) {
        if (index == absentCamera) {
            continue;
        }
        SimDeviceEntry entry = NumberedDemoCamera(index);
        entry.usbPortPath = "sim-" + std::to_string(index + 1);
        if (cameras != nullptr) {
            cameras->push_back(std::static_pointer_cast<SimCamera>(entry.filter));
        }
        platform->Plug(std::move(entry));
    }
    return platform;
}
