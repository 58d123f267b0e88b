#include "device/platforms.h"

#if defined(DOVRANE_BACKEND_WINDOWS)
#include "device/windows/windows_platform.h"
#elif defined(DOVRANE_BACKEND_LINUX)
#include "device/linux/linux_platform.h"
#endif

namespace {

// Stands in where no camera backend exists for the build: lists no devices.
class NoPlatform final : public DevicePlatform {
  public:
    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override {
        monikers->clear();
        return kSFalse;
    }
    void WatchDeviceChanges(ChangeHandler) override {}
};

std::unique_ptr<DevicePlatform> CreateNativePlatform() {
#if defined(DOVRANE_BACKEND_WINDOWS)
    return CreateWindowsPlatform();
#elif defined(DOVRANE_BACKEND_LINUX)
    return CreateLinuxPlatform();
#else
    return std::make_unique<NoPlatform>();
#endif
}

}  // namespace

std::unique_ptr<DevicePlatform> CreatePlatform(PlatformKind kind, const SimLineup& simulated) {
    switch (kind) {
        case PlatformKind::kNative:
            return CreateNativePlatform();
        case PlatformKind::kSimulated:
            break;
    }
    return CreateDemoLine(simulated);
}
