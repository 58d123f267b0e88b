#include "cli/cli_devices.h"

#include <QFile>

#include "device/platforms.h"
#include "device/sim/sim_trace.h"

namespace {

QString FaultNames() {
    QStringList names;
    for (const std::string& name : SimFaultNames()) {
        names << QString::fromStdString(name);
    }
    return names.join(", ");
}

}  // namespace

bool CliDevices::Open(const CliOptions& options, QString* error) {
    const std::optional<SimFault> parsed = ParseSimFault(options.simulateFault.toStdString());
    if (!parsed || (*parsed != SimFault::kNone && !options.simulate)) {
        *error = QStringLiteral("--simulate-fault takes one of %1 and needs --simulate")
                     .arg(FaultNames());
        return false;
    }
    fault = *parsed;
    platform = CreatePlatform(options.simulate ? PlatformKind::kSimulated : PlatformKind::kNative,
                              {fault, &cameras});
    count = std::max(0, EnumVideoDevices(*platform, monikers, filters, nodeIds));
    return true;
}

QString CliDevices::Label(int index) const {
    std::string label;
    return GetDeviceLabel(monikers[index].get(), &label) ? QString::fromStdString(label)
                                                         : QString();
}

void CliDevices::InjectFaultAfterDiscovery() {
    for (const std::shared_ptr<SimCamera>& camera : cameras) {
        InjectSimFault(fault, camera->Model());
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
            file.write(QByteArray::fromStdString(SimTrafficLine(t)) + '\n');
        }
    }
    return file.error() == QFileDevice::NoError;
}
