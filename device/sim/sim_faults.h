#pragma once

// The faults a tool can ask of the demo's simulated cameras, by name.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/sim/sim_camera.h"
#include "device/sim/sim_platform.h"

enum class SimFault {
    kNone,
    kHandshake,  // the handshake is answered wrongly
    kWrite,      // the second data packet of a transfer stalls
    kVerify,     // every read-back comes back with its first byte inverted
    kGone,       // no camera is attached at all
};

// "handshake", "write", "verify", "gone", in the order tools list them.
std::vector<std::string> SimFaultNames();

// The fault of that name, kNone for an empty one; nothing for a name not in SimFaultNames().
std::optional<SimFault> ParseSimFault(const std::string& name);

// A line of demo cameras and the fault that one of them, or every one, is given.
struct SimLineup {
    int count = 2;
    SimFault fault = SimFault::kNone;
    int faultyCamera = -1;  // the camera's place in the line; -1 for every camera
    std::vector<std::shared_ptr<SimCamera>>* cameras = nullptr;  // receives the cameras if set
};

// The line as the fault leaves it at discovery: a camera that is gone is not attached.
std::unique_ptr<SimPlatform> CreateFaultyDemoPlatform(const SimLineup& lineup);

// Breaks a discovered camera, so the fault meets the command that follows.
void InjectSimFault(SimFault fault, SimXuModel& model);
