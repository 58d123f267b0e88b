#include "app/ostrel.h"
#include "device/command_set.h"
#include "download/flash_session.h"
#include "download/thread_handoff.h"

XuDevice* Ostrel::DeviceForAction() {
    XuDevice* device = SelectedDevice();
    if (device == nullptr) {
        Warn(QStringLiteral("请选择一个设备"));
    }
    return device;
}

void Ostrel::on_pButnLoadFW_clicked() {
    if (busy != 0) {
        return;
    }
    XuDevice* device = DeviceForAction();
    if (device == nullptr) {
        return;
    }
    const int index = ui.DeviceList->currentIndex();
    const PreparedJob prepared = OpenAndPrepare(device, deviceNodeIds[index], LoadOrder(),
                                                [this](const QString& text) { Warn(text); });
    if (prepared.failedStep != FlashStep::kNone) {
        return;
    }
    jobDevice_ = deviceFilters[index];  // the handle outlives any refresh until the job ends
    HandOver(worker);
    emit StartLoadFwThread(prepared.job);
    ui.pButnLoadFW->setEnabled(false);
    ui.pBtnResetDevice->setEnabled(false);
    busy = 1;
}

void Ostrel::on_pBtnResetDevice_clicked() {
    if (busy != 0) {
        return;
    }
    XuDevice* device = DeviceForAction();
    if (device == nullptr) {
        return;
    }
    uint16_t version = 0;
    uint16_t packetLength = 0;
    if (DevOpen(device, NodeAddress::Node1(), &version, &packetLength) != kSOk) {
        Warn(QStringLiteral("设备初始化失败"));
        return;
    }
    DevReset(device, NodeAddress::Node1());
}

void Ostrel::HandleWorkerTheardState(qulonglong state) {
    const Worker::Report report = Worker::DecodeReport(state);
    const uint32_t value = report.value;
    switch (report.kind) {
        case Worker::kProgressValue: {
            const auto maximum = static_cast<uint32_t>(ui.ProgsBar->maximum());
            ui.ProgsBar->setValue(static_cast<int>(value > maximum ? maximum : value));
            break;
        }
        case Worker::kProgressMinimum:
            ui.ProgsBar->setMinimum(static_cast<int>(value));
            break;
        case Worker::kProgressMaximum:
            ui.ProgsBar->setMaximum(static_cast<int>(value));
            break;
        case Worker::kSucceeded:
            presentMessage_(QMessageBox::Information,
                            QStringLiteral("烧写成功 时间:%1ms").arg(value));
            break;
        case Worker::kFailed:
            Warn(QStringLiteral("烧写失败"));
            break;
        case Worker::kFinished:
            busy = 0;
            ui.pButnLoadFW->setEnabled(true);
            ui.pBtnResetDevice->setEnabled(true);
            if (jobDevice_) {
                jobDevice_->ReleaseJob();  // the job's claim against other programs
            }
            jobDevice_.reset();
            RunDeferredDeviceTraffic();
            break;
        default:
            break;
    }
}

void Ostrel::RunDeferredDeviceTraffic() {
    const bool refresh = refreshAfterJob_;
    const bool version = versionAfterJob_;
    refreshAfterJob_ = false;
    versionAfterJob_ = false;
    if (refresh) {
        RefreshDeviceList();  // shows the selected device's version itself
    } else if (version) {
        ShowDeviceVersion();
    }
}
