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

std::unique_ptr<SimPlatform> CreateDemoPlatform(std::vector<std::shared_ptr<SimCamera>>* cameras) {
    SimLineup lineup;
    lineup.cameras = cameras;
    return CreateDemoLine(lineup);
}

std::unique_ptr<SimPlatform> CreateDemoLine(const SimLineup& lineup) {
    auto platform = std::make_unique<SimPlatform>();
    const bool gone = lineup.fault == SimFault::kGone;
    for (int index = 0; index < lineup.count && !(gone && lineup.faultyCamera < 0); ++index) {
        if (gone && index == lineup.faultyCamera) {
            continue;
        }
        SimDeviceEntry entry = NumberedDemoCamera(index);
        entry.usbPortPath = "sim-" + std::to_string(index + 1);
        const auto camera = std::static_pointer_cast<SimCamera>(entry.filter);
        if (lineup.cameras != nullptr) {
            lineup.cameras->push_back(camera);
        }
        if (lineup.returnAfterReset.count() > 0) {
            platform->ReturnAfterReset(camera, lineup.returnAfterReset);
            platform->UnplugWhenGone(camera);
        }
        if (lineup.plugEvery.count() > 0) {
            platform->PlugLater(std::move(entry), lineup.plugEvery * (index + 1));
        } else {
            platform->Plug(std::move(entry));
        }
    }
    return platform;
}
