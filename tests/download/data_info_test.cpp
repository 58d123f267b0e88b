#include <gtest/gtest.h>

#include <cstring>

#include "download/data_info.h"

namespace {

data_info EmptyJob() {
    data_info job;
    std::memset(&job, 0, sizeof job);
    return job;
}

uint8_t* NewBuffer(size_t size) {
    return new uint8_t[size]();
}

}  // namespace

struct FreeCase {
    const char* name;
    int32_t count;
    int buffersAllocated;  // segments 0..n-1 get buffers, the rest stay null
    int32_t countAfter;
};

class FreeFwBuffersTest : public ::testing::TestWithParam<FreeCase> {};

TEST_P(FreeFwBuffersTest, ReleasesSegmentsInUseAndClearsThem) {
    const FreeCase& c = GetParam();
    data_info job = EmptyJob();
    for (int i = 0; i < c.buffersAllocated; ++i) {
        job.segments[i].buffer = NewBuffer(16);
        job.segments[i].length = 16;
    }
    job.count = c.count;

    FreeFwBuffers(&job);

    EXPECT_EQ(job.count, c.countAfter);
    const int released = std::min(std::max(c.count, 0), kMaxSegments);
    for (int i = 0; i < released; ++i) {
        EXPECT_EQ(job.segments[i].buffer, nullptr) << "segment " << i;
    }
    // Anything the job did not count as in use is left alone; free it here so the leak check
    // sees only what FreeFwBuffers missed.
    for (int i = released; i < kMaxSegments; ++i) {
        delete[] job.segments[i].buffer;
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, FreeFwBuffersTest,
                         ::testing::Values(FreeCase{"TwoWithNullSecond", 2, 1, 0},
                                           FreeCase{"CountTwelveClampsToTen", 12, 10, 0},
                                           FreeCase{"ZeroReleasesNothing", 0, 3, 0},
                                           FreeCase{"NegativeReleasesNothing", -3, 3, -3},
                                           FreeCase{"FullTable", 10, 10, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FreeFwBuffers, NullJobIsIgnored) {
    FreeFwBuffers(nullptr);
}

TEST(FreeFwBuffers, SecondReleaseOfTheSameCopyIsHarmless) {
    data_info job = EmptyJob();
    job.segments[0].buffer = NewBuffer(4);
    job.count = 1;
    FreeFwBuffers(&job);
    FreeFwBuffers(&job);
    EXPECT_EQ(job.count, 0);
}
