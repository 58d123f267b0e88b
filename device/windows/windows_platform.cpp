#include "device/windows/windows_platform.h"

#include <utility>

#include "device/windows/com_device.h"
#include "device/windows/device_notifications.h"

Status CreateSystemDevEnum(ICreateDevEnum** devEnum) {
    return CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                            IID_ICreateDevEnum, reinterpret_cast<void**>(devEnum));
}

WindowsPlatform::WindowsPlatform(DevEnumFactory createDevEnum)
    : createDevEnum_(std::move(createDevEnum)) {}

Status WindowsPlatform::EnumerateVideoInputs(
    std::vector<std::shared_ptr<DeviceMoniker>>* monikers) {
    monikers->clear();
    ICreateDevEnum* rawDevEnum = nullptr;
    Status status = createDevEnum_(&rawDevEnum);
    const ComRef<ICreateDevEnum> devEnum(rawDevEnum);
    if (Failed(status)) {
        return status;
    }
    if (!devEnum) {
        return kENoInterface;
    }
    IEnumMoniker* rawEnum = nullptr;
    status = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &rawEnum, 0);
    const ComRef<IEnumMoniker> monikerEnum(rawEnum);
    if (Failed(status)) {
        return status;
    }
    // S_FALSE with no enumerator: the category is empty or does not exist.
    if (status != kSOk || !monikerEnum) {
        return kSFalse;
    }
    monikerEnum->Reset();
    for (;;) {
        IMoniker* rawMoniker = nullptr;
        const HRESULT next = monikerEnum->Next(1, &rawMoniker, nullptr);
        ComRef<IMoniker> moniker(rawMoniker);
        if (next != S_OK) {
            break;
        }
        if (moniker) {
            monikers->push_back(WrapMoniker(std::move(moniker)));
        }
    }
    return kSOk;
}

void WindowsPlatform::WatchDeviceChanges(ChangeHandler) {}

bool WindowsPlatform::ListenOnWindow(void* window) {
    return RegisterCaptureNotifications(window);
}

bool WindowsPlatform::ReadWindowMessage(const void* message, DeviceChange* change) const {
    return ReadDeviceChangeMessage(message, change);
}

std::unique_ptr<DevicePlatform> CreateWindowsPlatform() {
    return std::make_unique<WindowsPlatform>();
}
