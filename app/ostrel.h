#pragma once

#include <QMainWindow>
#include <QThread>

#include <cstdint>
#include <functional>
#include <memory>

#include "app/message_box.h"
#include "device/discovery.h"
#include "device/platform.h"
#include "download/flash_session.h"
#include "download/worker.h"
#include "ui_ostrel.h"

// Opens the firmware file dialog: parent, start location and filter; empty when cancelled.
using FileChooser =
    std::function<QString(QWidget* parent, const QString& startAt, const QString& filter)>;

// The main window: owns the form, the device table, the settings location, the busy flag and
// the worker with its thread.
class Ostrel : public QMainWindow {
    Q_OBJECT

  public:
    explicit Ostrel(DevicePlatform& platform, QWidget* parent = nullptr);
    ~Ostrel() override;

    void SetMessagePresenter(MessagePresenter presenter);
    void SetFileChooser(FileChooser chooser);

  signals:
    void StartLoadFwThread(const data_info& info);

    // The slots carry the names the window is known by; Qt connects on_<object>_<signal> to
    // the form by name.
    // NOLINTBEGIN(readability-identifier-naming)
  private slots:
    void on_pButnLoadFW_clicked();
    void on_pButnFileC51_clicked();
    void on_pBtnResetDevice_clicked();
    void on_checkBoxVerify_stateChanged(int state);
    void on_checkBoxResetDevice_stateChanged(int state);

  public slots:
    void HandleWorkerTheardState(qulonglong state);
    void on_DeviceList_currentIndexChanged(int id);
    // NOLINTEND(readability-identifier-naming)

#ifdef Q_OS_WIN
  protected:
    // Capture-device arrivals and removals (WM_DEVICECHANGE); never consumes a message.
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

  private:
    // Settings store (CfgFile/Cfg.ini).
    void WriteCfgValue(const QString& key, const QString& value);
    void ReadCfgValue(const QString& key, QString& value);
    void RestoreSettings();

    // Device list and hot-plug.
    void DetachDeviceListSlot();
    int FillDeviceList();
    void RefreshDeviceList();
    void OnDeviceChange(const DeviceChange& change);
    void ShowDeviceVersion();
    XuDevice* SelectedDevice() const;
    // The selected device, or null after telling the operator to choose one.
    XuDevice* DeviceForAction();
    void RunDeferredDeviceTraffic();

    // What the load action flashes: the form's file, address and options.
    FlashOrder LoadOrder() const;
    void ShowInitialFileSize();
    void Warn(const QString& text);

    // The members the window is known by keep their names.
    // NOLINTBEGIN(readability-identifier-naming)
    Ui::OstrelClass ui;
    QThread workerThread;
    Worker* worker = nullptr;
    MonikerTable deviceMonikers;
    FilterTable deviceFilters;
    NodeIdTable deviceNodeIds;
    QString workDirPath;
    QString cfgDirPath;
    int32_t busy = 0;
    // NOLINTEND(readability-identifier-naming)

    DevicePlatform& platform_;
    MessagePresenter presentMessage_ = ShowMessageBox;
    FileChooser chooseFile_;
    // While a job runs only the job talks to devices: these wait for its finished report.
    std::shared_ptr<XuDevice> jobDevice_;
    bool refreshAfterJob_ = false;
    bool versionAfterJob_ = false;
};
