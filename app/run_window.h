#pragma once

#include <functional>
#include <memory>

#include "device/platform.h"

using PlatformFactory = std::function<std::unique_ptr<DevicePlatform>()>;

// The program's entry: the application, the data_info registration, the window, the event loop.
int RunWindow(int argc, char** argv, const PlatformFactory& makePlatform);
