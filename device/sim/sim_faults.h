#pragma once

// The faults a tool can ask of the demo's simulated cameras, by name.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/sim/sim_camera.h"

enum class SimFault {
    kNone,
    kHandshake,  // the handshake is answered wrongly
    kWrite,      // the second data packet of a transfer stalls
    kVerify,     // every read-back comes back with its first byte inverted
    kGone,       // no camera is attached at all
    kStale,      // after its reset the camera comes back running its old firmware
    kNoReturn,   // after its reset the camera leaves and does not come back
    kPulled,     // the camera is pulled out in the middle of the write pass's packets
    kHeld,       // another program holds the camera for its own job
};

// "handshake", "write", "verify", "gone", "stale", "no-return", "pulled", "held", in the
// order tools list them.
std::vector<std::string> SimFaultNames();

// The fault of that name, kNone for an empty one; nothing for a name not in SimFaultNames().
std::optional<SimFault> ParseSimFault(const std::string& name);

// Breaks a discovered camera, so the fault meets the command that follows.
void InjectSimFault(SimFault fault, SimCamera& camera);
