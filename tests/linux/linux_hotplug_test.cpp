#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/hotplug.h"
#include "device/linux/linux_platform.h"
#include "tests/linux/fake_sysfs.h"
#include "tests/linux/fake_uvc_kernel.h"

namespace {

const char kCaptureText[] = "65E8773D-8F56-11D0-A3B9-00A0C9223196";

// The test's hand on the platform's event source.
struct EventFeed {
    DeviceEventSource::Sink sink;
    int created = 0;
    bool startFails = false;

    void Send(const UEvent& event) const {
        ASSERT_TRUE(sink);
        sink(event);
    }
};

class FeedSource final : public DeviceEventSource {
  public:
    explicit FeedSource(EventFeed& feed) : feed_(feed) {}
    ~FeedSource() override { feed_.sink = nullptr; }
    bool Start(Sink sink) override {
        if (feed_.startFails) {
            return false;
        }
        feed_.sink = std::move(sink);
        return true;
    }

  private:
    EventFeed& feed_;
};

// As the kernel sends it, or as udev passes it on with what v4l_id found.
UEvent Event(const std::string& action, const std::string& devPath,
             const std::string& capabilities = {}, const std::string& subsystem = "video4linux") {
    UEvent event;
    event.action = action;
    event.devPath = devPath;
    event.subsystem = subsystem;
    const std::string name = devPath.substr(devPath.rfind('/') + 1);
    event.properties = {{"ACTION", action}, {"DEVPATH", devPath}, {"SUBSYSTEM", subsystem},
                        {"DEVNAME", name},  {"MAJOR", "81"},      {"SEQNUM", "4711"}};
    if (!capabilities.empty()) {
        event.properties["DEVNAME"] = "/dev/" + name;
        event.properties["ID_V4L_CAPABILITIES"] = capabilities;
    }
    return event;
}

class LinuxHotplug : public ::testing::Test {
  protected:
    LinuxHotplug() { sysfs.AddUsbDevice("1-1", 0x1d6b, 0x0102, "Dovrane Cam", PlainCamera()); }

    // Plugs our camera in: capture node video<n>, metadata node video<n+1>.
    void Plug(unsigned n) {
        capturePath = sysfs.AddVideoNode("1-1", 0, n, "Dovrane Cam: UVC");
        metadataPath = sysfs.AddVideoNode("1-1", 0, n + 1, "Dovrane Cam: UVC");
        kernel.nodes["/dev/video" + std::to_string(n)];
        kernel.nodes["/dev/video" + std::to_string(n + 1)].deviceCaps = V4L2_CAP_META_CAPTURE;
    }

    void Unplug(unsigned n) {
        sysfs.RemoveVideoNode(n);
        sysfs.RemoveVideoNode(n + 1);
        kernel.nodes.clear();
    }

    std::unique_ptr<LinuxPlatform> Watching() {
        LinuxPlatformConfig config{sysfs.Layout(), kernel.Io(), [this] {
                                       ++feed.created;
                                       return std::make_unique<FeedSource>(feed);
                                   }};
        auto platform = std::make_unique<LinuxPlatform>(std::move(config));
        platform->WatchDeviceChanges(
            [this](const DeviceChange& change) { changes.push_back(change); });
        return platform;
    }

    std::vector<std::string> ListedPaths(LinuxPlatform& platform) {
        std::vector<std::shared_ptr<DeviceMoniker>> monikers;
        platform.EnumerateVideoInputs(&monikers);
        std::vector<std::string> paths;
        for (const auto& moniker : monikers) {
            std::unique_ptr<PropertyBag> bag;
            moniker->OpenPropertyBag(&bag);
            std::string path;
            bag->Read("DevicePath", &path);
            paths.push_back(path);
        }
        return paths;
    }

    FakeSysfs sysfs;
    FakeUvcKernel kernel;
    EventFeed feed;
    std::vector<DeviceChange> changes;
    std::string capturePath;
    std::string metadataPath;
};

}  // namespace

TEST_F(LinuxHotplug, PlugAndUnplugPassTheSharedRuleWithTheEnumeratedPath) {
    const std::unique_ptr<LinuxPlatform> platform = Watching();
    EXPECT_TRUE(ListedPaths(*platform).empty());

    Plug(0);
    feed.Send(Event("add", metadataPath));
    feed.Send(Event("add", capturePath));
    ASSERT_EQ(changes.size(), 1u);
    const std::vector<std::string> listed = ListedPaths(*platform);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(changes[0].eventCode, kDbtDeviceArrival);
    EXPECT_EQ(changes[0].deviceType, kDbtDevtypDeviceInterface);
    EXPECT_EQ(changes[0].name, listed[0]);
    std::vector<std::string> lines;
    const auto log = [&lines](const std::string& line) { lines.push_back(line); };
    EXPECT_TRUE(IsCaptureDeviceChange(changes[0], log));
    EXPECT_EQ(lines, (std::vector<std::string>{listed[0], kCaptureText}));

    // Removed nodes can no longer be asked what they were: sysfs is gone before the event.
    Unplug(0);
    feed.Send(Event("remove", metadataPath));
    feed.Send(Event("remove", capturePath));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].eventCode, kDbtDeviceRemoveComplete);
    EXPECT_EQ(changes[1].name, listed[0]);
    lines.clear();
    EXPECT_TRUE(IsCaptureDeviceChange(changes[1], log));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"设备移除", listed[0], kCaptureText, "USB视频设备移除！"}));

    feed.Send(Event("remove", capturePath));  // told twice: nothing more
    EXPECT_EQ(changes.size(), 2u);
}

TEST_F(LinuxHotplug, TranslatesOnlyCaptureNodeArrivalsAndKnownRemovals) {
    enum Node { kCapture, kMetadata, kElsewhere };
    const struct {
        const char* name;
        const char* action;
        Node node;
        const char* capabilities;  // udev's ID_V4L_CAPABILITIES; empty from the kernel
        const char* subsystem;
        bool lockNodes;  // this user may not open the nodes
        std::optional<uint32_t> expected;
    } cases[] = {
        {"capture arrival", "add", kCapture, "", "video4linux", false, kDbtDeviceArrival},
        {"metadata arrival", "add", kMetadata, "", "video4linux", false, std::nullopt},
        {"udev says capture, node locked", "add", kCapture, ":capture:", "video4linux", true,
         kDbtDeviceArrival},
        {"udev says metadata", "add", kCapture, ":", "video4linux", false, std::nullopt},
        {"locked, nobody can tell", "add", kCapture, "", "video4linux", true, kDbtDeviceArrival},
        {"enumerated node removed", "remove", kCapture, "", "video4linux", false,
         kDbtDeviceRemoveComplete},
        {"metadata node removed", "remove", kMetadata, "", "video4linux", false, std::nullopt},
        {"unknown node removed", "remove", kElsewhere, "", "video4linux", false, std::nullopt},
        {"change", "change", kCapture, "", "video4linux", false, std::nullopt},
        {"other subsystem", "add", kCapture, "", "usb", false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSysfs tree;
        tree.AddUsbDevice("1-1", 0x1d6b, 0x0102, "Dovrane Cam", PlainCamera());
        const std::string paths[] = {
            tree.AddVideoNode("1-1", 0, 0, "Dovrane Cam: UVC"),
            tree.AddVideoNode("1-1", 0, 1, "Dovrane Cam: UVC"),
            "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video7"};
        FakeUvcKernel nodes;
        nodes.nodes["/dev/video0"].openErrno = c.lockNodes ? EACCES : 0;
        nodes.nodes["/dev/video1"].openErrno = c.lockNodes ? EACCES : 0;
        nodes.nodes["/dev/video1"].deviceCaps = V4L2_CAP_META_CAPTURE;
        EventFeed events;
        LinuxPlatform platform({tree.Layout(), nodes.Io(),
                                [&events] { return std::make_unique<FeedSource>(events); }});
        std::vector<std::shared_ptr<DeviceMoniker>> monikers;
        if (std::string(c.action) == "remove") {
            platform.EnumerateVideoInputs(&monikers);
        }
        std::vector<DeviceChange> seen;
        platform.WatchDeviceChanges(
            [&seen](const DeviceChange& change) { seen.push_back(change); });

        events.Send(Event(c.action, paths[c.node], c.capabilities, c.subsystem));
        ASSERT_EQ(seen.size(), c.expected ? 1u : 0u);
        if (c.expected) {
            EXPECT_EQ(seen[0].eventCode, *c.expected);
            EXPECT_EQ(seen[0].name,
                      "usb#vid_1d6b&pid_0102&mi_00#/dev/video0#"
                      "{65e8773d-8f56-11d0-a3b9-00a0c9223196}");
        }
    }
}

TEST_F(LinuxHotplug, TheSourceStartsOnceAndAFailedStartIsTriedAgain) {
    feed.startFails = true;
    const std::unique_ptr<LinuxPlatform> platform = Watching();
    EXPECT_FALSE(feed.sink);
    feed.startFails = false;
    std::vector<DeviceChange> latest;
    platform->WatchDeviceChanges(
        [&latest](const DeviceChange& change) { latest.push_back(change); });
    platform->WatchDeviceChanges(
        [&latest](const DeviceChange& change) { latest.push_back(change); });
    EXPECT_EQ(feed.created, 2);

    Plug(0);
    feed.Send(Event("add", capturePath));
    EXPECT_EQ(latest.size(), 1u);  // only the latest handler hears it, once
    EXPECT_TRUE(changes.empty());
}
