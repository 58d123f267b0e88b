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
};

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

void InjectSimFault(SimFault fault, SimXuModel& model) {
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
        case SimFault::kNone:
        case SimFault::kGone:
            break;
    }
}
