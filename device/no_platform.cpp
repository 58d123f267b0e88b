#include "device/native_platform.h"

namespace {

// Stands in where no camera backend exists for the build platform: lists no devices.
class NoPlatform final : public DevicePlatform {
  public:
    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override {
        monikers->clear();
        return kSFalse;
    }
    void WatchDeviceChanges(ChangeHandler) override {}
};

}  // namespace

std::unique_ptr<DevicePlatform> CreateNativePlatform() {
    return std::make_unique<NoPlatform>();
}
