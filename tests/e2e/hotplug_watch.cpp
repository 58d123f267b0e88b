// Watches the native platform's device changes as the main window does (its discovery table,
// its hot-plug rules, a rebuilt list after every capture-class change) and prints each change,
// so a script can unplug and replug a camera and check what the loader saw.
//
//   hotplug_watch SECONDS
// prints "watching devices N" once it listens, then "<arrival|removal> devices N <path>" for
// every capture-class change, N being the size of the rebuilt list; it ends after SECONDS.

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "device/discovery.h"
#include "device/hotplug.h"
#include "device/platforms.h"

namespace {

struct DeviceTable {
    MonikerTable monikers;
    FilterTable filters;
    NodeIdTable nodeIds{};

    // As the window refreshes: the old entries go first, so a removed camera's node is closed.
    int Rebuild(DevicePlatform& platform) {
        for (int slot = 0; slot < kDeviceTableSlots; ++slot) {
            monikers[slot].reset();
            filters[slot].reset();
        }
        return std::max(0, EnumVideoDevices(platform, monikers, filters, nodeIds));
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long seconds = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (seconds <= 0) {
        std::fputs("usage: hotplug_watch SECONDS\n", stderr);
        return 2;
    }
    std::unique_ptr<DevicePlatform> platform = CreatePlatform(PlatformKind::kNative);
    DeviceTable table;
    const DebugLine quiet = [](const std::string&) {};
    platform->WatchDeviceChanges([&](const DeviceChange& change) {
        if (!IsCaptureDeviceChange(change, quiet)) {
            return;
        }
        const int count = table.Rebuild(*platform);
        std::printf("%s devices %d %s\n",
                    change.eventCode == kDbtDeviceArrival ? "arrival" : "removal", count,
                    change.name.c_str());
        std::fflush(stdout);
    });
    std::printf("watching devices %d\n", table.Rebuild(*platform));
    std::fflush(stdout);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, [&app] { app.exit(0); });
    return app.exec();
}
