#include <functional>
#include <memory>

#include "device/command_set.h"
#include "device/sim/sim_xu_model.h"
#include "device/sim/sim_xu_protocol.h"
#include "tests/download/flash_session_fixture.h"

namespace {

struct StepCase {
    const char* name;
    std::function<void(SimXuModel&)> fault;
    const char* file;
    bool verify;
    bool reset;
    FlashStep step;
    const char* cause;
    QStringList messages;  // what the window would have shown
};

class FlashStepFailure : public FlashSessionTest, public ::testing::WithParamInterface<StepCase> {};

void PrintTo(const StepCase& c, std::ostream* out) {
    *out << c.name;
}

}  // namespace

TEST_P(FlashStepFailure, NamesItsStepAndCause) {
    const StepCase& c = GetParam();
    SimCamera camera(Camera());
    c.fault(camera.Model());
    const FlashResult result = Flash(camera, Order(c.file, c.verify, c.reset));
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.failedStep, c.step);
    EXPECT_EQ(DescribeFailure(result).toStdString(), c.cause);
    EXPECT_EQ(messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FlashStepFailure,
    ::testing::Values(
        StepCase{"HandshakeAnsweredWrongly",
                 [](SimXuModel& m) { m.SetHandshakeAnswer(0); },
                 "firmware.bin",
                 false,
                 false,
                 FlashStep::kOpen,
                 "open failed: 设备校验错误",
                 {"设备初始化失败"}},
        StepCase{"InitialiseStalls",
                 [](SimXuModel& m) { m.FailRequest(kCtlInit, 1, kSimStall); },
                 "firmware.bin",
                 false,
                 false,
                 FlashStep::kOpen,
                 "open failed (selector 1): device stalled the request (0x8007001f)",
                 {"设备初始化失败"}},
        StepCase{"FileMissing",
                 [](SimXuModel&) {},
                 "nothing.bin",
                 false,
                 false,
                 FlashStep::kPrepare,
                 "prepare failed: 拷贝文件失败。",
                 {"拷贝文件失败。\n文件路径是否正确？\n"}},
        StepCase{"PacketStalls",
                 [](SimXuModel& m) { m.FailRequest(kCtlData, 37, kSimStall); },
                 "firmware.bin",
                 true,
                 true,
                 FlashStep::kWrite,
                 "write failed at packet 37 of 192 (selector 6): device stalled the request "
                 "(0x8007001f)",
                 {}},
        StepCase{"DeviceGoneMidWrite",
                 [](SimXuModel& m) { m.VanishAfter(60); },
                 "firmware.bin",
                 false,
                 false,
                 FlashStep::kWrite,
                 "write failed at packet 52 of 192 (selector 6): device not connected "
                 "(0x8007048f)",
                 {}},
        StepCase{"ReadBackDiffers",
                 [](SimXuModel& m) { m.CorruptReadBack(0); },
                 "firmware.bin",
                 true,
                 true,
                 FlashStep::kVerify,
                 "verify failed: the read-back differs from the file",
                 {}},
        StepCase{"ReadBackPacketStalls",
                 [](SimXuModel& m) { m.FailRequest(kCtlData, 192 + 5, kSimStall); },
                 "firmware.bin",
                 true,
                 false,
                 FlashStep::kVerify,
                 "verify failed at packet 5 of 192 (selector 6): device stalled the request "
                 "(0x8007001f)",
                 {}},
        // The worker reports success whatever the reset answers; the session does not.
        StepCase{"ResetStalls",
                 [](SimXuModel& m) { m.FailRequest(kCtlInit, 2, kSimStall); },
                 "firmware.bin",
                 false,
                 true,
                 FlashStep::kReset,
                 "reset failed (selector 1): device stalled the request (0x8007001f)",
                 {}}),
    [](const ::testing::TestParamInfo<StepCase>& param) { return std::string(param.param.name); });

TEST_F(FlashSessionTest, SuccessCarriesTheFiguresAndNoCause) {
    SimCamera camera(Camera(1));  // asks for the boot software too
    const FlashResult result = Flash(camera, Order("firmware.bin", true, true));
    ASSERT_TRUE(result.succeeded) << DescribeFailure(result).toStdString();
    EXPECT_TRUE(result.jobSucceeded);
    EXPECT_EQ(result.failedStep, FlashStep::kNone);
    EXPECT_FALSE(result.request);
    EXPECT_EQ(DescribeFailure(result), QString());
    EXPECT_EQ(result.versionWord, 1);
    // Boot segment and firmware in the write pass, both counted again by the verify pass.
    EXPECT_EQ(result.bytesWritten, result.bytesReadBack);
    EXPECT_GT(result.bytesWritten, 98304);
    EXPECT_GE(result.elapsedMs, 200u);  // the worker's pause after each of the two segments
    EXPECT_EQ(camera.Model().ResetCount(), 1u);
    EXPECT_TRUE(messages.isEmpty());
}

namespace {

// A camera whose channel names its failures as Linux does.
class ErrnoNamingCamera final : public XuDevice {
  public:
    explicit ErrnoNamingCamera(SimCamera& camera) : camera_(camera) {}
    Status OpenControl(std::unique_ptr<XuControl>* control) override {
        *control = std::make_unique<Control>(camera_);
        return kSOk;
    }
    Status OpenTopology(std::unique_ptr<Topology>* topology) override {
        return camera_.OpenTopology(topology);
    }

  private:
    class Control final : public XuControl {
      public:
        explicit Control(SimCamera& camera) : camera_(camera) {}
        Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                          uint32_t* returned) override {
            last_ = camera_.KsProperty(request, data, length, returned);
            return last_;
        }
        std::string LastErrorName() const override {
            return last_ == kSimStall ? "EPIPE" : std::string();
        }

      private:
        SimCamera& camera_;
        Status last_ = kSOk;
    };
    SimCamera& camera_;
};

}  // namespace

TEST_F(FlashSessionTest, CauseCarriesThePlatformsErrorName) {
    SimCamera camera(Camera());
    camera.Model().FailRequest(kCtlData, 3, kSimStall);
    ErrnoNamingCamera named(camera);
    const FlashResult result = RunFlashSession(
        &named, 4, Order("firmware.bin", false, false), [](const QString&) {},
        [](const Worker::Report&, const JobProgress&) {});
    EXPECT_EQ(DescribeFailure(result).toStdString(),
              "write failed at packet 3 of 192 (selector 6): device stalled the request (EPIPE)");
}

// The recorder only watches: a session's requests are the worker's own, one for one.
TEST_F(FlashSessionTest, TrafficIsThatOfTheOpenSequenceAndTheWorker) {
    SimCamera viaSession(Camera());
    ASSERT_TRUE(Flash(viaSession, Order("firmware.hex", true, true)).succeeded);

    SimCamera direct(Camera());
    uint16_t version = 0;
    uint16_t packetLength = 0;
    ASSERT_EQ(DevOpen(&direct, NodeAddress::Id(4), &version, &packetLength), kSOk);
    data_info job = NewJob(&direct, 4, true, true);
    ASSERT_EQ(
        PrepareFwImage(Order("firmware.hex", true, true).inputs, false, job, [](const QString&) {}),
        0);
    Worker worker;
    worker.WorkerLoadFw(job);
    EXPECT_EQ(Lines(viaSession.Model()), Lines(direct.Model()));
}

// One camera, one job: a camera another process holds gets nothing at all; one that is free is
// held from the open to the end of the job and let go after it.
TEST_F(FlashSessionTest, JobHoldsItsCameraAndRefusesOneHeldElsewhere) {
    SimCamera held(Camera());
    held.HoldElsewhere("dovrane-cli (pid 4242)");
    const FlashResult refused = Flash(held, Order("firmware.bin", false, true));
    EXPECT_EQ(refused.failedStep, FlashStep::kOpen);
    EXPECT_TRUE(refused.heldElsewhere);
    EXPECT_EQ(DescribeFailure(refused).toStdString(),
              "open failed: the camera is held for a job by dovrane-cli (pid 4242)");
    EXPECT_EQ(messages, QStringList{"设备初始化失败"});
    EXPECT_TRUE(held.Model().Traffic().empty());

    SimCamera free(Camera());
    bool heldDuringTheJob = true;
    const FlashResult result = RunFlashSession(
        &free, 4, Order("firmware.bin", false, true), [](const QString&) {},
        [&](const Worker::Report&, const JobProgress&) {
            heldDuringTheJob = heldDuringTheJob && free.Claimed();
        });
    EXPECT_TRUE(result.succeeded);
    EXPECT_TRUE(heldDuringTheJob);
    EXPECT_FALSE(free.Claimed());

    SimCamera unprepared(Camera());
    EXPECT_EQ(Flash(unprepared, Order("nothing.bin", false, false)).failedStep,
              FlashStep::kPrepare);
    EXPECT_FALSE(unprepared.Claimed());
}
