#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "tests/app/window_fixture.h"

namespace {

int VersionRequests(SimCamera& camera) {
    int count = 0;
    for (const SimTraffic& t : camera.Model().Traffic()) {
        count += t.direction == SimDirection::kSet && t.selector == 9 ? 1 : 0;
    }
    return count;
}

SimCameraConfig WithDisplayVersion(uint16_t version) {
    SimCameraConfig config;
    config.xu.displayVersion = version;
    return config;
}

}  // namespace

TEST_F(WindowTest, ListShowsEveryQualifyingDeviceAndTheFirstOnesVersion) {
    auto first = AddCamera(WithDisplayVersion(0x0213), 0x0102, "First");
    auto second = AddCamera(WithDisplayVersion(0x1A2B), 0x0a0b, "Second");
    Open();
    auto* list = Widget<QComboBox>("DeviceList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "First    VID_1D6B&PID_0102");
    EXPECT_EQ(list->itemText(1), "Second    VID_1D6B&PID_0A0B");
    EXPECT_EQ(list->itemData(1).toLongLong(), reinterpret_cast<qlonglong>(second.get()));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(Widget<QLabel>("label_Device_Ver")->text(), "V2.1.3");
    EXPECT_EQ(VersionRequests(*first), 1);

    list->setCurrentIndex(1);
    EXPECT_EQ(Widget<QLabel>("label_Device_Ver")->text(), "V1a.2.b");
    EXPECT_EQ(VersionRequests(*second), 1);
}

TEST_F(WindowTest, FailedVersionExchangeEmptiesTheLabel) {
    AddCamera(WithDisplayVersion(0x0213));
    auto broken = AddCamera({}, 0x0200);
    Open();
    EXPECT_EQ(Widget<QLabel>("label_Device_Ver")->text(), "V2.1.3");
    broken->Model().FailRequest(9, 1, kEFail);
    Widget<QComboBox>("DeviceList")->setCurrentIndex(1);
    EXPECT_TRUE(Widget<QLabel>("label_Device_Ver")->text().isEmpty());
}

TEST_F(WindowTest, ArrivalAndRemovalRebuildTheListWithRowZeroSelected) {
    auto first = AddCamera({}, 0x0102, "First");
    Open();
    auto* list = Widget<QComboBox>("DeviceList");
    list->setCurrentIndex(0);

    auto second = AddCamera({}, 0x0200, "Second");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(VersionRequests(*first), 2);  // once at start-up, once after the refresh

    list->setCurrentIndex(1);
    ASSERT_TRUE(platform.Unplug(SimDevicePath(0x1d6b, 0x0102, 0x0102)));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), "Second    VID_1D6B&PID_0200");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(WindowTest, OtherDeviceChangesLeaveTheListAlone) {
    auto camera = AddCamera();
    Open();
    const int requests = VersionRequests(*camera);
    platform.Notify({kDbtDeviceRemoveComplete, 2, ""});
    platform.Notify(
        {kDbtDeviceArrival, 5, "\\\\?\\usb#vid_1&pid_2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"});
    platform.Notify({0x0007, 5, SimDevicePath(0x1d6b, 0x0102, 0x0102)});
    EXPECT_EQ(VersionRequests(*camera), requests);
    EXPECT_EQ(Widget<QComboBox>("DeviceList")->count(), 1);
}

TEST_F(WindowTest, HotPlugDuringAJobWaitsForItsEnd) {
    auto camera = AddCamera();
    Open();
    QFile firmware(workDir.filePath("fw.bin"));
    ASSERT_TRUE(firmware.open(QIODevice::WriteOnly));
    firmware.write(QByteArray(4096, '\x11'));
    firmware.close();
    Widget<QLineEdit>("pEditFilePath")->setText(firmware.fileName());
    camera->Model().SetLatency(std::chrono::milliseconds(2));

    Widget<QPushButton>("pButnLoadFW")->click();
    AddCamera({}, 0x0200, "Late");
    Widget<QComboBox>("DeviceList")->setCurrentIndex(0);
    auto* list = Widget<QComboBox>("DeviceList");
    EXPECT_EQ(list->count(), 1);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(list->count(), 2);

    // Nothing but the job spoke to the device until its end command.
    const std::vector<SimTraffic> traffic = camera->Model().Traffic();
    size_t end = 0;
    for (size_t i = 0; i < traffic.size(); ++i) {
        if (traffic[i].direction == SimDirection::kSet && traffic[i].selector == 8) {
            end = i;
        }
    }
    ASSERT_GT(end, 0u);
    size_t firstBegin = traffic.size();
    for (size_t i = 0; i < traffic.size(); ++i) {
        if (traffic[i].selector == 4) {
            firstBegin = std::min(firstBegin, i);
        }
    }
    for (size_t i = firstBegin; i <= end; ++i) {
        EXPECT_TRUE(traffic[i].selector >= 4 && traffic[i].selector <= 8) << "request " << i;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
}

TEST_F(WindowTest, RepeatedRefreshesHoldNoExtraReferences) {
    auto camera = AddCamera();
    Open();
    const long held = camera.use_count();  // the test, the platform and the device table
    for (int i = 0; i < 50; ++i) {
        platform.Notify({kDbtDeviceArrival, kDbtDevtypDeviceInterface,
                         SimDevicePath(0x1d6b, 0x0102, 0x0102)});
    }
    EXPECT_EQ(Widget<QComboBox>("DeviceList")->count(), 1);
    EXPECT_EQ(camera.use_count(), held);
}
