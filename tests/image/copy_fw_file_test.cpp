#include "image/copy_fw_file.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

TEST(CopyFwFileTest, CopiesBytesUnchanged) {
    ScratchDir dir;
    const std::string source = dir.File(PickName("源.bin", "Quelle ä.bin"));
    for (const ByteVector& contents :
         {ByteVector{}, ByteVector{0x00, 0x0A, 0x0D, 0x1A, 0xFF}, ByteVector(100000, 0x5A)}) {
        WriteBytes(source, contents);
        WriteBytes(dir.File("dst.bin"), {7, 7, 7, 7, 7, 7, 7, 7, 7, 7});
        ASSERT_EQ(CopyFwFile(source.c_str(), dir.File("dst.bin").c_str()), 0);
        EXPECT_EQ(ReadBytes(dir.File("dst.bin")), contents);
    }
}

TEST(CopyFwFileTest, OntoItselfKeepsTheFile) {
    ScratchDir dir;
    WriteBytes(dir.File("fw.bin"), {1, 2, 3});
    EXPECT_EQ(CopyFwFile(dir.File("fw.bin").c_str(), dir.File("fw.bin").c_str()), 0);
    EXPECT_EQ(ReadBytes(dir.File("fw.bin")), (ByteVector{1, 2, 3}));
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"fw.bin"});
}

TEST(CopyFwFileTest, FailuresLeaveTheDestinationAlone) {
    ScratchDir dir;
    WriteBytes(dir.File("src.bin"), {1, 2, 3});
    WriteBytes(dir.File("dst.bin"), {9});
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(CopyFwFile(dir.File("missing.bin").c_str(), dir.File("dst.bin").c_str()), -1);
    EXPECT_EQ(CopyFwFile(dir.File("folder").c_str(), dir.File("dst.bin").c_str()), -1);
    EXPECT_EQ(CopyFwFile(dir.File("src.bin").c_str(), dir.File("folder").c_str()), -1);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), ByteVector{9});
    WriteBytes(dir.File("huge.bin"), {});
    fs::resize_file(dir.File("huge.bin"), uint64_t{1} << 31);  // sparse: costs no disk
    EXPECT_EQ(CopyFwFile(dir.File("huge.bin").c_str(), dir.File("dst.bin").c_str()), kFileTooLarge);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), ByteVector{9});
    EXPECT_EQ(ListDir(dir.path()),
              (std::vector<std::string>{"dst.bin", "folder", "huge.bin", "src.bin"}));
}
