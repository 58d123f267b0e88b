#include <chrono>
#include <memory>

#include "device/sim/sim_xu_protocol.h"
#include "download/flash_fleet.h"
#include "tests/download/flash_session_fixture.h"

// Three cameras at once, the middle one stalling: the others finish as a single run does, with
// the same requests in the same order, and every job is reported.
TEST_F(FlashSessionTest, FleetFlashesEachCameraAsASingleRunWould) {
    std::vector<std::unique_ptr<SimCamera>> cameras;
    std::vector<FleetCamera> fleetCameras;
    for (const uint16_t word : {uint16_t{2}, uint16_t{1}, uint16_t{2}}) {
        cameras.push_back(std::make_unique<SimCamera>(Camera(word)));
        fleetCameras.push_back({cameras.back().get(), 4, {}});
    }
    cameras[1]->Model().FailRequest(kCtlData, 2, kSimStall);
    const FlashOrder order = Order("firmware.hex", true, true);
    {
        FlashFleet fleet(fleetCameras, order, [](int, const QString&) {});
        ASSERT_TRUE(fleet.WaitAll(std::chrono::seconds(60)));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(fleet.Progress(i).finished);
        }
        EXPECT_TRUE(fleet.Result(0).succeeded);
        EXPECT_EQ(fleet.Result(1).failedStep, FlashStep::kWrite);
        EXPECT_TRUE(fleet.Result(2).succeeded);
        EXPECT_EQ(fleet.Progress(0).pass, 2);
        EXPECT_EQ(fleet.Progress(0).done, fleet.Progress(0).total);
    }
    SimCamera single(Camera(2));
    ASSERT_TRUE(Flash(single, order).succeeded);
    EXPECT_EQ(Lines(cameras[0]->Model()), Lines(single.Model()));
    EXPECT_EQ(Lines(cameras[2]->Model()), Lines(single.Model()));
    EXPECT_EQ(cameras[1]->Model().ResetCount(), 0u);
}

// Stopping the jobs (watch's second signal): each fails where it stands, with that cause, and is
// still reported.
TEST_F(FlashSessionTest, AbortedFleetFailsEveryRunningJobWithItsCause) {
    SimCamera camera(Camera());
    camera.Model().SetLatency(std::chrono::milliseconds(1), SimWait::kSleep);
    FlashFleet fleet({{&camera, 4, {}}}, Order("firmware.bin", true, true),
                     [](int, const QString&) {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fleet.Progress(0).done == 0 && !fleet.WaitAll(std::chrono::milliseconds(1)) &&
           std::chrono::steady_clock::now() < deadline) {
    }
    ASSERT_GT(fleet.Progress(0).done, 0u);  // writing when it is told to stop
    fleet.Abort();
    ASSERT_TRUE(fleet.WaitAll(std::chrono::seconds(30)));
    const FlashResult& result = fleet.Result(0);
    EXPECT_EQ(result.failedStep, FlashStep::kWrite);
    EXPECT_TRUE(DescribeFailure(result).endsWith("the job was stopped (0x800704c7)"))
        << DescribeFailure(result).toStdString();
    EXPECT_EQ(camera.Model().ResetCount(), 0u);
    EXPECT_FALSE(camera.Claimed());
}
