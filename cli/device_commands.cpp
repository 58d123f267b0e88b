#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cstdio>

#include "cli/commands.h"
#include "cli/flash_outcome.h"
#include "cli/progress.h"
#include "device/command_set.h"
#include "device/skipped_summary.h"
#include "download/flash_session.h"
#include "image/version_label.h"

namespace {

void PrintLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

QString DisplayVersion(CliDevices& devices, int index) {
    uint16_t version = 0;
    std::string holder;
    if (devices.Device(index)->HeldElsewhere(&holder)) {
        return QStringLiteral("busy");  // the exchange would break that job
    }
    return DevReadDisplayVersion(devices.Device(index), devices.Node(index), &version) == kSOk
               ? FormatVersionLabel(version)
               : QString();
}

// The selected device, or a message and the no-device status.
bool SelectDevice(const CliOptions& options, const CliDevices& devices) {
    if (options.device < devices.Count()) {
        return true;
    }
    PrintLine(stderr, QStringLiteral("请选择一个设备"));
    return false;
}

}  // namespace

// A flash that found no camera because another process is flashing it says so.
int NoDeviceStatus(const CliDevices& devices) {
    if (!AnyHeldForAJob(devices.Skipped())) {
        return kExitNoDevice;
    }
    PrintLine(stderr, QString::fromStdString(SummariseSkipped(devices.Skipped())));
    return kExitBusy;
}

int RunList(const CliOptions& options, CliDevices& devices) {
    QJsonArray rows;
    for (int i = 0; i < devices.Count(); ++i) {
        const QString label = devices.Label(i);
        const QString version = DisplayVersion(devices, i);
        if (options.json) {
            rows.append(QJsonObject{{"index", i},
                                    {"label", label},
                                    {"node", static_cast<qint64>(devices.Node(i))},
                                    {"version", version}});
        } else {
            PrintLine(stdout, QStringLiteral("%1  %2  node %3  %4")
                                  .arg(i)
                                  .arg(label)
                                  .arg(devices.Node(i))
                                  .arg(version));
        }
    }
    if (options.json) {
        std::fputs(QJsonDocument(rows).toJson(QJsonDocument::Indented).constData(), stdout);
    } else if (devices.Count() == 0) {
        PrintLine(stderr, QStringLiteral("no device found"));
    }
    const std::string passedOver = SummariseSkipped(devices.Skipped());
    if (devices.Count() == 0 && !options.verbose && !passedOver.empty()) {
        PrintLine(stderr,
                  QString::fromStdString(passedOver) + QStringLiteral(" (--verbose names them)"));
    }
    if (options.verbose) {
        for (const std::string& skipped : devices.Skipped()) {
            PrintLine(stderr, QStringLiteral("skipped %1").arg(QString::fromStdString(skipped)));
        }
    }
    return kExitOk;
}

FlashOrder OrderOf(const CliOptions& options) {
    return {{QDir::currentPath() + QStringLiteral("/CfgFile"), options.arguments[0],
             options.address, true},
            options.verify,
            options.reset,
            FileVersionWord(options.arguments[0])};
}

int RunFlash(const CliOptions& options, CliDevices& devices, FlashLog* log) {
    if (options.all) {
        return RunFlashAll(options, devices, log);
    }
    if (!SelectDevice(options, devices)) {
        return NoDeviceStatus(devices);
    }
    const FlashOrder order = OrderOf(options);
    const FileDigest firmware =
        log != nullptr ? DigestFile(order.inputs.firmwarePath) : FileDigest{};
    ProgressPrinter progress(stderr, isatty(fileno(stderr)) != 0);
    CameraRoster roster(devices.Platform());
    const CameraIdentity camera = devices.Identity(options.device);
    const FlashResult result = RunFlashSession(
        devices.Device(options.device), devices.Node(options.device), order,
        [](const QString& text) { PrintLine(stderr, text); },
        [&progress](const Worker::Report& report, const JobProgress&) {
            progress.OnReport(report);
        },
        {ReturnCheck(options, roster, camera), nullptr});
    const QString message = JobMessage(result);
    if (!message.isEmpty()) {
        PrintLine(result.jobSucceeded ? stdout : stderr, message);
    }
    if (result.cameBack) {
        PrintLine(stdout, DescribeReturn(result));
    }
    if (!result.succeeded) {
        PrintLine(stderr, DescribeFailure(result));
    }
    if (!AppendRecord(log, FlashRecord(camera, order, firmware, result))) {
        WarnLogMissedRecords();
    }
    return FlashExitCode(result);
}

int RunReset(const CliOptions& options, CliDevices& devices) {
    if (!SelectDevice(options, devices)) {
        return kExitNoDevice;
    }
    XuDevice* device = devices.Device(options.device);
    uint16_t version = 0;
    uint16_t packetLength = 0;
    if (DevOpen(device, NodeAddress::Node1(), &version, &packetLength) != kSOk) {
        PrintLine(stderr, QStringLiteral("设备初始化失败"));
        return kExitOpen;
    }
    DevReset(device, NodeAddress::Node1());
    return kExitOk;
}
