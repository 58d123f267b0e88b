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
    fault_ = *parsed;
    platform_ = CreatePlatform(options.simulate ? PlatformKind::kSimulated : PlatformKind::kNative,
                               {fault_, &cameras_});
    count_ = std::max(0, EnumVideoDevices(*platform_, monikers_, filters_, nodeIds_));
    return true;
}

QString CliDevices::Label(int index) const {
    std::string label;
    return GetDeviceLabel(monikers_[index].get(), &label) ? QString::fromStdString(label)
                                                          : QString();
}

void CliDevices::InjectFaultAfterDiscovery() {
    for (const std::shared_ptr<SimCamera>& camera : cameras_) {
        InjectSimFault(fault_, camera->Model());
    }
}

bool CliDevices::WriteTrace(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (size_t i = 0; i < cameras_.size(); ++i) {
        file.write("# camera " + QByteArray::number(static_cast<qulonglong>(i)) + '\n');
        for (const SimTraffic& t : cameras_[i]->Model().Traffic()) {
            file.write(QByteArray::fromStdString(SimTrafficLine(t)) + '\n');
        }
    }
    return file.error() == QFileDevice::NoError;
}
