#pragma once

#include <memory>
#include <vector>

#include <chrono>

#include "device/sim/sim_camera.h"
#include "device/sim/sim_faults.h"
#include "device/sim/sim_platform.h"

// The two cameras of the demo and the CLI's --simulate: one that runs firmware directly
// (device version word 0, extension unit at node 1, so the reset button reaches it) and one
// that needs boot software first (version word 1, extension unit at node 4).
// The cameras themselves go to *cameras when asked, for tools that trace or break them.
inline constexpr int kDemoCameraCount = 2;
std::unique_ptr<SimPlatform> CreateDemoPlatform(
    std::vector<std::shared_ptr<SimCamera>>* cameras = nullptr);

// A line of demo cameras for the tools: the two kinds in turn, each one after the first two
// with its number in its name and a device path and port of its own.
struct SimLineup {
    int count = kDemoCameraCount;
    SimFault fault = SimFault::kNone;
    int faultyCamera = -1;  // the camera's place in the line; -1 for every camera
    // 0: present from the start; else camera N arrives (N + 1) times this from now.
    std::chrono::milliseconds plugEvery{0};
    // 0: a reset leaves a camera where it is; else it leaves and is back this much later.
    std::chrono::milliseconds returnAfterReset{0};
    std::vector<std::shared_ptr<SimCamera>>* cameras = nullptr;  // receives the cameras if set
};

// The line as the fault leaves it at discovery: a camera that is gone is not attached.
std::unique_ptr<SimPlatform> CreateDemoLine(const SimLineup& lineup);
