#include <QDebug>

#include "app/ostrel.h"
#include "device/command_set.h"
#include "device/hotplug.h"
#include "image/version_label.h"

namespace {

void QtDebugLine(const std::string& line) {
    qDebug().noquote() << QString::fromStdString(line);
}

}  // namespace

XuDevice* Ostrel::SelectedDevice() const {
    bool ok = false;
    const qlonglong handle = ui.DeviceList->currentData(Qt::UserRole).toLongLong(&ok);
    const int index = ui.DeviceList->currentIndex();
    if (!ok || handle == 0 || index < 0 || index >= kDeviceTableSlots) {
        return nullptr;
    }
    // The row's handle is trusted only while the table still holds that device.
    XuDevice* device = deviceFilters[index].get();
    return reinterpret_cast<qlonglong>(device) == handle ? device : nullptr;
}

// The form connected this slot by name (by method index), which only the string form matches.
void Ostrel::DetachDeviceListSlot() {
    disconnect(ui.DeviceList, SIGNAL(currentIndexChanged(int)), this,
               SLOT(on_DeviceList_currentIndexChanged(int)));
}

int Ostrel::FillDeviceList() {
    DetachDeviceListSlot();
    ui.DeviceList->clear();
    int rows = 0;
    for (int slot = 0; slot < kDeviceTableSlots && deviceMonikers[slot] && deviceFilters[slot];
         ++slot) {
        std::string label;
        if (!GetDeviceLabel(deviceMonikers[slot].get(), &label)) {
            break;
        }
        const auto handle = reinterpret_cast<qlonglong>(deviceFilters[slot].get());
        ui.DeviceList->insertItem(rows, QString::fromStdString(label), QVariant(handle));
        ++rows;
    }
    if (rows > 0) {
        ui.DeviceList->setCurrentIndex(0);
        ShowDeviceVersion();
        connect(ui.DeviceList, SIGNAL(currentIndexChanged(int)), this,
                SLOT(on_DeviceList_currentIndexChanged(int)), Qt::UniqueConnection);
    }
    return rows;
}

void Ostrel::RefreshDeviceList() {
    DetachDeviceListSlot();
    ui.DeviceList->clear();
    for (int slot = 0; slot < kDeviceTableSlots; ++slot) {
        deviceMonikers[slot].reset();
        deviceFilters[slot].reset();
    }
    EnumVideoDevices(platform_, deviceMonikers, deviceFilters, deviceNodeIds);
    FillDeviceList();
}

void Ostrel::OnDeviceChange(const DeviceChange& change) {
    if (!IsCaptureDeviceChange(change, QtDebugLine)) {
        return;
    }
    if (busy != 0) {
        refreshAfterJob_ = true;
        return;
    }
    RefreshDeviceList();
}

void Ostrel::on_DeviceList_currentIndexChanged(int) {
    if (busy != 0) {
        versionAfterJob_ = true;
        return;
    }
    ShowDeviceVersion();
}

void Ostrel::ShowDeviceVersion() {
    XuDevice* device = SelectedDevice();
    if (device == nullptr) {
        return;
    }
    const uint32_t node = deviceNodeIds[ui.DeviceList->currentIndex()];
    uint16_t version = 0;
    std::string holder;
    // Another program's job on the camera would not survive the exchange.
    ui.label_Device_Ver->setText(!device->HeldElsewhere(&holder) &&
                                         DevReadDisplayVersion(device, node, &version) == kSOk
                                     ? FormatVersionLabel(version)
                                     : QString());
}

#ifdef Q_OS_WIN
bool Ostrel::nativeEvent(const QByteArray&, void* message, long*) {
    DeviceChange change;
    if (platform_.ReadWindowMessage(message, &change)) {
        OnDeviceChange(change);
    }
    return false;  // Qt goes on with every message
}
#endif
