// Writes that fail part-way (a file size limit, a full device) must be reported and must not
// leave a truncated file where a good one used to be.

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/copy_fw_file.h"
#include "image/fw_image.h"
#include "image/hex_to_bin.h"
#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

struct WriterCase {
    const char* name;
    int (*routine)(const char* src, const char* dst);
    bool hexSource;
    int expectedResult;
};

// Names the row in failure output instead of dumping its bytes.
static void PrintTo(const WriterCase& row, std::ostream* out) {
    *out << row.name;
}

// 4096 bytes of output from either kind of source.
static void WriteSource(const std::string& path, bool hex) {
    ByteVector data(4096);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    if (!hex) {
        WriteBytes(path, data);
        return;
    }
    std::string text;
    for (size_t at = 0; at < data.size(); at += 16) {
        text += HexRecord(0x00, static_cast<uint16_t>(at),
                          ByteVector(data.begin() + static_cast<ptrdiff_t>(at),
                                     data.begin() + static_cast<ptrdiff_t>(at + 16)));
    }
    WriteText(path, text);
}

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
    WriteSource(dir.File("src"), c.hexSource);
    WriteBytes(dir.File("dst.bin"), {1, 2, 3});
    LimitFileSize(1000);
    EXPECT_EQ(c.routine(dir.File("src").c_str(), dir.File("dst.bin").c_str()), c.expectedResult);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), (ByteVector{1, 2, 3}));
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"dst.bin", "src"}));
}

TEST_P(WriteFailureTest, FullDeviceIsReported) {
    const WriterCase& c = GetParam();
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    ScratchDir dir;
    WriteSource(dir.File("src"), c.hexSource);
    EXPECT_EQ(c.routine(dir.File("src").c_str(), "/dev/full"), c.expectedResult);
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is written, never replaced";
}

INSTANTIATE_TEST_SUITE_P(Routines, WriteFailureTest,
                         testing::Values(WriterCase{"HexToBin", HexToBin, true, -1},
                                         WriterCase{"CopyFwFile", CopyFwFile, false, -1},
                                         WriterCase{"PackFwImage", PackFwImage, false, -2}),
                         [](const testing::TestParamInfo<WriterCase>& row) {
                             return std::string(row.param.name);
                         });
