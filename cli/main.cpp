#include <QCoreApplication>

#include <cstdio>

#include "cli/cli_devices.h"
#include "cli/cli_help.h"
#include "cli/commands.h"
#ifdef _WIN32
#include "device/windows/com_apartment.h"
#endif

namespace {

int RunDeviceCommand(const CliOptions& options) {
    // Before discovery: a log that cannot take the records stops the run before any flash.
    FlashLog log;
    if (!options.logPath.isEmpty() && !log.Open(options.logPath)) {
        std::fprintf(stderr, "dovrane-cli: cannot open the flash log %s\n",
                     options.logPath.toLocal8Bit().constData());
        return kExitLog;
    }
    CliDevices devices;
    QString error;
    if (!devices.Open(options, &error)) {
        std::fprintf(stderr, "dovrane-cli: %s\n", error.toLocal8Bit().constData());
        return kExitUsage;
    }
    devices.InjectFaultAfterDiscovery();
    int status = kExitOk;
    if (options.command == "list") {
        status = RunList(options, devices);
    } else if (options.command == "flash") {
        status = RunFlash(options, devices, options.logPath.isEmpty() ? nullptr : &log);
    } else if (options.command == "watch") {
        status = RunWatch(options, devices, options.logPath.isEmpty() ? nullptr : &log);
    } else {
        status = RunReset(options, devices);
    }
    if (!options.tracePath.isEmpty() && !devices.WriteTrace(options.tracePath)) {
        std::fprintf(stderr, "dovrane-cli: cannot write the trace to %s\n",
                     options.tracePath.toLocal8Bit().constData());
        return status == kExitOk ? kExitFailure : status;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    const ComApartment com;  // device discovery and control are COM calls
#endif
    QCoreApplication app(argc, argv);
    CliOptions options;
    QString error;
    if (!ParseCliOptions(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "dovrane-cli: %s\n\n%s", error.toLocal8Bit().constData(),
                     CliHelpText().toLocal8Bit().constData());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(CliHelpText(options.command).toLocal8Bit().constData(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("dovrane-cli %s\n", DOVRANE_VERSION);
        return kExitOk;
    }
    if (options.command == "version") {
        return RunVersion(options);
    }
    if (options.command == "hex2bin") {
        return RunHexToBin(options);
    }
    if (options.command == "pack") {
        return RunPack(options);
    }
    return RunDeviceCommand(options);
}
