#pragma once

// Hot-plug rules: which device-interface arrivals and removals rebuild the device list, and
// the debug lines they leave. Every backend's events go through here.

#include <functional>
#include <string>

#include "device/platform.h"

using DebugLine = std::function<void(const std::string& line)>;

// True when the upper-cased name contains the GUID's interface-class text.
bool MatchInterfaceClass(const Guid& guid, const std::string& name, const DebugLine& debug);

// True when the change is a capture-class arrival or removal, so the list must be rebuilt.
bool IsCaptureDeviceChange(const DeviceChange& change, const DebugLine& debug);
