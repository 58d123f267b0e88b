// Requests per second through the extension-unit transport into the simulated camera with no
// device latency: what the host side costs per request, to set against a real device's
// turnaround.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "device/command_set.h"
#include "device/sim/sim_camera.h"
#include "device/xu_transport.h"

namespace {

constexpr uint32_t kPacketsPerSegment = 4096;
constexpr uint8_t kKind = 2;
constexpr uint32_t kAddress = 0x8000;
constexpr auto kMinimumRun = std::chrono::milliseconds(300);

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "transport_bench: %s failed\n", what);
        std::exit(1);
    }
}

struct Bench {
    explicit Bench(uint32_t packet, bool log) : camera(Config(packet)), packetSize(packet) {
        camera.Model().SetTrafficLogEnabled(log);
        uint16_t version = 0;
        uint16_t length = 0;
        Check(DevOpen(&camera, at, &version, &length) == kSOk, "open");
        data.resize(size_t{packet} * kPacketsPerSegment);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(i * 31);
        }
    }

    static SimCameraConfig Config(uint32_t packet) {
        SimCameraConfig config;
        config.xu.packetLength = packet;
        return config;
    }

    uint32_t SegmentBytes() const { return static_cast<uint32_t>(data.size()); }

    // One whole segment transfer; `packets` moves the data and returns its request count.
    uint64_t Segment(uint8_t kind, const std::function<uint64_t()>& packets) {
        Check(DevBeginTransfer(&camera, at) == kSOk, "begin");
        Check(DevSendHeader(&camera, at, kind, kAddress, SegmentBytes()) == kSOk, "header");
        const uint64_t requests = packets();
        Check(DevEndTransfer(&camera, at) == kSOk, "end");
        return requests + 3;
    }

    uint64_t WritePackets() {
        for (uint32_t offset = 0; offset < SegmentBytes(); offset += packetSize) {
            Check(XuNodeSet(&camera, node, 6, data.data() + offset, packetSize) == kSOk,
                  "packet write");
        }
        return kPacketsPerSegment;
    }

    uint64_t ReadPackets() {
        for (uint32_t offset = 0; offset < SegmentBytes(); offset += packetSize) {
            Check(XuNodeGet(&camera, node, 6, data.data() + offset, packetSize) == kSOk,
                  "packet read");
        }
        return kPacketsPerSegment;
    }

    uint64_t ChunkedWrite() {
        Check(XuNodeSetChunked(&camera, node, 6, data.data(), SegmentBytes()) == kSOk,
              "chunked write");
        return kPacketsPerSegment + 1;
    }

    uint64_t ChunkedRead() {
        Check(XuNodeGetChunked(&camera, node, 6, data.data(), SegmentBytes()) == kSOk,
              "chunked read");
        return kPacketsPerSegment + 1;
    }

    uint64_t VersionExchange() {
        const uint8_t request[2] = {0xFE, 0x07};
        uint8_t answer[2] = {};
        Check(XuNodeSetChunked(&camera, node, 9, request, 2) == kSOk, "version request");
        Check(XuNodeGetChunked(&camera, node, 9, answer, 2) == kSOk, "version answer");
        return 4;
    }

    SimCamera camera;
    uint32_t packetSize;
    uint32_t node = SimCameraConfig{}.xuNode;
    NodeAddress at = NodeAddress::Id(SimCameraConfig{}.xuNode);
    std::vector<uint8_t> data;
};

// Repeats one round until the run is long enough to time, then prints its rates. The log is
// emptied after every round so that its cost is that of logging, not of an ever longer vector.
void Report(const char* name, Bench& bench, bool log, uint64_t bytesPerRound,
            const std::function<uint64_t()>& round) {
    using Clock = std::chrono::steady_clock;
    uint64_t requests = 0;
    uint64_t rounds = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration::zero();
    while (elapsed < kMinimumRun) {
        requests += round();
        bench.camera.Model().ClearTraffic();
        ++rounds;
        elapsed = Clock::now() - start;
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double perSecond = static_cast<double>(requests) / seconds;
    std::printf("%-22s P=%-4u log=%-3s %10.0f requests/s %8.1f ns/request %8.1f MiB/s\n", name,
                bench.packetSize, log ? "on" : "off", perSecond, 1e9 / perSecond,
                static_cast<double>(bytesPerRound * rounds) / seconds / (1024.0 * 1024.0));
}

void RunAll(uint32_t packet, bool log) {
    Bench bench(packet, log);
    const uint64_t segment = bench.SegmentBytes();
    Report("packet write", bench, log, segment,
           [&] { return bench.Segment(kKind, [&] { return bench.WritePackets(); }); });
    Report("packet read-back", bench, log, segment,
           [&] { return bench.Segment(kKind | 0x80, [&] { return bench.ReadPackets(); }); });
    Report("chunked write", bench, log, segment,
           [&] { return bench.Segment(kKind, [&] { return bench.ChunkedWrite(); }); });
    Report("chunked read-back", bench, log, segment,
           [&] { return bench.Segment(kKind | 0x80, [&] { return bench.ChunkedRead(); }); });
    Report("version exchange", bench, log, 4, [&] { return bench.VersionExchange(); });
    Check(bench.camera.Model().ProtocolErrors().empty(), "protocol");
}

}  // namespace

int main() {
    std::printf("Transport into the simulated camera, zero device latency, %u packets a segment\n",
                kPacketsPerSegment);
    for (bool log : {false, true}) {
        for (uint32_t packet : {32u, 512u}) {
            RunAll(packet, log);
        }
    }
    return 0;
}
