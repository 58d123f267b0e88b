// What the destination of a routine already holds: an earlier, longer file (mcu.bin of the last
// download) is replaced whole; a read-only one is refused and kept.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

class TargetFileTest : public testing::TestWithParam<WriterCase> {};

TEST_P(TargetFileTest, EarlierLongerTargetIsReplacedWhole) {
    const WriterCase& c = GetParam();
    ScratchDir dir;
    WriteWriterSource(c, dir.File("src"));
    WriteBytes(dir.File("dst.bin"), ByteVector(100000, 0xEE));
    ASSERT_EQ(c.routine(dir.File("src").c_str(), dir.File("dst.bin").c_str()), 0);
    EXPECT_EQ(DataOfOutput(c, ReadBytes(dir.File("dst.bin"))), WriterData());
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"dst.bin", "src"}));
}

TEST_P(TargetFileTest, ReadOnlyTargetIsRefusedAndKept) {
    const WriterCase& c = GetParam();
    ScratchDir dir;
    WriteWriterSource(c, dir.File("src"));
    WriteBytes(dir.File("dst.bin"), {1, 2, 3});
    const fs::path target = dir.path() / "dst.bin";
    const fs::perms writable =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(target, writable, fs::perm_options::remove);
#ifndef _WIN32
    if (access(dir.File("dst.bin").c_str(), W_OK) == 0) {
        GTEST_SKIP() << "this process may write read-only files";
    }
#endif
    EXPECT_EQ(c.routine(dir.File("src").c_str(), dir.File("dst.bin").c_str()), c.writeFailure);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), (ByteVector{1, 2, 3}));
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"dst.bin", "src"}));
    // Windows removes no read-only file, so the scratch directory would stay.
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
}

INSTANTIATE_TEST_SUITE_P(Routines, TargetFileTest, testing::ValuesIn(WriterCases()),
                         WriterCaseName);
