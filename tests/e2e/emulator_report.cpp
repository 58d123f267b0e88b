#include "tests/e2e/emulator_report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "device/sim/sim_trace.h"
#include "device/sim/sim_xu_protocol.h"

namespace {

struct Range {
    uint8_t kind;
    uint32_t address;
    bool operator<(const Range& other) const {
        return std::pair(kind, address) < std::pair(other.kind, other.address);
    }
};

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

// Every write transfer the device accepted a header for, with its longest announced count.
std::map<Range, uint32_t> WrittenRanges(const std::vector<SimTraffic>& traffic) {
    std::map<Range, uint32_t> ranges;
    for (const SimTraffic& t : traffic) {
        if (t.direction != SimDirection::kSet || t.selector != kCtlHeader || Failed(t.status) ||
            t.bytes.size() != kSimHeaderSize || (t.bytes[0] & kSimReadBack) != 0) {
            continue;
        }
        uint32_t& count = ranges[Range{t.bytes[0], BigEndian32(t.bytes, 1)}];
        count = std::max(count, BigEndian32(t.bytes, 5));
    }
    return ranges;
}

std::string LineOrNone(const std::vector<SimTraffic>& traffic, size_t end) {
    return end == 0 ? std::string("none") : SimTrafficLine(traffic[end - 1]);
}

// Which requests came over which attachment: a script can tell the camera before its reset
// from the one that came back.
std::string AttachmentLines(const std::vector<SimTraffic>& traffic,
                            const std::vector<size_t>& starts) {
    std::string lines = "attachments " + std::to_string(starts.size()) + '\n';
    for (size_t i = 0; i < starts.size(); ++i) {
        const size_t begin = std::min(starts[i], traffic.size());
        const size_t end =
            i + 1 < starts.size() ? std::min(starts[i + 1], traffic.size()) : traffic.size();
        const std::string key = "attachment_" + std::to_string(i + 1);
        lines += key + "_requests " + std::to_string(end - begin) + '\n';
        lines += key + "_last " + (end > begin ? LineOrNone(traffic, end) : "none") + '\n';
    }
    return lines;
}

size_t DataPacketsTaken(const std::vector<SimTraffic>& traffic) {
    return static_cast<size_t>(
        std::count_if(traffic.begin(), traffic.end(), [](const SimTraffic& t) {
            return t.direction == SimDirection::kSet && t.selector == kCtlData &&
                   Succeeded(t.status);
        }));
}

std::string Hex32(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string* error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

bool WriteEmulatorReport(const SimXuModel& model, const std::vector<size_t>& attachmentStarts,
                         const std::string& directory, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code made;
    fs::create_directories(directory, made);
    if (made) {
        *error = "cannot create " + directory + ": " + made.message();
        return false;
    }
    const fs::path dir(directory);
    const std::vector<SimTraffic> traffic = model.Traffic();
    const std::vector<std::string> errors = model.ProtocolErrors();

    std::string lines;
    for (const SimTraffic& t : traffic) {
        lines += SimTrafficLine(t) + '\n';
    }
    std::string complaints;
    for (const std::string& e : errors) {
        complaints += e + '\n';
    }
    const std::string summary = "requests " + std::to_string(traffic.size()) + "\nresets " +
                                std::to_string(model.ResetCount()) + "\nprotocol_errors " +
                                std::to_string(errors.size()) + "\ndata_packets " +
                                std::to_string(DataPacketsTaken(traffic)) + '\n' +
                                AttachmentLines(traffic, attachmentStarts) + "last " +
                                LineOrNone(traffic, traffic.size()) + '\n';
    if (!WriteFile(dir / "traffic", lines, error) ||
        !WriteFile(dir / "errors", complaints, error)) {
        return false;
    }
    for (const auto& [range, count] : WrittenRanges(traffic)) {
        const std::vector<uint8_t> bytes = model.Memory(range.kind, range.address, count);
        const std::string name =
            "memory-" + std::to_string(range.kind) + "-" + Hex32(range.address) + ".bin";
        if (!WriteFile(dir / name, std::string(bytes.begin(), bytes.end()), error)) {
            return false;
        }
    }
    // Last, so that a script that waits for it finds the rest complete.
    return WriteFile(dir / "summary", summary, error);
}
