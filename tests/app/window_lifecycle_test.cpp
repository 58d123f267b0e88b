#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSettings>

#include <cstring>

#include "tests/app/window_fixture.h"

namespace {

QStringList capturedWarnings;

void CaptureWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg) {
        capturedWarnings << text;
    }
}

}  // namespace

TEST_F(WindowTest, ComesUpWithoutDevicesAndItsWorkerThreadRuns) {
    Open();
    EXPECT_EQ(Widget<QComboBox>("DeviceList")->count(), 0);
    EXPECT_TRUE(Widget<QLabel>("label_Device_Ver")->text().isEmpty());
    EXPECT_TRUE(Widget<QPushButton>("pButnLoadFW")->isEnabled());
    EXPECT_TRUE(Widget<QPushButton>("pBtnResetDevice")->isEnabled());
    auto* firmwareBox = Widget<QCheckBox>("CheckMainProg");
    EXPECT_FALSE(firmwareBox->isVisibleTo(window.get()));
    EXPECT_TRUE(firmwareBox->isChecked());

    // A job the worker refuses still comes back: the worker thread is running.
    data_info job;
    std::memset(&job, 0, sizeof job);
    emit window->StartLoadFwThread(job);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 5000));
    EXPECT_EQ(boxes[0].text, "烧写失败");
}

TEST_F(WindowTest, ClosingTheWindowEndsTheWorkerThreadCleanly) {
    capturedWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CaptureWarnings);
    Open();
    window->show();
    window->close();
    window.reset();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(capturedWarnings.filter("QThread").isEmpty())
        << capturedWarnings.join("\n").toStdString();
}

TEST_F(WindowTest, InitialFileSizeComesFromTheRestoredPath) {
    QFile firmware(workDir.filePath("fw.bin"));
    ASSERT_TRUE(firmware.open(QIODevice::WriteOnly));
    firmware.write(QByteArray(2048, '\x5a'));
    firmware.close();
    {
        QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
        settings.setValue("/Firmware/Path", firmware.fileName());
    }
    Open();
    EXPECT_EQ(Widget<QLineEdit>("pEditFilePath")->text(), firmware.fileName());
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), "2048B");
}

TEST_F(WindowTest, EmptyOrMissingRestoredPathShowsItsSize) {
    Open();
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), "0");
    window.reset();
    {
        QSettings settings(CfgPath("Cfg.ini"), QSettings::IniFormat);
        settings.setValue("/Firmware/Path", workDir.filePath("gone.bin"));
    }
    Open();
    EXPECT_EQ(Widget<QLabel>("pC51SZ")->text(), "0B");
}

TEST_F(WindowTest, MetaObjectListsSignalAndSlotsInTheirOrder) {
    Open();
    const QMetaObject* meta = window->metaObject();
    EXPECT_STREQ(meta->className(), "Ostrel");
    const char* const expected[] = {
        "StartLoadFwThread(data_info)",        "on_pButnLoadFW_clicked()",
        "on_pButnFileC51_clicked()",           "on_pBtnResetDevice_clicked()",
        "on_checkBoxVerify_stateChanged(int)", "on_checkBoxResetDevice_stateChanged(int)",
        "HandleWorkerTheardState(qulonglong)", "on_DeviceList_currentIndexChanged(int)"};
    ASSERT_EQ(meta->methodCount() - meta->methodOffset(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(meta->method(meta->methodOffset() + i).methodSignature(), expected[i]) << i;
    }
    EXPECT_EQ(meta->method(meta->methodOffset()).methodType(), QMetaMethod::Signal);
}
