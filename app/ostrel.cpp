#include "app/ostrel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "device/discovery.h"

namespace {

QString OpenFirmwareDialog(QWidget* parent, const QString& startAt, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startAt, filter);
}

}  // namespace

Ostrel::Ostrel(DevicePlatform& devicePlatform, QWidget* parent)
    : QMainWindow(parent), platform_(devicePlatform), chooseFile_(OpenFirmwareDialog) {
    ui.setupUi(this);
    ui.CheckMainProg->setVisible(false);
    busy = 0;
    workDirPath = QDir::currentPath();
    cfgDirPath = workDirPath + QStringLiteral("/CfgFile");
    RestoreSettings();
    EnumVideoDevices(platform_, deviceMonikers, deviceFilters, deviceNodeIds);
    FillDeviceList();
    platform_.WatchDeviceChanges([this](const DeviceChange& change) { OnDeviceChange(change); });
#ifdef Q_OS_WIN
    // Windows sends them to this window as messages, which nativeEvent reads.
    platform_.ListenOnWindow(reinterpret_cast<void*>(winId()));
#endif
    ShowInitialFileSize();

    worker = new Worker;
    worker->moveToThread(&workerThread);
    connect(&workerThread, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &Ostrel::StartLoadFwThread, worker, &Worker::WorkerLoadFw);
    connect(worker, &Worker::WorkerTheardState, this, &Ostrel::HandleWorkerTheardState);
    workerThread.start();
}

Ostrel::~Ostrel() {
    // A running job has no cancellation: the quit takes effect when its slot returns.
    workerThread.quit();
    workerThread.wait();
}

void Ostrel::SetMessagePresenter(MessagePresenter presenter) {
    presentMessage_ = std::move(presenter);
}

void Ostrel::SetFileChooser(FileChooser chooser) {
    chooseFile_ = std::move(chooser);
}

void Ostrel::Warn(const QString& text) {
    presentMessage_(QMessageBox::Warning, text);
}

void Ostrel::ShowInitialFileSize() {
    const QString path = ui.pEditFilePath->text();
    if (!path.isEmpty()) {
        ui.pC51SZ->setText(QString::asprintf("%lldB", QFileInfo(path).size()));
    }
}
