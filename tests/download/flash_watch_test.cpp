#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "device/sim/sim_platform.h"
#include "download/flash_watch.h"
#include "tests/download/flash_session_fixture.h"

namespace {

// Away after a reset for longer than the roster's look at the platform takes to come round.
constexpr std::chrono::milliseconds kAway{200};
constexpr std::chrono::seconds kBound{30};  // for a job, also under the race checker

SimDeviceEntry Entry(const std::shared_ptr<SimCamera>& camera, const char* port) {
    SimDeviceEntry entry;
    entry.friendlyName = "Line Camera";
    entry.devicePath = SimDevicePath(0x1d6b, 0x0102, port[2]);  // "1-N": one path per port
    entry.filter = camera;
    entry.usbPortPath = port;
    return entry;
}

// A watch over a simulated hub, told of device changes as often as a hot-plug event could come.
class FlashWatchTest : public FlashSessionTest {
  protected:
    void SetUp() override {
        FlashSessionTest::SetUp();
        camera = std::make_shared<SimCamera>(Camera());
        platform.ReturnAfterReset(camera, kAway);
        platform.Plug(Entry(camera, "1-1"));
    }

    std::unique_ptr<FlashWatch> Watch(bool skipPresent) {
        WatchRules rules;
        rules.skipPresent = skipPresent;
        rules.returnCheck = true;
        rules.returnTimeout = std::chrono::seconds(10);
        return std::make_unique<FlashWatch>(
            roster, Order("firmware.bin", false, true), rules, [](int, const QString&) {},
            [this](const CameraIdentity& identity) { started << identity.usbPort; });
    }

    // Lets the watch see the platform, collecting finished jobs, until `done` holds or the
    // span is over; false when it did not hold.
    bool Follow(
        FlashWatch& watch, std::chrono::milliseconds span,
        const std::function<bool()>& done = [] { return false; }) {
        const auto until = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < until) {
            watch.OnDeviceChange();
            for (const int job : watch.TakeFinished()) {
                finished << job;
            }
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::function<bool()> Finished(int jobs) {
        return [this, jobs] { return finished.size() >= jobs; };
    }

    std::shared_ptr<SimCamera> camera;
    SimPlatform platform;
    CameraRoster roster{platform};
    QStringList started;
    QList<int> finished;
};

}  // namespace

TEST_F(FlashWatchTest, CameraBackFromItsResetIsNotFlashedAgainButOnePluggedInAnewIs) {
    std::unique_ptr<FlashWatch> watch = Watch(false);
    watch->Start();
    ASSERT_TRUE(Follow(*watch, kBound, Finished(1)));
    Follow(*watch, 2 * kAway);  // long enough for a second job to start, if one would
    ASSERT_EQ(finished, QList<int>{0});
    EXPECT_TRUE(watch->Fleet().Result(0).succeeded);
    EXPECT_TRUE(watch->Fleet().Result(0).cameBack);
    EXPECT_EQ(started, QStringList{"1-1"});

    ASSERT_TRUE(platform.Unplug(Entry(camera, "1-1").devicePath));
    Follow(*watch, std::chrono::milliseconds(50));
    platform.Plug(Entry(camera, "1-1"));
    ASSERT_TRUE(Follow(*watch, kBound, Finished(2)));
    EXPECT_EQ(started, (QStringList{"1-1", "1-1"}));
    EXPECT_EQ(finished, (QList<int>{0, 1}));
    EXPECT_EQ(camera->Model().ResetCount(), 2u);
    watch->StopAccepting();
    EXPECT_TRUE(watch->Done());
}

TEST_F(FlashWatchTest, SkipPresentWaitsForTheNextCameraAtThatPort) {
    std::unique_ptr<FlashWatch> watch = Watch(true);
    watch->Start();
    Follow(*watch, std::chrono::milliseconds(100));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_TRUE(camera->Model().Traffic().empty());  // not even probed

    auto other = std::make_shared<SimCamera>(Camera());
    platform.ReturnAfterReset(other, kAway);
    platform.Plug(Entry(other, "1-2"));
    ASSERT_TRUE(platform.Unplug(Entry(camera, "1-1").devicePath));
    Follow(*watch, std::chrono::milliseconds(50));
    platform.Plug(Entry(camera, "1-1"));
    ASSERT_TRUE(Follow(*watch, kBound, Finished(2)));
    started.sort();
    EXPECT_EQ(started, (QStringList{"1-1", "1-2"}));
    EXPECT_EQ(finished.size(), 2);
}

// Pulled out in the middle of its packets: the job fails; a camera plugged into that port
// again is a new one and is flashed.
TEST_F(FlashWatchTest, CameraPulledOutMidWriteIsFlashedAgainWhenPluggedBackIn) {
    platform.UnplugWhenGone(camera);
    camera->Model().VanishAfter(6 + 3 + 40);
    std::unique_ptr<FlashWatch> watch = Watch(false);
    watch->Start();
    ASSERT_TRUE(Follow(*watch, kBound, Finished(1)));
    const FlashResult& pulled = watch->Fleet().Result(0);
    EXPECT_EQ(pulled.failedStep, FlashStep::kWrite);
    ASSERT_TRUE(pulled.request);
    EXPECT_EQ(pulled.request->status, kSimDeviceGone);

    // The pulled camera is gone from the platform before another is plugged in, as a hand is
    // slower than the watch's look.
    ASSERT_TRUE(Follow(*watch, kBound, [this] { return roster.Present().empty(); }));
    Follow(*watch, std::chrono::milliseconds(50));
    auto fresh = std::make_shared<SimCamera>(Camera());
    platform.ReturnAfterReset(fresh, kAway);
    platform.Plug(Entry(fresh, "1-1"));
    ASSERT_TRUE(Follow(*watch, kBound, Finished(2)));
    EXPECT_EQ(started, (QStringList{"1-1", "1-1"}));
    EXPECT_TRUE(watch->Fleet().Result(1).succeeded);
}
