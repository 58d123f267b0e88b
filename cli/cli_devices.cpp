#include "cli/cli_devices.h"

#include <QFile>

#include "device/platforms.h"
#include "device/sim/demo_cameras.h"
#include "device/sim/sim_trace.h"

namespace {

// How long a simulated camera is away after its reset, about what a real one takes.
constexpr std::chrono::milliseconds kSimulatedReturn{250};

QString FaultNames() {
    QStringList names;
    for (const std::string& name : SimFaultNames()) {
        names << QString::fromStdString(name);
    }
    return names.join(", ");
}

}  // namespace

bool CliDevices::Open(const CliOptions& options, QString* error) {
    const int count = options.simulateCameras > 0 ? options.simulateCameras : kDemoCameraCount;
    const QString kind = options.simulateFault.section(QLatin1Char('@'), 0, 0);
    const QString place = options.simulateFault.section(QLatin1Char('@'), 1);
    bool placed = true;
    const int camera = place.isEmpty() ? -1 : place.toInt(&placed, 10);
    const std::optional<SimFault> parsed = ParseSimFault(kind.toStdString());
    if (!parsed || (*parsed != SimFault::kNone && !options.simulate) || !placed || camera < -1 ||
        camera >= count || options.simulateFault.count(QLatin1Char('@')) > 1) {
        *error = QStringLiteral(
                     "--simulate-fault takes one of %1, optionally @N for camera N only, and "
                     "needs --simulate")
                     .arg(FaultNames());
        return false;
    }
    fault_ = *parsed;
    faultyCamera_ = camera;
    SimLineup lineup;
    lineup.count = count;
    lineup.fault = fault_;
    lineup.faultyCamera = faultyCamera_;
    lineup.plugEvery = std::chrono::milliseconds(options.simulatePlugEvery);
    lineup.returnAfterReset = kSimulatedReturn;
    lineup.cameras = &cameras_;
    platform_ =
        CreatePlatform(options.simulate ? PlatformKind::kSimulated : PlatformKind::kNative, lineup);
    count_ = std::max(0, EnumVideoDevices(*platform_, monikers_, filters_, nodeIds_));
    return true;
}

QString CliDevices::Label(int index) const {
    std::string label;
    return GetDeviceLabel(monikers_[index].get(), &label) ? QString::fromStdString(label)
                                                          : QString();
}

CameraIdentity CliDevices::Identity(int index) const {
    return ReadIdentity(*monikers_[index], index);
}

void CliDevices::InjectFaultAfterDiscovery() {
    for (size_t i = 0; i < cameras_.size(); ++i) {
        if (faultyCamera_ < 0 || static_cast<size_t>(faultyCamera_) == i) {
            InjectSimFault(fault_, *cameras_[i]);
        }
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
