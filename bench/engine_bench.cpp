// The download engine against the simulated camera: a 1 MiB firmware with verify, P = 512.
// Usage: engine_bench [runs]
//   1. zero latency: the engine's CPU time per packet (sleeps are not CPU time);
//   2. 125 us per request: job time over the ideal (requests x latency + mandated waits).

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "device/command_set.h"
#include "device/sim/sim_camera.h"
#include "download/worker.h"

namespace {

constexpr uint32_t kPacket = 512;
constexpr int32_t kFirmwareBytes = 1 << 20;
constexpr double kMandatedWaitMs = 2.0 + 100.0;  // after the header, after the segment

// Counts the requests that reach the camera, so the ideal time is exact.
class CountingDevice final : public XuDevice {
  public:
    explicit CountingDevice(SimCamera& device) : camera(device) {}

    Status OpenControl(std::unique_ptr<XuControl>* control) override {
        *control = std::make_unique<Counter>(*this);
        return kSOk;
    }
    Status OpenTopology(std::unique_ptr<Topology>* topology) override {
        return camera.OpenTopology(topology);
    }
    uint64_t requests = 0;

  private:
    class Counter final : public XuControl {
      public:
        explicit Counter(CountingDevice& owner) : device(owner) {}
        Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                          uint32_t* returned) override {
            ++device.requests;
            return device.camera.KsProperty(request, data, length, returned);
        }

      private:
        CountingDevice& device;
    };
    SimCamera& camera;
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

data_info FirmwareJob(XuDevice* device) {
    data_info job;
    std::memset(&job, 0, sizeof job);
    job.device = device;
    job.node = 4;
    job.unit = 1;
    job.verify = 1;
    job.count = 1;
    job.segments[0].buffer = new uint8_t[kFirmwareBytes];
    for (int32_t i = 0; i < kFirmwareBytes; ++i) {
        job.segments[0].buffer[i] = static_cast<uint8_t>(i * 13 + (i >> 9));
    }
    job.segments[0].length = kFirmwareBytes;
    job.segments[0].kind = kSegmentFirmware;
    job.segments[0].unit = 1;
    return job;
}

struct Run {
    double wallMs;
    double cpuMs;
    uint64_t requests;
    uint32_t resultKind;
};

Run RunJob(std::chrono::nanoseconds latency) {
    SimCameraConfig config;
    config.xu.packetLength = kPacket;
    SimCamera camera(config);
    camera.Model().SetTrafficLogEnabled(false);
    CountingDevice device(camera);
    uint16_t version = 0;
    uint16_t packetLength = 0;
    DevOpen(&device, NodeAddress::Id(4), &version, &packetLength);
    camera.Model().SetLatency(latency);
    device.requests = 0;

    Worker worker;
    uint32_t resultKind = 0;
    QObject::connect(&worker, &Worker::WorkerTheardState, [&](qulonglong state) {
        const uint32_t kind = Worker::DecodeReport(state).kind;
        if (kind == Worker::kSucceeded || kind == Worker::kFailed) {
            resultKind = kind;
        }
    });
    const data_info job = FirmwareJob(&device);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    worker.WorkerLoadFw(job);
    const double cpuMs = (ThreadCpuSeconds() - cpuStart) * 1e3;
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return {wallMs, cpuMs, device.requests, resultKind};
}

// The best of a few runs: another process taking the core only ever adds time.
Run BestOf(int runs, std::chrono::nanoseconds latency) {
    Run best = RunJob(latency);
    for (int i = 1; i < runs; ++i) {
        const Run run = RunJob(latency);
        if (run.wallMs < best.wallMs) {
            best = run;
        }
        best.cpuMs = std::min(best.cpuMs, run.cpuMs);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const uint64_t packets = 2 * ((kFirmwareBytes + kPacket - 1) / kPacket);  // write + read back
    std::printf("best of %d runs each\n", runs);

    const Run fast = BestOf(runs, std::chrono::nanoseconds(0));
    std::printf("1 MiB, verify, P=%u, zero latency: %s, %llu requests, %.1f ms wall\n", kPacket,
                fast.resultKind == Worker::kSucceeded ? "success" : "FAILED",
                static_cast<unsigned long long>(fast.requests), fast.wallMs);
    std::printf(
        "  CPU per packet (engine + simulated device, waits excluded): %.3f us (target < 2)\n",
        fast.cpuMs * 1e3 / static_cast<double>(packets));

    const auto latency = std::chrono::microseconds(125);
    const Run usb = BestOf(runs, latency);
    const double idealMs = static_cast<double>(usb.requests) *
                               std::chrono::duration<double, std::milli>(latency).count() +
                           kMandatedWaitMs;
    std::printf("1 MiB, verify, P=%u, 125 us per request: %s, %.1f ms wall, ideal %.1f ms\n",
                kPacket, usb.resultKind == Worker::kSucceeded ? "success" : "FAILED", usb.wallMs,
                idealMs);
    std::printf("  job time / ideal: %.4f (target <= 1.01)\n", usb.wallMs / idealMs);
    return fast.resultKind == Worker::kSucceeded && usb.resultKind == Worker::kSucceeded ? 0 : 1;
}
