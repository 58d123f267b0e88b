#include "device/sim/sim_trace.h"

#include <cstdio>

namespace {

const char* DirectionName(SimDirection direction) {
    switch (direction) {
        case SimDirection::kSet:
            return "set";
        case SimDirection::kGet:
            return "get";
        case SimDirection::kSizeQuery:
            break;
    }
    return "len";
}

}  // namespace

std::string SimTrafficLine(const SimTraffic& traffic) {
    char status[11];
    std::snprintf(status, sizeof status, "0x%08x", static_cast<unsigned>(traffic.status));
    std::string line = std::string(DirectionName(traffic.direction)) +
                       " node=" + std::to_string(traffic.node) +
                       " sel=" + std::to_string(traffic.selector) +
                       " len=" + std::to_string(traffic.length) + " status=" + status;
    if (traffic.direction == SimDirection::kSizeQuery) {
        return line + " size=" + std::to_string(traffic.reportedSize);
    }
    line += " data=";
    for (const uint8_t byte : traffic.bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        line += digits;
    }
    return line;
}
