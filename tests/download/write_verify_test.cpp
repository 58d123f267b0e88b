#include <algorithm>
#include <chrono>

#include "tests/download/worker_fixture.h"

namespace {

std::vector<uint8_t> Pattern(const FwSegment& segment, size_t from, size_t count) {
    return std::vector<uint8_t>(segment.buffer + from, segment.buffer + from + count);
}

class WritePass : public WorkerTest {};

class WritePass64 : public WorkerTest {
  protected:
    WritePass64() : WorkerTest(64) {}
};

}  // namespace

TEST_F(WritePass, HundredBytesInFourPacketsWithAPaddedLastOne) {
    data_info job = Job({{2, 100}});
    EXPECT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);

    const std::vector<SimTraffic> headers = Requests(SimDirection::kSet, 5);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].bytes,
              (std::vector<uint8_t>{0x02, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFD}));
    const std::vector<SimTraffic> packets = Requests(SimDirection::kSet, 6);
    ASSERT_EQ(packets.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(packets[i].bytes, Pattern(job.segments[0], i * 32, 32));
    }
    std::vector<uint8_t> last = Pattern(job.segments[0], 96, 4);
    last.resize(32, 0xFF);
    EXPECT_EQ(packets[3].bytes, last);
    EXPECT_EQ(Requests(SimDirection::kSet, 8).size(), 1u);
    EXPECT_EQ(reports,
              (std::vector<Report>{{1, 0}, {2, 0}, {3, 100}, {1, 32}, {1, 64}, {1, 96}, {1, 128}}));
    EXPECT_TRUE(camera.Model().ProtocolErrors().empty());
    FreeFwBuffers(&job);
}

TEST_F(WritePass, ReadBackAnnouncesTheExactLengthAndKeepsOnlyItsBytes) {
    data_info job = Job({{2, 100}});
    ASSERT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    camera.Model().ClearTraffic();
    reports.clear();

    EXPECT_EQ(worker.VerifyFw(&camera, 4, &job), kSOk);
    const std::vector<SimTraffic> headers = Requests(SimDirection::kSet, 5);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].bytes[0], 0x82);
    EXPECT_EQ(std::vector<uint8_t>(headers[0].bytes.begin() + 5, headers[0].bytes.begin() + 9),
              (std::vector<uint8_t>{0, 0, 0, 100}));
    EXPECT_EQ(Requests(SimDirection::kGet, 6).size(), 4u);
    EXPECT_EQ(reports,
              (std::vector<Report>{{1, 0}, {2, 0}, {3, 100}, {1, 32}, {1, 64}, {1, 96}, {1, 128}}));
    FreeFwBuffers(&job);
}

TEST_F(WritePass, WholePacketsNeedNoPad) {
    data_info job = Job({{2, 64}});
    EXPECT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    const std::vector<SimTraffic> packets = Requests(SimDirection::kSet, 6);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1].bytes, Pattern(job.segments[0], 32, 32));
    EXPECT_EQ(Requests(SimDirection::kSet, 5)[0].bytes[8], 64);
    FreeFwBuffers(&job);
}

TEST_F(WritePass64, PacketLengthIsQueriedPerSegment) {
    data_info job = Job({{2, 100}});
    EXPECT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    EXPECT_EQ(Requests(SimDirection::kSet, 6).size(), 2u);
    EXPECT_EQ(Requests(SimDirection::kSizeQuery, 6).size(), 1u);
    EXPECT_EQ(reports.back(), Report(1, 128));
    FreeFwBuffers(&job);
}

TEST_F(WritePass, BootAndFirmwareSegmentsLandAndOnlyFirmwareIsReadBack) {
    data_info job = Job({{1, 40}, {2, 70}});
    ASSERT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    EXPECT_EQ(camera.Model().Memory(1, 0, 40), BytesOf(job.segments[0]));
    EXPECT_EQ(camera.Model().Memory(2, 0x8000, 70), BytesOf(job.segments[1]));
    EXPECT_EQ(reports.back(), Report(1, 64 + 96));
    camera.Model().ClearTraffic();
    reports.clear();

    EXPECT_EQ(worker.VerifyFw(&camera, 4, &job), kSOk);
    const std::vector<SimTraffic> headers = Requests(SimDirection::kSet, 5);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].bytes[0], 0x82);
    EXPECT_EQ(reports, (std::vector<Report>{
                           {1, 0}, {2, 0}, {3, 110}, {1, 40}, {1, 72}, {1, 104}, {1, 136}}));
    FreeFwBuffers(&job);
}

TEST_F(WritePass, VerifyOfABootOnlyJobReadsNothingAndFails) {
    data_info job = Job({{1, 50}});
    EXPECT_EQ(worker.VerifyFw(&camera, 4, &job), kEFail);
    EXPECT_TRUE(camera.Model().Traffic().empty());
    EXPECT_EQ(reports, (std::vector<Report>{{1, 0}, {2, 0}, {3, 50}, {1, 50}}));
    FreeFwBuffers(&job);
}

struct CheckCase {
    const char* name;
    int segments;
    int nullBuffer;  // index of a segment without buffer, or -1
    bool nullDevice;
    std::vector<Report> reports;
};

class JobCheck : public WorkerTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(JobCheck, RefusesBeforeAnyTraffic) {
    const CheckCase& c = GetParam();
    std::vector<std::pair<uint8_t, int32_t>> segments(static_cast<size_t>(std::min(c.segments, 10)),
                                                      {2, 16});
    data_info job = Job(segments);
    job.count = c.segments;
    if (c.nullBuffer >= 0) {
        delete[] job.segments[c.nullBuffer].buffer;
        job.segments[c.nullBuffer].buffer = nullptr;
    }
    XuDevice* device = c.nullDevice ? nullptr : &camera;
    EXPECT_EQ(worker.WriteFw(device, 4, &job), kEFail);
    EXPECT_EQ(worker.VerifyFw(device, 4, &job), kEFail);
    EXPECT_TRUE(camera.Model().Traffic().empty());
    std::vector<Report> expected = c.reports;
    expected.insert(expected.end(), c.reports.begin(), c.reports.end());  // both passes
    EXPECT_EQ(reports, expected);
    FreeFwBuffers(&job);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobCheck,
    ::testing::Values(CheckCase{"ElevenSegments", 11, -1, false, {}},
                      CheckCase{"NullSecondBuffer", 2, 1, false, {}},
                      CheckCase{"NullDevice", 1, -1, true, {}},
                      CheckCase{"ZeroSegments", 0, -1, false, {{1, 0}, {2, 0}, {3, 0}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WritePass, ZeroPacketLengthEndsTheSegmentBeforeAnyTransfer) {
    camera.Model().ZeroSizeQuery(6);
    data_info job = Job({{2, 100}});
    EXPECT_LT(worker.WriteFw(&camera, 4, &job), 0);
    EXPECT_LT(worker.VerifyFw(&camera, 4, &job), 0);
    EXPECT_TRUE(Requests(SimDirection::kSet, 4).empty());
    FreeFwBuffers(&job);
}

// The device needs 2 ms after a write header before the first data packet of that segment.
TEST_F(WritePass, EveryWriteHeaderIsFollowedByTwoMillisecondsOfQuiet) {
    data_info job = Job({{1, 40}, {2, 100}});
    ASSERT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    const std::vector<SimTraffic> traffic = camera.Model().Traffic();
    size_t headers = 0;
    for (size_t i = 0; i + 1 < traffic.size(); ++i) {
        if (traffic[i].direction != SimDirection::kSet || traffic[i].selector != 5) {
            continue;
        }
        ++headers;
        const SimTraffic& next = traffic[i + 1];
        ASSERT_EQ(next.selector, 6u) << "header " << headers;
        const auto quiet = std::chrono::duration_cast<std::chrono::microseconds>(
            next.arrived - traffic[i].arrived);
        EXPECT_GE(quiet.count(), 2000) << "microseconds after header " << headers;
    }
    EXPECT_EQ(headers, 2u);
    FreeFwBuffers(&job);
}

// Two firmware segments: a clean verify reads both back; when the first differs, the second is
// never asked for.
TEST_F(WritePass, VerifyStopsAtTheFirstSegmentThatDiffers) {
    data_info job = Job({{2, 100}, {2, 64}});
    job.segments[1].address = 0x9000;
    ASSERT_EQ(worker.WriteFw(&camera, 4, &job), kSOk);
    camera.Model().ClearTraffic();
    ASSERT_EQ(worker.VerifyFw(&camera, 4, &job), kSOk);
    ASSERT_EQ(Requests(SimDirection::kSet, 5).size(), 2u);

    camera.Model().CorruptReadBack(17);
    camera.Model().ClearTraffic();
    reports.clear();
    EXPECT_EQ(worker.VerifyFw(&camera, 4, &job), kEFail);
    EXPECT_EQ(Requests(SimDirection::kSet, 4).size(), 1u);
    EXPECT_EQ(Requests(SimDirection::kSet, 5).size(), 1u);
    EXPECT_EQ(Requests(SimDirection::kGet, 6).size(), 4u);
    EXPECT_EQ(reports,
              (std::vector<Report>{{1, 0}, {2, 0}, {3, 164}, {1, 32}, {1, 64}, {1, 96}, {1, 128}}));
    FreeFwBuffers(&job);
}
