#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cstdio>

#include "cli/commands.h"
#include "cli/progress.h"
#include "device/command_set.h"
#include "download/worker.h"
#include "image/prepare_fw_image.h"
#include "image/version_label.h"

namespace {

void PrintLine(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

QString DisplayVersion(CliDevices& devices, int index) {
    uint16_t version = 0;
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
    if (options.verbose) {
        for (const std::string& skipped : devices.Skipped()) {
            PrintLine(stderr, QStringLiteral("skipped %1").arg(QString::fromStdString(skipped)));
        }
    }
    return kExitOk;
}

int RunFlash(const CliOptions& options, CliDevices& devices) {
    if (!SelectDevice(options, devices)) {
        return kExitNoDevice;
    }
    XuDevice* device = devices.Device(options.device);
    const uint32_t node = devices.Node(options.device);
    uint16_t version = 0;
    uint16_t packetLength = 0;
    if (DevOpen(device, NodeAddress::Id(node), &version, &packetLength) != kSOk) {
        PrintLine(stderr, QStringLiteral("设备初始化失败"));
        return kExitOpen;
    }
    data_info job = NewJob(device, node, options.verify, options.reset);
    const PrepareInputs inputs{QDir::currentPath() + QStringLiteral("/CfgFile"),
                               options.arguments[0], options.address, true};
    if (PrepareFwImage(inputs, version == 1, job,
                       [](const QString& text) { PrintLine(stderr, text); }) != 0) {
        return kExitPrepare;
    }

    Worker worker;
    ProgressPrinter progress(stderr, isatty(fileno(stderr)) != 0);
    uint32_t resultKind = Worker::kFailed;
    uint32_t elapsed = 0;
    QObject::connect(&worker, &Worker::WorkerTheardState, [&](qulonglong state) {
        progress.OnReport(state);
        const auto kind = static_cast<uint32_t>(state >> 32);
        if (kind == Worker::kSucceeded || kind == Worker::kFailed) {
            resultKind = kind;
            elapsed = static_cast<uint32_t>(state);
        }
    });
    worker.WorkerLoadFw(job);
    if (resultKind == Worker::kSucceeded) {
        PrintLine(stdout, QStringLiteral("烧写成功 时间:%1ms").arg(elapsed));
        return kExitOk;
    }
    PrintLine(stderr, QStringLiteral("烧写失败"));
    return progress.Pass() >= 2 ? kExitVerify : kExitWrite;
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
