#pragma once

#include <memory>
#include <vector>

#include "device/sim/sim_camera.h"
#include "device/sim/sim_platform.h"

// The two cameras of the demo and the CLI's --simulate: one that runs firmware directly
// (device version word 0, extension unit at node 1, so the reset button reaches it) and one
// that needs boot software first (version word 1, extension unit at node 4).
// The cameras themselves go to *cameras when asked, for tools that trace or break them.
// A line of more cameras alternates the two kinds; each one after the first two carries its
// number in its name and has a device path of its own.
inline constexpr int kDemoCameraCount = 2;
std::unique_ptr<SimPlatform> CreateDemoPlatform(
    std::vector<std::shared_ptr<SimCamera>>* cameras = nullptr, int count = kDemoCameraCount,
    int absentCamera = -1);
