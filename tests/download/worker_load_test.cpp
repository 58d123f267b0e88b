#include <QThread>
#include <QtTest/QTest>

#include "download/thread_handoff.h"
#include "tests/download/worker_fixture.h"

namespace {

constexpr Status kPositive = 1;

struct FaultCase {
    const char* name;
    void (*inject)(SimXuModel& model);
    uint8_t verify;
    uint32_t kind;    // result report
    uint32_t resets;  // resets the device received
    bool verifyPassRan;
};

class JobOutcome : public WorkerTest, public ::testing::WithParamInterface<FaultCase> {};

uint32_t Kinds(const std::vector<Report>& reports, uint32_t kind) {
    return static_cast<uint32_t>(std::count_if(
        reports.begin(), reports.end(), [kind](const Report& r) { return r.first == kind; }));
}

}  // namespace

TEST_P(JobOutcome, EveryFaultEndsWithTheRightReportAndNoResetAfterFailure) {
    const FaultCase& c = GetParam();
    c.inject(camera.Model());
    worker.WorkerLoadFw(Job({{1, 40}, {2, 100}}, c.verify, /*reset=*/1));

    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back(), Report(6, 0));
    EXPECT_EQ(reports[reports.size() - 2].first, c.kind);
    EXPECT_EQ(Kinds(reports, 4) + Kinds(reports, 5), 1u);
    EXPECT_EQ(camera.Model().ResetCount(), c.resets);
    EXPECT_EQ(Kinds(reports, 2), c.verifyPassRan ? 2u : 1u);
    // The buffers were the worker's to release; the leak check of the sanitizer build sees it.
}

INSTANTIATE_TEST_SUITE_P(
    Faults, JobOutcome,
    ::testing::Values(
        FaultCase{"Clean", [](SimXuModel&) {}, 1, 4, 1, true},
        FaultCase{"BeginFails", [](SimXuModel& m) { m.FailRequest(4, 1, kEFail); }, 1, 5, 0, false},
        FaultCase{"HeaderFails", [](SimXuModel& m) { m.FailRequest(5, 2, kEFail); }, 1, 5, 0,
                  false},
        FaultCase{"ThirdPacketFails", [](SimXuModel& m) { m.FailRequest(6, 3, kEFail); }, 1, 5, 0,
                  false},
        FaultCase{"PositivePacketStatus", [](SimXuModel& m) { m.FailRequest(6, 1, kPositive); }, 1,
                  5, 0, false},
        FaultCase{"EndFails", [](SimXuModel& m) { m.FailRequest(8, 2, kEFail); }, 1, 5, 0, false},
        FaultCase{"ReadBackDiffers", [](SimXuModel& m) { m.CorruptReadBack(17); }, 1, 5, 0, true},
        FaultCase{"ReadBackPacketFails", [](SimXuModel& m) { m.FailRequest(6, 9, kEFail); }, 1, 5,
                  0, true},
        FaultCase{"VanishesMidTransfer", [](SimXuModel& m) { m.VanishAfter(10); }, 1, 5, 0, false},
        FaultCase{"ResetFailsButTheJobSucceeded",
                  [](SimXuModel& m) { m.FailRequest(1, 1, kEFail); }, 1, 4, 0, true},
        FaultCase{"PositiveEndStatusSkipsVerifyAndReset",
                  [](SimXuModel& m) { m.FailRequest(8, 2, kPositive); }, 1, 4, 0, false},
        FaultCase{"VerifyByteTwoMeansNoVerify", [](SimXuModel&) {}, 2, 4, 1, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WorkerTest, FullJobReportsInTheDocumentedOrder) {
    worker.WorkerLoadFw(Job({{2, 64}}, /*verify=*/1, /*reset=*/0));
    ASSERT_EQ(reports.size(), 12u);
    const std::vector<Report> passes(reports.begin(), reports.begin() + 10);
    EXPECT_EQ(
        passes,
        (std::vector<Report>{
            {1, 0}, {2, 0}, {3, 64}, {1, 32}, {1, 64}, {1, 0}, {2, 0}, {3, 64}, {1, 32}, {1, 64}}));
    EXPECT_EQ(reports[10].first, 4u);
    EXPECT_GE(reports[10].second, 100);  // covers the settle time after the segment
    EXPECT_EQ(reports[11], Report(6, 0));
    EXPECT_EQ(camera.Model().ResetCount(), 0u);
}

TEST_F(WorkerTest, ResetGoesOutAfterTheTransfersAndOnlyWhenAsked) {
    worker.WorkerLoadFw(Job({{2, 32}}, 0, /*reset=*/2));
    EXPECT_EQ(camera.Model().ResetCount(), 0u);
    worker.WorkerLoadFw(Job({{2, 32}}, 0, /*reset=*/1));
    EXPECT_EQ(camera.Model().ResetCount(), 1u);
    const std::vector<SimTraffic> traffic = camera.Model().Traffic();
    ASSERT_FALSE(traffic.empty());
    EXPECT_EQ(traffic.back().selector, 1u);
    EXPECT_EQ(traffic.back().bytes, std::vector<uint8_t>{0x76});
}

TEST_F(WorkerTest, RefusedJobSendsOnlyItsResultAndReleasesItsBuffers) {
    data_info job = Job({{2, 16}, {2, 16}});
    delete[] job.segments[1].buffer;
    job.segments[1].buffer = nullptr;
    worker.WorkerLoadFw(job);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, 5u);
    EXPECT_EQ(reports[1], Report(6, 0));
    EXPECT_TRUE(camera.Model().Traffic().empty());
}

TEST(ReportEncoding, NegativeValuesFillTheKindHalf) {
    EXPECT_EQ(Worker::EncodeReport(4, 15320), (qulonglong{4} << 32) | 15320u);
    EXPECT_EQ(Worker::EncodeReport(1, -1), ~qulonglong{0});
    EXPECT_EQ(Worker::EncodeReport(6, 0), qulonglong{6} << 32);
}

TEST_F(WorkerTest, JobQueuedToTheWorkerThreadReportsBackInOrder) {
    QThread thread;
    auto* threaded = new Worker;  // owned by the thread, as the window does it
    threaded->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, threaded, &QObject::deleteLater);
    std::vector<Report> received;
    QObject context;
    QObject::connect(threaded, &Worker::WorkerTheardState, &context, [&](qulonglong state) {
        received.emplace_back(static_cast<uint32_t>(state >> 32), static_cast<uint32_t>(state));
    });
    thread.start();
    const data_info job = Job({{2, 100}}, 1, 1);  // complete before it is handed over
    HandOver(threaded);
    QMetaObject::invokeMethod(threaded, "WorkerLoadFw", Qt::QueuedConnection,
                              Q_ARG(data_info, job));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !received.empty() && received.back().first == 6; }, 10000));
    thread.quit();
    thread.wait();
    EXPECT_EQ(received[received.size() - 2].first, 4u);
    EXPECT_EQ(camera.Model().ResetCount(), 1u);
}
