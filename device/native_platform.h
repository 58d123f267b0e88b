#pragma once

#include <memory>

#include "device/platform.h"

// The real cameras of the platform the program was built for.
std::unique_ptr<DevicePlatform> CreateNativePlatform();
