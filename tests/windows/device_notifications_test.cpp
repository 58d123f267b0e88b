#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "device/hotplug.h"
#include "device/windows/device_notifications.h"
#include "device/windows/notification_filter.h"
#include "device/windows/windows_platform.h"
#include "tests/windows/broadcast_records.h"

namespace {

TEST(CaptureNotificationFilter, IsTheThirtyTwoByteCaptureClassRecord) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    std::memset(&filter, 0xCC, sizeof filter);
    FillCaptureNotificationFilter(&filter);

    const std::array<uint8_t, 32> expected = {0x20, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                                              0x00, 0x00, 0x00, 0x00, 0x3D, 0x77, 0xE8, 0x65,
                                              0x56, 0x8F, 0xD0, 0x11, 0xA3, 0xB9, 0x00, 0xA0,
                                              0xC9, 0x22, 0x31, 0x96, 0x00, 0x00, 0x00, 0x00};
    std::array<uint8_t, 32> bytes{};
    ASSERT_EQ(sizeof filter, bytes.size());
    std::memcpy(bytes.data(), &filter, bytes.size());
    EXPECT_EQ(bytes, expected);
}

TEST(CaptureNotifications, RegisterOnAWindow) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(RegisterCaptureNotifications(window));
    DestroyWindow(window);
}

MSG Message(UINT message, WPARAM wParam, const std::vector<uint8_t>* record) {
    MSG msg{};
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = record == nullptr ? 0 : reinterpret_cast<LPARAM>(record->data());
    return msg;
}

// What the window's hook makes of a message: whether it is a device change, and then the
// debug lines and the refresh decision of the shared hot-plug rules.
struct Outcome {
    bool isDeviceChange = false;
    DeviceChange change;
    std::vector<std::string> lines;
    bool refresh = false;
};

Outcome Handle(const MSG& msg) {
    Outcome out;
    const WindowsPlatform platform;
    out.isDeviceChange = platform.ReadWindowMessage(&msg, &out.change);
    if (out.isDeviceChange) {
        out.refresh = IsCaptureDeviceChange(
            out.change, [&](const std::string& line) { out.lines.push_back(line); });
    }
    return out;
}

const std::u16string kCameraName =
    u"\\\\?\\usb#vid_1d6b&pid_0102#6&1&0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::string kCameraNameUtf8 =
    "\\\\?\\usb#vid_1d6b&pid_0102#6&1&0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::string kCaptureText = "65E8773D-8F56-11D0-A3B9-00A0C9223196";

TEST(DeviceChangeMessage, CameraArrivalAndRemovalRefreshTheList) {
    const std::vector<uint8_t> record = InterfaceRecord(kCameraName + u'\0');

    const Outcome arrival = Handle(Message(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &record));
    ASSERT_TRUE(arrival.isDeviceChange);
    EXPECT_EQ(arrival.change.eventCode, kDbtDeviceArrival);
    EXPECT_EQ(arrival.change.deviceType, kDbtDevtypDeviceInterface);
    EXPECT_EQ(arrival.change.name, kCameraNameUtf8);
    EXPECT_EQ(arrival.lines, (std::vector<std::string>{kCameraNameUtf8, kCaptureText}));
    EXPECT_TRUE(arrival.refresh);

    const Outcome removal = Handle(Message(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &record));
    EXPECT_EQ(removal.lines, (std::vector<std::string>{"设备移除", kCameraNameUtf8, kCaptureText,
                                                       "USB视频设备移除！"}));
    EXPECT_TRUE(removal.refresh);
}

TEST(DeviceChangeMessage, RemovalOfAVolumeIsReportedButRefreshesNothing) {
    const std::vector<uint8_t> volume = BroadcastRecord(2, 20);
    const Outcome removal = Handle(Message(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &volume));
    ASSERT_TRUE(removal.isDeviceChange);
    EXPECT_EQ(removal.change.deviceType, 2u);
    EXPECT_EQ(removal.lines, std::vector<std::string>{"设备移除"});
    EXPECT_FALSE(removal.refresh);
}

TEST(DeviceChangeMessage, EventsWithoutARecordAreNotRead) {
    // DBT_DEVNODES_CHANGED has no record; an lParam that is not one must not be followed.
    const std::vector<uint8_t> garbage(4, 0xFF);
    const Outcome nodesChanged = Handle(Message(WM_DEVICECHANGE, 0x0007, &garbage));
    ASSERT_TRUE(nodesChanged.isDeviceChange);
    EXPECT_EQ(nodesChanged.change.eventCode, 0x0007u);
    EXPECT_EQ(nodesChanged.change.deviceType, 0u);
    EXPECT_FALSE(nodesChanged.refresh);

    const Outcome bare = Handle(Message(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, nullptr));
    ASSERT_TRUE(bare.isDeviceChange);
    EXPECT_EQ(bare.change.deviceType, 0u);
    EXPECT_EQ(bare.lines, std::vector<std::string>{"设备移除"});
    EXPECT_FALSE(bare.refresh);
}

TEST(DeviceChangeMessage, OtherMessagesAreNotDeviceChanges) {
    const std::vector<uint8_t> record = InterfaceRecord(kCameraName + u'\0');
    DeviceChange change;
    for (const UINT message : {UINT{WM_PAINT}, UINT{WM_DEVICECHANGE + 1}, UINT{WM_USER}}) {
        const MSG msg = Message(message, DBT_DEVICEARRIVAL, &record);
        EXPECT_FALSE(ReadDeviceChangeMessage(&msg, &change)) << message;
    }
    EXPECT_FALSE(ReadDeviceChangeMessage(nullptr, &change));
}

}  // namespace
