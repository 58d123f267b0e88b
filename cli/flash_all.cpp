#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/flash_outcome.h"
#include "cli/fleet_results.h"

namespace {

constexpr std::chrono::milliseconds kTenth{100};

// The cameras --all takes: every one, or those whose label carries a --only USB id.
std::vector<int> ChosenCameras(const CliOptions& options, const CliDevices& devices) {
    std::vector<int> chosen;
    for (int i = 0; i < devices.Count(); ++i) {
        if (CarriesUsbId(devices.Label(i), options.only)) {
            chosen.push_back(i);
        }
    }
    return chosen;
}

FleetView::Style ViewStyle(const CliOptions& options) {
    if (options.json) {
        return FleetView::Style::kJson;
    }
    return isatty(fileno(stderr)) != 0 ? FleetView::Style::kTerminal : FleetView::Style::kLines;
}

}  // namespace

int RunFlashAll(const CliOptions& options, CliDevices& devices, FlashLog* log) {
    const std::vector<int> chosen = ChosenCameras(options, devices);
    if (chosen.empty()) {
        std::fprintf(stderr, "no device found\n");
        return NoDeviceStatus(devices);
    }
    const FlashOrder order = OrderOf(options);
    const FileDigest firmware = DigestFile(order.inputs.firmwarePath);
    CameraRoster roster(devices.Platform());
    std::vector<CameraIdentity> identities;
    std::vector<FleetCamera> cameras;
    for (const int index : chosen) {
        identities.push_back(devices.Identity(index));
        cameras.push_back({devices.Device(index), devices.Node(index),
                           ReturnCheck(options, roster, identities.back())});
    }
    FleetView view(ViewStyle(options));
    for (const CameraIdentity& camera : identities) {
        view.AddCamera(camera);
    }
    FleetResults results(view, log, order);
    {
        FlashFleet fleet(cameras, order,
                         [&view](int camera, const QString& text) { view.Message(camera, text); });
        std::vector<bool> reported(cameras.size(), false);
        bool finished = false;
        while (!finished) {
            finished = fleet.WaitAll(kTenth);
            view.Update(fleet);
            for (int i = 0; i < fleet.Count(); ++i) {
                if (reported[static_cast<size_t>(i)] || !fleet.Progress(i).finished) {
                    continue;
                }
                reported[static_cast<size_t>(i)] = true;
                results.Add(i, identities[static_cast<size_t>(i)], firmware, fleet.Result(i));
            }
        }
        view.Summary(fleet);
    }
    return results.Finish();
}
