#include "device/sim/sim_faults.h"

#include "device/sim/sim_xu_protocol.h"

namespace {

struct NamedFault {
    const char* name;
    SimFault fault;
};

constexpr NamedFault kNamedFaults[] = {
    {"handshake", SimFault::kHandshake}, {"write", SimFault::kWrite},
    {"verify", SimFault::kVerify},       {"gone", SimFault::kGone},
    {"stale", SimFault::kStale},         {"no-return", SimFault::kNoReturn},
    {"pulled", SimFault::kPulled},       {"held", SimFault::kHeld},
};

constexpr uint32_t kPulledAfterRequests = 6 + 3 + 40;

}  // namespace

std::vector<std::string> SimFaultNames() {
    std::vector<std::string> names;
    for (const NamedFault& named : kNamedFaults) {
        names.emplace_back(named.name);
    }
    return names;
}

std::optional<SimFault> ParseSimFault(const std::string& name) {
    if (name.empty()) {
        return SimFault::kNone;
    }
    for (const NamedFault& named : kNamedFaults) {
        if (name == named.name) {
            return named.fault;
        }
    }
    return std::nullopt;
}

void InjectSimFault(SimFault fault, SimCamera& camera) {
    SimXuModel& model = camera.Model();
    switch (fault) {
        case SimFault::kHandshake:
            model.SetHandshakeAnswer(0x00);
            break;
        case SimFault::kWrite:
            model.FailRequest(kCtlData, 2, kSimStall);
            break;
        case SimFault::kVerify:
            model.CorruptReadBack(0);
            break;
        case SimFault::kStale:
            model.SetRestart(SimRestart::kOldFirmware);
            break;
        case SimFault::kNoReturn:
            model.SetRestart(SimRestart::kNever);
            break;
        case SimFault::kHeld:
            camera.HoldElsewhere("another program (simulated)");
            break;
        case SimFault::kPulled:
            // The open sequence, the transfer's opening and 40 data packets, then nothing.
            model.VanishAfter(kPulledAfterRequests);
            break;
        case SimFault::kNone:
        case SimFault::kGone:
            break;
    }
}
