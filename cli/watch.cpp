#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "cli/commands.h"
#include "cli/fleet_results.h"
#include "device/hotplug.h"
#include "download/flash_watch.h"

namespace {

constexpr int kTenthMs = 100;

volatile std::sig_atomic_t stopRequests = 0;

void OnStopSignal(int) {
    stopRequests = stopRequests + 1;
}

}  // namespace

int RunWatch(const CliOptions& options, CliDevices& devices, FlashLog* log) {
    const FlashOrder order = OrderOf(options);
    CameraRoster roster(devices.Platform());
    FleetView view(options.json ? FleetView::Style::kJson : FleetView::Style::kLines);
    view.AnnounceResults();
    WatchRules rules{options.only, options.skipPresent, options.count, options.reset,
                     std::chrono::seconds(options.returnTimeout)};
    FlashWatch watch(
        roster, order, rules, [&view](int job, const QString& text) { view.Message(job, text); },
        [&view](const CameraIdentity& camera) { view.AddCamera(camera); });

    // Device changes may come from any thread; this one looks at the cameras again at its next
    // tenth, once for any number of changes since.
    std::atomic<bool> changed{false};
    devices.Platform().WatchDeviceChanges([&changed](const DeviceChange& change) {
        if (IsCaptureDeviceChange(change, [](const std::string&) {})) {
            changed.store(true);
        }
    });
    QCoreApplication* app = QCoreApplication::instance();
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    FleetResults results(view, log, order);
    QTimer tenth;
    QObject::connect(&tenth, &QTimer::timeout, [&] {
        if (stopRequests >= 1) {
            watch.StopAccepting();  // a second signal stops the jobs too
        }
        if (stopRequests >= 2) {
            watch.Abort();
        }
        if (changed.exchange(false)) {
            watch.OnDeviceChange();
        }
        for (const int job : watch.TakeFinished()) {
            // A long watch may see the file replaced: each record digests it anew.
            results.Add(job, watch.Camera(job), DigestFile(order.inputs.firmwarePath),
                        watch.Fleet().Result(job));
        }
        if (watch.Done()) {
            app->quit();
        }
    });
    watch.Start();
    tenth.start(kTenthMs);
    app->exec();
    devices.Platform().WatchDeviceChanges({});
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    view.Summary(watch.Fleet());
    return results.Finish();
}
