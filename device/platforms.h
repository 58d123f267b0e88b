#pragma once

// The one list of the platforms a program can run on: the real cameras of the build platform's
// backend, or the demo's simulated cameras.

#include <memory>
#include <vector>

#include "device/platform.h"
#include "device/sim/demo_cameras.h"

enum class PlatformKind { kNative, kSimulated };

// kNative is uvcvideo on Linux, DirectShow on Windows, and a platform without devices where
// the build has no camera backend. The native platform ignores the simulated line.
std::unique_ptr<DevicePlatform> CreatePlatform(PlatformKind kind, const SimLineup& simulated = {});
