#include "device/native_platform.h"

#include "device/windows/windows_platform.h"

std::unique_ptr<DevicePlatform> CreateNativePlatform() {
    return std::make_unique<WindowsPlatform>();
}
