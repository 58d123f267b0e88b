#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "device/command_set.h"
#include "device/discovery.h"
#include "device/linux/linux_platform.h"
#include "tests/linux/fake_sysfs.h"
#include "tests/linux/fake_uvc_kernel.h"

namespace {

const char kCapturePathTail[] = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";

struct Table {
    MonikerTable monikers;
    FilterTable filters;
    NodeIdTable nodeIds{};
};

std::string Read(DeviceMoniker& moniker, const char* property) {
    std::unique_ptr<PropertyBag> bag;
    EXPECT_EQ(moniker.OpenPropertyBag(&bag), kSOk);
    std::string value;
    return Succeeded(bag->Read(property, &value)) ? value : "<unreadable>";
}

// A camera with only another vendor's extension unit, as most webcams are.
Bytes OtherVendorsCamera() {
    return Join({DeviceDescriptor(0x046d, 0x085c),
                 Configuration(
                     1, {CameraFunction(0, 0x0100, {ExtensionUnit(3, kOtherVendorXu, 2)}, 4, 3)})});
}

// Function 1 (interfaces 0, 1) has our unit 3; function 2 (interfaces 2, 3) has another
// vendor's unit 3 and ours as unit 6.
Bytes TwoFunctionCamera() {
    return Join(
        {DeviceDescriptor(0x1d6b, 0x0104),
         Configuration(1, {CameraFunction(0, 0x0100, {ExtensionUnit(3, kXuPropertySet, 2)}, 4, 3),
                           CameraFunction(2, 0x0110,
                                          {ExtensionUnit(3, kOtherVendorXu, 2),
                                           ExtensionUnit(6, kXuPropertySet, 3)},
                                          5, 6)})});
}

class LinuxDiscovery : public ::testing::Test {
  protected:
    LinuxPlatform Platform() {
        LinuxPlatformConfig config;
        config.layout = sysfs.Layout();
        config.io = kernel.Io();
        config.makeEventSource = nullptr;
        return LinuxPlatform(std::move(config));
    }

    // Our camera on port 1-1: capture node videoN, metadata node videoN+1.
    void PlugOurCamera(unsigned number, const std::string& port = "1-1") {
        sysfs.AddUsbDevice(port, 0x1d6b, 0x0102, "Dovrane Cam", PlainCamera());
        sysfs.AddVideoNode(port, 0, number, "Dovrane Cam: UVC");
        sysfs.AddVideoNode(port, 0, number + 1, "Dovrane Cam: UVC");
        kernel.nodes[Dev(number)].units[3] = &firmware;
        kernel.nodes[Dev(number + 1)].deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
    }

    static std::string Dev(unsigned number) { return "/dev/video" + std::to_string(number); }

    FakeSysfs sysfs;
    FakeUvcKernel kernel;
    SimXuModel firmware;
};

}  // namespace

TEST_F(LinuxDiscovery, ListsCaptureNodesByNumberAndSaysWhyOthersWerePassedOver) {
    PlugOurCamera(0);
    sysfs.AddPlatformVideoNode(2, "vivid");
    kernel.nodes[Dev(2)];
    const Bytes whole = PlainCamera();
    sysfs.AddUsbDevice("1-3", 0x1234, 0x0001, "Broken Cam", Bytes(whole.begin(), whole.end() - 20));
    sysfs.AddVideoNode("1-3", 0, 3, "Broken Cam");
    kernel.nodes[Dev(3)];
    sysfs.AddUsbDevice("1-2", 0x046d, 0x085c, "Webcam C930e", OtherVendorsCamera());
    sysfs.SetUsbSerial("1-2", "C930E-0042");
    sysfs.AddVideoNode("1-2", 0, 10, "");  // no V4L2 name: the USB product stands in
    kernel.nodes[Dev(10)];
    sysfs.AddVideoNode("1-2", 0, 11, "Webcam C930e");
    kernel.nodes[Dev(11)].queryCapErrno = ENOTTY;

    LinuxPlatform platform = Platform();
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    ASSERT_EQ(platform.EnumerateVideoInputs(&monikers), kSOk);
    ASSERT_EQ(monikers.size(), 2u);
    EXPECT_EQ(Read(*monikers[0], "FriendlyName"), "Dovrane Cam: UVC");
    EXPECT_EQ(Read(*monikers[0], "DevicePath"),
              std::string("usb#vid_1d6b&pid_0102&mi_00#/dev/video0") + kCapturePathTail);
    // The USB device's sysfs name is its port chain; a serial only where the device has one.
    EXPECT_EQ(Read(*monikers[0], "UsbPortPath"), "1-1");
    EXPECT_EQ(Read(*monikers[0], "SerialNumber"), "<unreadable>");
    EXPECT_EQ(Read(*monikers[1], "UsbPortPath"), "1-2");
    EXPECT_EQ(Read(*monikers[1], "SerialNumber"), "C930E-0042");
    EXPECT_EQ(Read(*monikers[1], "FriendlyName"), "Webcam C930e");
    EXPECT_EQ(Read(*monikers[1], "DevicePath"),
              std::string("usb#vid_046d&pid_085c&mi_00#/dev/video10") + kCapturePathTail);

    const std::vector<std::string> expected = {
        "/dev/video1: not a video-capture node (metadata or output)",
        "/dev/video2: not on a USB interface",
        "/dev/video3: no intact VideoControl interface in the USB descriptors",
        "/dev/video10: no extension unit {46394292-0CD0-4AE3-8783-3133F9EAAA3B}",
        "/dev/video11: capability query failed: Inappropriate ioctl for device",
    };
    EXPECT_EQ(platform.SkippedDevices(), expected);
    EXPECT_EQ(kernel.opens, kernel.closes);
}

TEST_F(LinuxDiscovery, SharedDiscoveryAcceptsOurCameraThroughTheExtensionUnitIoctls) {
    PlugOurCamera(0);
    sysfs.AddUsbDevice("1-2", 0x046d, 0x085c, "Webcam C930e", OtherVendorsCamera());
    sysfs.AddVideoNode("1-2", 0, 2, "Webcam C930e");
    kernel.nodes[Dev(2)];

    LinuxPlatform platform = Platform();
    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 1);
    EXPECT_EQ(table.nodeIds[0], 3u);
    EXPECT_TRUE(firmware.SessionOpen());
    std::string label;
    ASSERT_TRUE(GetDeviceLabel(table.monikers[0].get(), &label));
    EXPECT_EQ(label, "Dovrane Cam: UVC    VID_1D6B&PID_0102");

    // The accepted handle keeps serving the command set, the size query included.
    EXPECT_EQ(DevPacketLength(table.filters[0].get(), NodeAddress::Id(3)), 32);
    uint16_t version = 0;
    uint16_t packet = 0;
    EXPECT_EQ(DevOpen(table.filters[0].get(), NodeAddress::Id(3), &version, &packet), kSOk);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(packet, 32);
    EXPECT_TRUE(firmware.ProtocolErrors().empty());
    // The other vendor's camera was opened but nothing was ever sent to its unit.
    EXPECT_EQ(kernel.opens - kernel.closes, 1);
}

// A camera another process is flashing is left out, with who holds it, and sent nothing: the
// probe's initialise would break that job.
TEST_F(LinuxDiscovery, CameraHeldForAnotherProcesssJobIsLeftOutUntouched) {
    SimXuModel other;
    PlugOurCamera(0);
    PlugOurCamera(2, "1-2");
    kernel.nodes[Dev(2)].units[3] = &other;
    kernel.nodes[Dev(0)].heldBy = "dovrane-cli (pid 4242)";

    LinuxPlatform platform = Platform();
    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 1);
    EXPECT_EQ(Read(*table.monikers[0], "UsbPortPath"), "1-2");
    EXPECT_TRUE(firmware.Traffic().empty());
    const std::vector<std::string> skipped = platform.SkippedDevices();
    EXPECT_NE(std::find(skipped.begin(), skipped.end(),
                        "/dev/video0: busy: held for a job by dovrane-cli (pid 4242)"),
              skipped.end());
}

TEST_F(LinuxDiscovery, EachVideoFunctionOfOneDeviceTalksToItsOwnUnit) {
    SimXuModel second;
    sysfs.AddUsbDevice("1-4", 0x1d6b, 0x0104, "Dual Cam", TwoFunctionCamera());
    sysfs.AddVideoNode("1-4", 0, 0, "Dual Cam A");
    sysfs.AddVideoNode("1-4", 2, 2, "Dual Cam B");
    kernel.nodes[Dev(0)].units[3] = &firmware;
    kernel.nodes[Dev(2)].units[6] = &second;

    LinuxPlatform platform = Platform();
    Table table;
    ASSERT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 2);
    EXPECT_EQ(table.nodeIds[0], 3u);
    EXPECT_EQ(table.nodeIds[1], 6u);
    EXPECT_TRUE(firmware.SessionOpen());
    EXPECT_TRUE(second.SessionOpen());
    EXPECT_EQ(Read(*table.monikers[1], "DevicePath"),
              std::string("usb#vid_1d6b&pid_0104&mi_02#/dev/video2") + kCapturePathTail);
}

TEST_F(LinuxDiscovery, CamerasThisUserCannotOpenAreRefusedWithTheReason) {
    const std::string denied =
        ": cannot open: Permission denied (join the video group: sudo usermod -aG video $USER, "
        "then log in again; or grant access with a udev rule)";
    const struct {
        const char* name;
        bool udevRecords;
        std::vector<std::string> listed;
        std::vector<std::string> skipped;
    } cases[] = {
        // udev's database tells the metadata node apart without opening it.
        {"with udev",
         true,
         {"/dev/video0"},
         {"/dev/video1: not a video-capture node (metadata or output)", "/dev/video0" + denied}},
        {"without udev",
         false,
         {"/dev/video0", "/dev/video1"},
         {"/dev/video0" + denied, "/dev/video1" + denied}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSysfs tree;
        tree.AddUsbDevice("1-1", 0x1d6b, 0x0102, "Dovrane Cam", PlainCamera());
        tree.AddVideoNode("1-1", 0, 0, "Dovrane Cam: UVC");
        tree.AddVideoNode("1-1", 0, 1, "Dovrane Cam: UVC");
        if (c.udevRecords) {
            tree.RecordUdevCapabilities(0, ":capture:");
            tree.RecordUdevCapabilities(1, ":");
        }
        FakeUvcKernel locked;
        locked.nodes[Dev(0)].openErrno = EACCES;
        locked.nodes[Dev(1)].openErrno = EACCES;
        LinuxPlatform platform({tree.Layout(), locked.Io(), nullptr});

        std::vector<std::shared_ptr<DeviceMoniker>> monikers;
        ASSERT_EQ(platform.EnumerateVideoInputs(&monikers), kSOk);
        std::vector<std::string> listed;
        for (const auto& moniker : monikers) {
            const std::string path = Read(*moniker, "DevicePath");
            listed.push_back(path.substr(path.find("/dev/"), 11));
        }
        EXPECT_EQ(listed, c.listed);
        Table table;
        EXPECT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), 0);
        EXPECT_EQ(platform.SkippedDevices(), c.skipped);
    }
}

TEST_F(LinuxDiscovery, WithoutAVideoClassTheCategoryIsEmpty) {
    std::filesystem::remove_all(sysfs.Sys() / "class" / "video4linux");
    LinuxPlatform platform = Platform();
    std::vector<std::shared_ptr<DeviceMoniker>> monikers;
    EXPECT_EQ(platform.EnumerateVideoInputs(&monikers), kSFalse);
    EXPECT_TRUE(monikers.empty());
    Table table;
    EXPECT_EQ(EnumVideoDevices(platform, table.monikers, table.filters, table.nodeIds), -1);
}
