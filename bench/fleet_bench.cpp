// Many cameras at once: flash --all's jobs on N simulated cameras with 125 us per request,
// each camera's job the sample firmware.bin with verify (P = 512). Prints, for N = 1, 2, 4 and
// 8, the wall time of the whole run over the wall time of one camera alone; 1.00 is perfect.
// The cameras sleep through their turnaround, as a device on the bus does, so the figure
// shows what the flash layer costs, not how many cores the machine has.
// Usage: fleet_bench [runs]

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/sim/sim_camera.h"
#include "download/flash_fleet.h"

namespace {

constexpr std::chrono::microseconds kLatency{125};

double FleetWallMs(int cameras, const FlashOrder& order, bool* allSucceeded) {
    std::vector<std::unique_ptr<SimCamera>> simulated;
    std::vector<FleetCamera> fleetCameras;
    for (int i = 0; i < cameras; ++i) {
        SimCameraConfig config;
        config.xu.packetLength = 512;
        simulated.push_back(std::make_unique<SimCamera>(config));
        simulated.back()->Model().SetLatency(kLatency, SimWait::kSleep);
        simulated.back()->Model().SetTrafficLogEnabled(false);
        fleetCameras.push_back({simulated.back().get(), 4, {}});
    }
    const auto start = std::chrono::steady_clock::now();
    FlashFleet fleet(fleetCameras, order, [](int, const QString&) {});
    while (!fleet.WaitAll(std::chrono::milliseconds(100))) {
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (int i = 0; i < cameras; ++i) {
        *allSucceeded = *allSucceeded && fleet.Result(i).succeeded;
    }
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("CfgFile"));
    const FlashOrder order{
        {dir.filePath(QStringLiteral("CfgFile")), QStringLiteral(DOVRANE_EXAMPLES "/firmware.bin"),
         QStringLiteral("0"), true},
        true,
        false,
        std::nullopt};
    bool allSucceeded = true;
    double single = 0;
    std::printf("fleet_bench: firmware.bin with verify, %lld us per request, median of %d runs\n",
                static_cast<long long>(kLatency.count()), runs);
    for (const int cameras : {1, 2, 4, 8}) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            times.push_back(FleetWallMs(cameras, order, &allSucceeded));
        }
        const double ms = Median(times);
        single = cameras == 1 ? ms : single;
        std::printf("N=%d  wall %7.1f ms  ratio to one camera %.2f\n", cameras, ms, ms / single);
    }
    if (!allSucceeded) {
        std::printf("fleet_bench: a job failed\n");
        return 1;
    }
    return 0;
}
