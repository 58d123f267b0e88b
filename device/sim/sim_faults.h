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

// The demo's cameras as the fault leaves them at discovery: with kGone there are none.
std::unique_ptr<SimPlatform> CreateFaultyDemoPlatform(
    SimFault fault, std::vector<std::shared_ptr<SimCamera>>* cameras);

// Breaks a discovered camera, so the fault meets the command that follows.
void InjectSimFault(SimFault fault, SimXuModel& model);
