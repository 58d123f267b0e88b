#include <gtest/gtest.h>

#include "device/discovery.h"
#include "device/sim/sim_camera.h"
#include "device/sim/sim_platform.h"
#include "device/skipped_summary.h"

namespace {

struct Table {
    MonikerTable monikers;
    FilterTable filters;
    NodeIdTable nodeIds{};
};

SimDeviceEntry Camera(SimCameraConfig config = {}, const char* name = "Cam",
                      uint16_t productId = 0x0102) {
    SimDeviceEntry entry;
    entry.friendlyName = name;
    entry.devicePath = SimDevicePath(0x1d6b, productId, 1);
    entry.filter = std::make_shared<SimCamera>(std::move(config));
    return entry;
}

SimCamera& SimOf(const SimDeviceEntry& entry) {
    return static_cast<SimCamera&>(*entry.filter);
}

int UsedSlots(const Table& table) {
    int used = 0;
    while (used < kDeviceTableSlots && table.monikers[used] && table.filters[used]) {
        ++used;
    }
    return used;
}

}  // namespace

TEST(Discovery, SecondVendorNodeWinsWhenTheFirstRefusesTheHandshake) {
    SimCameraConfig config;
    config.xuNode = 4;
    config.secondXuNode = 5;
    SimDeviceEntry entry = Camera(config);
    SimOf(entry).ModelAt(4)->SetHandshakeAnswer(0x55);
    SimPlatform platform;
    platform.Plug(entry);

    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 1);
    EXPECT_EQ(table.nodeIds[0], 5u);

    // The refusing node saw the initialise and both first handshake steps, and no 0xC3.
    const std::vector<SimTraffic> traffic = SimOf(entry).ModelAt(4)->Traffic();
    ASSERT_EQ(traffic.size(), 3u);
    EXPECT_EQ(traffic[0].selector, 1u);
    EXPECT_EQ(traffic[0].bytes, std::vector<uint8_t>{0xAA});
    EXPECT_EQ(traffic[1].bytes, std::vector<uint8_t>{0x87});
    EXPECT_EQ(traffic[2].direction, SimDirection::kGet);
    EXPECT_EQ(traffic[2].bytes, std::vector<uint8_t>{0x55});
}

TEST(Discovery, FirstAnsweringVendorNodeWinsAndTheSecondIsNeverProbed) {
    SimCameraConfig config;
    config.xuNode = 4;
    config.secondXuNode = 6;
    SimDeviceEntry entry = Camera(config);
    SimPlatform platform;
    platform.Plug(entry);

    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 1);
    EXPECT_EQ(table.nodeIds[0], 4u);
    EXPECT_TRUE(SimOf(entry).ModelAt(6)->Traffic().empty());
    // Discovery leaves the accepted device's command channel initialised.
    EXPECT_TRUE(SimOf(entry).ModelAt(4)->SessionOpen());
}

struct RejectCase {
    const char* name;
    void (*breakIt)(SimDeviceEntry& entry, SimCameraConfig& config);
    void (*breakCamera)(SimCamera& camera) = nullptr;  // what only the made camera can have
};

class DiscoveryRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(DiscoveryRejects, SkipsTheBrokenDeviceAndKeepsTheNextOne) {
    SimDeviceEntry broken;
    SimCameraConfig config;
    GetParam().breakIt(broken, config);
    SimDeviceEntry entry = Camera(config, "Broken");
    if (GetParam().breakCamera != nullptr) {
        GetParam().breakCamera(SimOf(entry));
    }
    entry.propertyBagFails = broken.propertyBagFails;
    entry.devicePathUnreadable = broken.devicePathUnreadable;
    entry.bindFails = broken.bindFails;
    SimPlatform platform;
    platform.Plug(entry);
    platform.Plug(Camera({}, "Good", 0x0200));

    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 1);
    std::string label;
    ASSERT_TRUE(GetDeviceLabel(table.monikers[0].get(), &label));
    EXPECT_EQ(label.rfind("Good", 0), 0u) << label;
    EXPECT_EQ(UsedSlots(table), 1);
    if (GetParam().breakCamera != nullptr) {
        EXPECT_TRUE(SimOf(entry).Model().Traffic().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DiscoveryRejects,
    ::testing::Values(
        RejectCase{"NoPropertyBag",
                   [](SimDeviceEntry& e, SimCameraConfig&) { e.propertyBagFails = true; }},
        RejectCase{"NoDevicePath",
                   [](SimDeviceEntry& e, SimCameraConfig&) { e.devicePathUnreadable = true; }},
        RejectCase{"FilterCannotBind",
                   [](SimDeviceEntry& e, SimCameraConfig&) { e.bindFails = true; }},
        RejectCase{"NoTopology", [](SimDeviceEntry&, SimCameraConfig& c) { c.noTopology = true; }},
        RejectCase{"NoNodes", [](SimDeviceEntry&, SimCameraConfig& c) { c.zeroNodes = true; }},
        RejectCase{"NoControl", [](SimDeviceEntry&, SimCameraConfig& c) { c.noControl = true; }},
        RejectCase{"VendorNodeTypeUnreadable",
                   [](SimDeviceEntry&, SimCameraConfig& c) { c.unreadableNodeTypes = {4}; }},
        // Another program's job: the probe's initialise would abort it, so nothing is sent.
        RejectCase{"HeldForAnotherProgramsJob", [](SimDeviceEntry&, SimCameraConfig&) {},
                   [](SimCamera& camera) { camera.HoldElsewhere("dovrane-cli (pid 4242)"); }}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Discovery, TableHoldsTenDevicesAndTheEleventhIsNeverProbed) {
    SimPlatform platform;
    std::vector<SimDeviceEntry> entries;
    for (uint16_t i = 0; i < 11; ++i) {
        entries.push_back(Camera({}, "Cam", static_cast<uint16_t>(0x0100 + i)));
        platform.Plug(entries.back());
    }
    Table table;
    EXPECT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 10);
    EXPECT_EQ(UsedSlots(table), 10);
    EXPECT_TRUE(SimOf(entries[10]).Model().Traffic().empty());
}

TEST(Discovery, EnumerationThatCannotStartOrIsEmptyLeavesTheTableAlone) {
    SimPlatform platform;
    Table table;
    EXPECT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), -1);
    platform.Plug(Camera());
    platform.SetEnumerationFails(true);
    EXPECT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), -1);
    EXPECT_EQ(UsedSlots(table), 0);
}

struct LabelCase {
    const char* name;
    const char* friendlyName;  // null: unreadable
    const char* devicePath;    // null: unreadable
    const char* label;
};

class DeviceLabel : public ::testing::TestWithParam<LabelCase> {};

TEST_P(DeviceLabel, JoinsNameFourSpacesAndTheVendorProductText) {
    const LabelCase& c = GetParam();
    SimDeviceEntry entry = Camera();
    entry.friendlyName = c.friendlyName ? c.friendlyName : "";
    entry.friendlyNameUnreadable = c.friendlyName == nullptr;
    entry.devicePath = c.devicePath ? c.devicePath : "";
    entry.devicePathUnreadable = c.devicePath == nullptr;
    SimPlatform platform;
    platform.Plug(entry);
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    ASSERT_EQ(platform.EnumerateVideoInputs(&monikers), kSOk);
    std::string label = "unchanged";
    ASSERT_TRUE(GetDeviceLabel(monikers[0].get(), &label));
    EXPECT_EQ(label, c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, DeviceLabel,
    ::testing::Values(
        LabelCase{"VidPid", "USB Camera", "\\\\?\\usb#vid_abcd&pid_1234&mi_00#6&1#{guid}",
                  "USB Camera    VID_ABCD&PID_1234"},
        LabelCase{"NoVid", "Cam", "root#image#0000#{x}", "Cam    ROOT#IMAGE#0000#{X}"},
        LabelCase{"NameUnreadable", nullptr, "usb#vid_abcd&pid_1234", "    VID_ABCD&PID_1234"},
        LabelCase{"PathUnreadable", "Cam", nullptr, "Cam"},
        LabelCase{"ChineseName", "摄像头", "usb#VID_1D6B&PID_0102#x",
                  "摄像头    VID_1D6B&PID_0102"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DeviceLabel, UnopenablePropertyBagLeavesTheLabelAlone) {
    SimDeviceEntry entry = Camera();
    entry.propertyBagFails = true;
    SimPlatform platform;
    platform.Plug(entry);
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    platform.EnumerateVideoInputs(&monikers);
    std::string label = "unchanged";
    EXPECT_FALSE(GetDeviceLabel(monikers[0].get(), &label));
    EXPECT_FALSE(GetDeviceLabel(nullptr, &label));
    EXPECT_EQ(label, "unchanged");
}

TEST(SkippedSummary, CountsTheNodesAndTheirReasonsInOneLine) {
    EXPECT_EQ(SummariseSkipped({}), "");
    EXPECT_EQ(SummariseSkipped({"/dev/video1: not a video-capture node",
                                "/dev/video3: cannot open: Permission denied",
                                "/dev/video5: not a video-capture node"}),
              "3 video nodes passed over: 2 not a video-capture node, 1 cannot open: Permission "
              "denied");
    EXPECT_EQ(SummariseSkipped({"/dev/video0: no extension unit"}),
              "1 video node passed over: 1 no extension unit");
    EXPECT_FALSE(AnyHeldForAJob({"/dev/video0: no extension unit"}));
    EXPECT_TRUE(
        AnyHeldForAJob({"/dev/video0: no extension unit",
                        std::string("/dev/video2: ") + kHeldForAJob + "dovrane-cli (pid 7)"}));
}
