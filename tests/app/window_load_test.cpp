#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>

#include "image/fw_image.h"
#include "tests/app/window_fixture.h"

namespace {

const char* const kBootHex = ":0400000011223344EE\r\n:00000001FF\r\n";

class LoadTest : public WindowTest {
  protected:
    // A binary firmware of `size` bytes in the working directory, chosen in the path field.
    QByteArray ChooseBinary(int size) {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(i * 7 + 3);
        }
        QFile file(workDir.filePath("fw.bin"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        Widget<QLineEdit>("pEditFilePath")->setText(file.fileName());
        return bytes;
    }

    void WriteBootSoftware() {
        QFile boot(CfgPath("boot_sw.hex"));
        ASSERT_TRUE(boot.open(QIODevice::WriteOnly));
        boot.write(kBootHex);
    }

    static std::vector<uint8_t> Bytes(const QByteArray& data) {
        return std::vector<uint8_t>(data.begin(), data.end());
    }

    static int Count(const SimCamera& camera, SimDirection direction, uint32_t selector) {
        int count = 0;
        for (const SimTraffic& t : const_cast<SimCamera&>(camera).Model().Traffic()) {
            count += t.direction == direction && t.selector == selector ? 1 : 0;
        }
        return count;
    }
};

}  // namespace

TEST_F(LoadTest, WithoutDevicesBothButtonsAskForOne) {
    Open();
    Widget<QPushButton>("pButnLoadFW")->click();
    Widget<QPushButton>("pBtnResetDevice")->click();
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.text, "请选择一个设备");
    }
}

TEST_F(LoadTest, FailedOpenSequenceStartsNoJob) {
    auto camera = AddCamera();
    Open();
    ChooseBinary(64);
    camera->Model().SetHandshakeAnswer(0x00);
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "设备初始化失败");
    EXPECT_TRUE(Widget<QPushButton>("pButnLoadFW")->isEnabled());
    EXPECT_EQ(Count(*camera, SimDirection::kSet, 4), 0);
}

TEST_F(LoadTest, BinaryFirmwareIsWrittenVerifiedAndReportedWithItsTime) {
    auto camera = AddCamera();
    Open();
    const QByteArray firmware = ChooseBinary(1000);
    Widget<QLineEdit>("mEditAddrOffset")->setText("8000");
    Widget<QCheckBox>("checkBoxVerify")->setChecked(true);
    Widget<QCheckBox>("checkBoxResetDevice")->setChecked(true);

    Widget<QPushButton>("pButnLoadFW")->click();
    EXPECT_FALSE(Widget<QPushButton>("pButnLoadFW")->isEnabled());
    EXPECT_FALSE(Widget<QPushButton>("pBtnResetDevice")->isEnabled());
    ASSERT_TRUE(WaitUntilIdle());

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(QRegularExpression("^烧写成功 时间:\\d+ms$").match(boxes[0].text).hasMatch())
        << boxes[0].text.toStdString();
    EXPECT_EQ(camera->Model().Memory(2, 0x8000, 1000), Bytes(firmware));
    EXPECT_EQ(camera->Model().ResetCount(), 1u);
    EXPECT_EQ(Count(*camera, SimDirection::kSet, 4), 2);  // one write, one read-back
    EXPECT_TRUE(camera->Model().ProtocolErrors().empty());
    EXPECT_TRUE(Widget<QPushButton>("pBtnResetDevice")->isEnabled());
}

TEST_F(LoadTest, VersionWordOneAddsTheBootSoftwareFirst) {
    SimCameraConfig config;
    config.xu.versionWord = 1;
    auto camera = AddCamera(config);
    WriteBootSoftware();
    Open();
    const QByteArray firmware = ChooseBinary(100);
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(camera->Model().Memory(1, 0, 4), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(camera->Model().Memory(2, 0, 100), Bytes(firmware));
}

TEST_F(LoadTest, VersionWordTwoSendsNoBootSoftware) {
    SimCameraConfig config;
    config.xu.versionWord = 2;
    auto camera = AddCamera(config);
    WriteBootSoftware();
    Open();
    ChooseBinary(100);
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Count(*camera, SimDirection::kSet, 4), 1);
}

TEST_F(LoadTest, FailedWriteShowsFailureAndTheWindowBecomesIdle) {
    auto camera = AddCamera();
    Open();
    ChooseBinary(200);
    camera->Model().FailRequest(6, 2, kEFail);
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes[0].text, "烧写失败");
}

TEST_F(LoadTest, PreparationFailureShowsItsMessageAndStaysIdle) {
    AddCamera();
    Open();
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "请输入固件路径");
    EXPECT_TRUE(Widget<QPushButton>("pButnLoadFW")->isEnabled());
}

TEST_F(LoadTest, SecondClickWhileBusyDoesNothing) {
    auto camera = AddCamera();
    Open();
    ChooseBinary(64);
    auto* load = Widget<QPushButton>("pButnLoadFW");
    load->click();
    QMetaObject::invokeMethod(window.get(), "on_pButnLoadFW_clicked");
    QMetaObject::invokeMethod(window.get(), "on_pBtnResetDevice_clicked");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Count(*camera, SimDirection::kSet, 4), 1);
    EXPECT_EQ(camera->Model().ResetCount(), 0u);
}

TEST_F(LoadTest, ProgressReportsMoveTheBarAndUnknownCodesAreIgnored) {
    Open();
    auto* bar = Widget<QProgressBar>("ProgsBar");
    auto report = [this](uint32_t kind, uint32_t value) {
        window->HandleWorkerTheardState((qulonglong{kind} << 32) | value);
    };
    report(2, 0);
    report(3, 1000);
    report(1, 400);
    EXPECT_EQ(bar->value(), 400);
    report(1, 1024);  // packets can pass the job total
    EXPECT_EQ(bar->value(), 1000);
    report(1, 0xFFFFFFF0u);  // compared as unsigned
    EXPECT_EQ(bar->value(), 1000);
    report(7, 5);
    report(0, 5);
    EXPECT_EQ(bar->value(), 1000);
    EXPECT_TRUE(boxes.empty());
    report(4, 15320);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "烧写成功 时间:15320ms");
}

TEST_F(LoadTest, ResetButtonAddressesNodeOne) {
    auto elsewhere = AddCamera();  // its extension unit is node 4
    SimCameraConfig onNodeOne;
    onNodeOne.xuNode = 1;
    auto atOne = AddCamera(onNodeOne, 0x0200);
    Open();
    auto* list = Widget<QComboBox>("DeviceList");
    ASSERT_EQ(list->count(), 2);

    Widget<QPushButton>("pBtnResetDevice")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "设备初始化失败");
    EXPECT_EQ(elsewhere->Model().ResetCount(), 0u);

    list->setCurrentIndex(1);
    Widget<QPushButton>("pBtnResetDevice")->click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(atOne->Model().ResetCount(), 1u);
}

// A camera pulled out in the middle of its packets: the job fails rather than hangs, the
// window is idle again and the list follows the removal once the job is over.
TEST_F(LoadTest, CameraPulledOutMidWriteFailsAndLeavesTheList) {
    AddCamera({}, 0x0105, "Other Camera");
    auto pulled = AddCamera();
    Open();
    auto* list = Widget<QComboBox>("DeviceList");
    ASSERT_EQ(list->count(), 2);
    list->setCurrentIndex(1);
    ChooseBinary(4000);
    pulled->Model().SetLatency(std::chrono::microseconds(500));
    pulled->Model().VanishAfter(6 + 3 + 40);  // the open, the transfer's opening, 40 packets
    Widget<QPushButton>("pButnLoadFW")->click();
    const auto gone = [&pulled] {
        const std::vector<SimTraffic> traffic = pulled->Model().Traffic();
        return !traffic.empty() && traffic.back().status == kSimDeviceGone;
    };
    ASSERT_TRUE(QTest::qWaitFor(gone, 20000));
    ASSERT_TRUE(platform.Unplug(SimDevicePath(0x1d6b, 0x0102, 0x0102)));

    auto* load = Widget<QPushButton>("pButnLoadFW");
    ASSERT_TRUE(QTest::qWaitFor([load] { return load->isEnabled(); }, 5000));
    EXPECT_TRUE(Widget<QPushButton>("pBtnResetDevice")->isEnabled());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "烧写失败");
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->count() == 1; }, 5000));
    EXPECT_TRUE(list->itemText(0).startsWith("Other Camera"));
}

// Another program flashing the camera: the load refuses with the open failure and neither it
// nor the version display sends the camera anything.
TEST_F(LoadTest, CameraHeldByAnotherProgramGetsNoTraffic) {
    auto camera = AddCamera();
    Open();
    ChooseBinary(100);
    camera->HoldElsewhere("dovrane-cli (pid 4242)");
    camera->Model().ClearTraffic();
    Widget<QComboBox>("DeviceList")->setCurrentIndex(0);
    Widget<QPushButton>("pButnLoadFW")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "设备初始化失败");
    EXPECT_TRUE(Widget<QPushButton>("pButnLoadFW")->isEnabled());
    EXPECT_TRUE(camera->Model().Traffic().empty());
}
