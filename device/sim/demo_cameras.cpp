#include "device/sim/demo_cameras.h"

#include "device/sim/sim_camera.h"

namespace {

SimDeviceEntry DemoCamera(const char* name, uint16_t productId, uint16_t versionWord,
                          uint16_t displayVersion) {
    SimCameraConfig config;
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

std::unique_ptr<SimPlatform> CreateDemoPlatform() {
    auto platform = std::make_unique<SimPlatform>();
    platform->Plug(DemoCamera("Dovrane Sim Camera", 0x0102, 0, 0x0213));
    platform->Plug(DemoCamera("Dovrane Sim Boot Camera", 0x0103, 1, 0x0110));
    return platform;
}
