#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "device/platform.h"

struct ICreateDevEnum;

// Hands out a new reference to a system device enumerator; tests put their own in its place.
using DevEnumFactory = std::function<Status(ICreateDevEnum** devEnum)>;

// CoCreateInstance of DirectShow's system device enumerator, in process.
Status CreateSystemDevEnum(ICreateDevEnum** devEnum);

// The video-input category of DirectShow. Device changes reach the window as WM_DEVICECHANGE
// (device_notifications.h), so there is nothing to watch here.
class WindowsPlatform final : public DevicePlatform {
  public:
    explicit WindowsPlatform(DevEnumFactory createDevEnum = CreateSystemDevEnum);

    Status EnumerateVideoInputs(std::vector<std::shared_ptr<DeviceMoniker>>* monikers) override;
    void WatchDeviceChanges(ChangeHandler onChange) override;
    bool ListenOnWindow(void* window) override;
    bool ReadWindowMessage(const void* message, DeviceChange* change) const override;

  private:
    DevEnumFactory createDevEnum_;
};

// The real cameras on Windows.
std::unique_ptr<DevicePlatform> CreateWindowsPlatform();
