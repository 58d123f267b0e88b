// Every routine on files named in the local 8-bit encoding inside a folder named so too, as they
// sit under a Chinese Windows user's folder: GBK under code page 936 (UTF-8 on Linux), letters
// beyond ASCII under code page 1252.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/append_file.h"
#include "image/copy_fw_file.h"
#include "image/fw_image.h"
#include "image/hex_to_bin.h"
#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

class LocalNamesTest : public testing::Test {
  protected:
    LocalNamesTest() : folder_(PickName("张三", "Jürgen €")) {
        fs::create_directories(dir_.path() / fs::u8path(folder_ + "/CfgFile"));
    }

    // The local 8-bit path of the UTF-8 name inside the folder.
    std::string In(const std::string& name) const { return dir_.File(folder_ + "/" + name); }
    // Compares the names of the folder (or a folder in it) with these, in any order.
    void ExpectNames(std::vector<std::string> expected, const std::string& subfolder = ".") const {
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ListDir(dir_.path() / fs::u8path(folder_) / fs::u8path(subfolder)), expected);
    }

    ScratchDir dir_;
    const std::string folder_;
};

TEST_F(LocalNamesTest, HexConversion) {
    const SparseHex hex = RandomSparseHex(5);
    const std::string input = PickName("固件 版本.hex", "Firmwäre €.hex");
    const std::string output = PickName("输出.bin", "Ausgabe ö.bin");
    WriteText(In(input), hex.text);
    ASSERT_EQ(HexToBin(In(input).c_str(), In(output).c_str()), 0);
    EXPECT_EQ(ReadBytes(In(output)), hex.image);
    ExpectNames({"CfgFile", input, output});
}

TEST_F(LocalNamesTest, CopyOverAnEarlierFile) {
    const std::string source = PickName("源.bin", "Quelle ä.bin");
    const std::string target = PickName("目标.bin", "Ziel é.bin");
    WriteBytes(In(source), {1, 2, 3, 4});
    WriteBytes(In(target), {9, 9, 9, 9, 9, 9});
    ASSERT_EQ(CopyFwFile(In(source).c_str(), In(target).c_str()), 0);
    EXPECT_EQ(ReadBytes(In(target)), (ByteVector{1, 2, 3, 4}));
    ExpectNames({"CfgFile", source, target});
}

TEST_F(LocalNamesTest, PackInPlace) {
    const std::string file = PickName("固件.bin", "Firmwäre €.bin");
    WriteBytes(In(file), WriterData());
    ASSERT_EQ(PackFwImage(In(file).c_str(), In(file).c_str()), 0);
    EXPECT_EQ(UnpackFwImage(ReadBytes(In(file))), WriterData());
    ExpectNames({"CfgFile", file});
}

TEST_F(LocalNamesTest, VersionWord) {
    const std::string file = PickName("固件 版本.bin", "Firmwäre €.bin");
    ByteVector bytes(81926, 0);
    bytes[81924] = 0x02;
    bytes[81925] = 0x13;
    WriteBytes(In(file), bytes);
    EXPECT_EQ(ReadFwVersion(In(file).c_str()), 0x0213);
}

// The working files of two downloads in <folder>/CfgFile: the boot software converted, a HEX
// firmware converted and packed into mcu.bin, then a binary firmware copied over that mcu.bin.
TEST_F(LocalNamesTest, PreparationWorkingFilesInCfgFile) {
    const std::string hexFirmware = PickName("固件.hex", "Firmwäre €.hex");
    const std::string binFirmware = PickName("固件.bin", "Firmwäre €.bin");
    const std::string bootHex = In("CfgFile/boot_sw.hex");
    const std::string bootBin = In("CfgFile/boot_sw.bin");
    const std::string mcuBin = In("CfgFile/mcu.bin");
    WriteText(bootHex, ":0400000001020304F2\n:00000001FF\n");
    const SparseHex hex = RandomSparseHex(9);
    WriteText(In(hexFirmware), hex.text);
    WriteBytes(In(binFirmware), {0x42, 0x43});

    for (int download = 0; download < 2; ++download) {
        ASSERT_EQ(HexToBin(bootHex.c_str(), bootBin.c_str()), 0);
        EXPECT_EQ(ReadBytes(bootBin), (ByteVector{1, 2, 3, 4}));
    }
    ASSERT_EQ(HexToBin(In(hexFirmware).c_str(), mcuBin.c_str()), 0);
    ASSERT_EQ(PackFwImage(mcuBin.c_str(), mcuBin.c_str()), 0);
    EXPECT_EQ(UnpackFwImage(ReadBytes(mcuBin)), hex.image);
    ASSERT_EQ(CopyFwFile(In(binFirmware).c_str(), mcuBin.c_str()), 0);
    EXPECT_EQ(ReadBytes(mcuBin), (ByteVector{0x42, 0x43}));
    ExpectNames({"boot_sw.bin", "boot_sw.hex", "mcu.bin"}, "CfgFile");
}

// Records appended in two openings follow what the log held, each one whole; a folder that is
// not there refuses the log rather than losing its records.
TEST_F(LocalNamesTest, AppendedRecordsFollowEachOther) {
    const std::string log = In(PickName("烧写记录.log", "Protokoll ü.log"));
    WriteText(log, "earlier\n");
    for (const char* record : {"first\n", "second\n"}) {
        AppendFile file;
        ASSERT_TRUE(file.Open(log));
        EXPECT_TRUE(file.Append(record));
    }
    const std::vector<uint8_t> bytes = ReadBytes(log);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "earlier\nfirst\nsecond\n");
    AppendFile missing;
    EXPECT_FALSE(missing.Open(In(PickName("无/烧写记录.log", "nicht/da.log"))));
    EXPECT_FALSE(missing.Append("lost\n"));
}
