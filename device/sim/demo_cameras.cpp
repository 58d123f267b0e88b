#include "device/sim/demo_cameras.h"

namespace {

SimDeviceEntry DemoCamera(const char* name, uint16_t productId, uint32_t xuNode,
                          uint16_t versionWord, uint16_t displayVersion) {
    SimCameraConfig config;
    config.xuNode = xuNode;
    config.xu.versionWord = versionWord;
    config.xu.displayVersion = displayVersion;
    config.xu.packetLength = 512;
    SimDeviceEntry entry;
    entry.friendlyName = name;
    entry.devicePath = SimDevicePath(0x1d6b, productId, productId);
    entry.filter = std::make_shared<SimCamera>(config);
    return entry;
}

}  // namespace

std::unique_ptr<SimPlatform> CreateDemoPlatform(std::vector<std::shared_ptr<SimCamera>>* cameras) {
    auto platform = std::make_unique<SimPlatform>();
    std::vector<SimDeviceEntry> entries;
    entries.push_back(DemoCamera("Dovrane Sim Camera", 0x0102, 1, 0, 0x0213));
    entries.push_back(DemoCamera("Dovrane Sim Boot Camera", 0x0103, 4, 1, 0x0110));
    for (SimDeviceEntry& entry : entries) {
        if (cameras != nullptr) {
            cameras->push_back(std::static_pointer_cast<SimCamera>(entry.filter));
        }
        platform->Plug(std::move(entry));
    }
    return platform;
}
