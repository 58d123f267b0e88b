#include "cli/cli_devices.h"

#include <QFile>

#include "device/native_platform.h"
#include "device/sim/demo_cameras.h"
#include "device/sim/sim_platform.h"

namespace {

const QStringList kFaults = {"handshake", "write", "verify", "gone"};

const char* DirectionName(SimDirection direction) {
    switch (direction) {
        case SimDirection::kSet:
            return "set";
        case SimDirection::kGet:
            return "get";
        case SimDirection::kSizeQuery:
            break;
    }
    return "len";
}

QByteArray TraceLine(const SimTraffic& t) {
    QByteArray line =
        QByteArray(DirectionName(t.direction)) + " node=" + QByteArray::number(t.node) +
        " sel=" + QByteArray::number(t.selector) + " len=" + QByteArray::number(t.length) +
        " status=0x" +
        QByteArray::number(static_cast<uint32_t>(t.status), 16).rightJustified(8, '0');
    if (t.direction == SimDirection::kSizeQuery) {
        return line + " size=" + QByteArray::number(t.reportedSize) + '\n';
    }
    const QByteArray data(reinterpret_cast<const char*>(t.bytes.data()),
                          static_cast<int>(t.bytes.size()));
    return line + " data=" + data.toHex() + '\n';
}

}  // namespace

bool CliDevices::Open(const CliOptions& options, QString* error) {
    if (!options.simulateFault.isEmpty() &&
        (!options.simulate || !kFaults.contains(options.simulateFault))) {
        *error = QStringLiteral("--simulate-fault takes one of %1 and needs --simulate")
                     .arg(kFaults.join(", "));
        return false;
    }
    if (!options.simulate) {
        platform = CreateNativePlatform();
    } else if (options.simulateFault == "gone") {
        platform = std::make_unique<SimPlatform>();
    } else {
        platform = CreateDemoPlatform(&cameras);
    }
    count = std::max(0, EnumVideoDevices(*platform, monikers, filters, nodeIds));
    return true;
}

QString CliDevices::Label(int index) const {
    std::string label;
    return GetDeviceLabel(monikers[index].get(), &label) ? QString::fromStdString(label)
                                                         : QString();
}

void CliDevices::InjectFaultAfterDiscovery(const QString& fault) {
    for (const std::shared_ptr<SimCamera>& camera : cameras) {
        if (fault == "handshake") {
            camera->Model().SetHandshakeAnswer(0x00);
        } else if (fault == "write") {
            camera->Model().FailRequest(6, 2, kSimStall);
        } else if (fault == "verify") {
            camera->Model().CorruptReadBack(0);
        }
    }
}

bool CliDevices::WriteTrace(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (size_t i = 0; i < cameras.size(); ++i) {
        file.write("# camera " + QByteArray::number(static_cast<qulonglong>(i)) + '\n');
        for (const SimTraffic& t : cameras[i]->Model().Traffic()) {
            file.write(TraceLine(t));
        }
    }
    return file.error() == QFileDevice::NoError;
}
