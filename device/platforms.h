#pragma once

// The one list of the platforms a program can run on: the real cameras of the build platform's
// backend, or the demo's simulated cameras.

#include <memory>
#include <vector>

#include "device/platform.h"
#include "device/sim/sim_faults.h"

enum class PlatformKind { kNative, kSimulated };

// How the simulated cameras start; the native platform ignores it.
struct SimulatedSetup {
    SimFault fault = SimFault::kNone;
    // Receives the simulated cameras when set, for tools that trace or break them.
    std::vector<std::shared_ptr<SimCamera>>* cameras = nullptr;
};

// kNative is uvcvideo on Linux, DirectShow on Windows, and a platform without devices where
// the build has no camera backend.
std::unique_ptr<DevicePlatform> CreatePlatform(PlatformKind kind,
                                               const SimulatedSetup& simulated = {});
