// Writes that fail part-way (a file size limit, a full device) must be reported and must not
// leave a truncated file where a good one used to be.

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

class WriteFailureTest : public testing::TestWithParam<WriterCase> {
  protected:
    void SetUp() override {
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
        // Past the limit a write fails with EFBIG instead of killing the process.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    void TearDown() override {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    void LimitFileSize(rlim_t bytes) {
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

TEST_P(WriteFailureTest, CutShortWriteIsReportedAndKeepsTheEarlierFile) {
    const WriterCase& c = GetParam();
    ScratchDir dir;
    WriteWriterSource(c, dir.File("src"));
    WriteBytes(dir.File("dst.bin"), {1, 2, 3});
    LimitFileSize(1000);
    EXPECT_EQ(c.routine(dir.File("src").c_str(), dir.File("dst.bin").c_str()), c.writeFailure);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), (ByteVector{1, 2, 3}));
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"dst.bin", "src"}));
}

TEST_P(WriteFailureTest, FullDeviceIsReported) {
    const WriterCase& c = GetParam();
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    ScratchDir dir;
    WriteWriterSource(c, dir.File("src"));
    EXPECT_EQ(c.routine(dir.File("src").c_str(), "/dev/full"), c.writeFailure);
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is written, never replaced";
}

INSTANTIATE_TEST_SUITE_P(Routines, WriteFailureTest, testing::ValuesIn(WriterCases()),
                         WriterCaseName);
