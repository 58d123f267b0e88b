#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/hotplug.h"

namespace {

const char* const kCaptureText = "65E8773D-8F56-11D0-A3B9-00A0C9223196";
const char* const kCameraPath =
    "\\\\?\\usb#vid_1d6b&pid_0102&mi_00#7&1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

struct ChangeCase {
    const char* name;
    DeviceChange change;
    bool refresh;
    std::vector<std::string> lines;
};

class CaptureDeviceChange : public ::testing::TestWithParam<ChangeCase> {};

}  // namespace

TEST_P(CaptureDeviceChange, RefreshesOnlyForCaptureInterfacesAndLogsInOrder) {
    const ChangeCase& c = GetParam();
    std::vector<std::string> lines;
    const bool refresh =
        IsCaptureDeviceChange(c.change, [&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(refresh, c.refresh);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Events, CaptureDeviceChange,
    ::testing::Values(
        ChangeCase{
            "Arrival", {kDbtDeviceArrival, 5, kCameraPath}, true, {kCameraPath, kCaptureText}},
        ChangeCase{"Removal",
                   {kDbtDeviceRemoveComplete, 5, kCameraPath},
                   true,
                   {"设备移除", kCameraPath, kCaptureText, "USB视频设备移除！"}},
        ChangeCase{"VolumeRemoval", {kDbtDeviceRemoveComplete, 2, ""}, false, {"设备移除"}},
        ChangeCase{
            "OtherInterfaceClass",
            {kDbtDeviceArrival, 5, "\\\\?\\usb#vid_1&pid_2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"},
            false,
            {"\\\\?\\usb#vid_1&pid_2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", kCaptureText}},
        ChangeCase{"NodesChanged", {0x0007, 5, kCameraPath}, false, {}},
        ChangeCase{"QueryRemove", {0x8001, 5, kCameraPath}, false, {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(MatchInterfaceClass, ComparesTheUpperCasedNameAgainstTheClassText) {
    std::vector<std::string> lines;
    auto log = [&](const std::string& line) { lines.push_back(line); };
    EXPECT_TRUE(
        MatchInterfaceClass(kCaptureCategory, "x{65e8773d-8f56-11d0-a3b9-00a0c9223196}", log));
    EXPECT_TRUE(MatchInterfaceClass(kCaptureCategory, kCaptureText, log));
    EXPECT_FALSE(MatchInterfaceClass(kCaptureCategory, "65e8773d-8f56-11d0-a3b9", log));
    EXPECT_EQ(lines, std::vector<std::string>(3, kCaptureText));
}
