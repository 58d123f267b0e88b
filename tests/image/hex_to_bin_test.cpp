#include "image/hex_to_bin.h"

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

TEST(HexPairToByteTest, DecodesDigitsInEitherCaseAndKeepsOtherCodes) {
    struct Case {
        char high, low;
        uint8_t expected;
    };
    const std::vector<Case> cases = {
        {'0', '0', 0x00},    {'9', '9', 0x99}, {'A', 'f', 0xAF}, {'f', 'F', 0xFF},
        {'7', 'a', 0x7A},    {'G', '0', 0x70},  // 'G' is 0x47: (0x47 << 4) truncates to 0x70
        {'0', 'G', 0x47},    {'1', ':', 0x3A},  // 0x10 | 0x3A
        {'\xC3', '1', 0x31},                    // a byte above 0x7F counts as its unsigned code
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexPairToByte(c.high, c.low), c.expected) << c.high << c.low;
    }
}

struct HexCase {
    const char* name;
    std::string text;
    int expectedResult;
    ByteVector expectedImage;  // checked on success only
};

// Names the row in failure output instead of dumping its bytes.
static void PrintTo(const HexCase& row, std::ostream* out) {
    *out << row.name;
}

static ByteVector FfThen(size_t count, ByteVector tail) {
    ByteVector image(count, 0xFF);
    image.insert(image.end(), tail.begin(), tail.end());
    return image;
}

static std::vector<HexCase> HexCases() {
    return {
        {"data then end", ":0100000055AA\n:00000001FF\n", 0, {0x55}},
        {"address 0x10", ":020010001234A8\n", 0, FfThen(16, {0x12, 0x34})},
        {"last address", ":01FFFF00778A\n", 0, FfThen(0xFFFF, {0x77})},
        {"crosses 0xFFFF", ":02FFFF00778801\n", -1, {}},
        {"extended linear after data", ":0100000055AA\n:020000040000FA\n", -1, {}},
        {"extended segment", ":020000021000EC\n:0100000055AA\n", -1, {}},
        {"start records ignored",
         ":0400000300000000F9\n:040000050000CD002A\n:0100010011ED\n",
         0,
         {0xFF, 0x11}},
        {"no data record", ":00000001FF\n", 0, {0xFF}},
        {"empty input", "", 0, {0xFF}},
        {"lower case, wrong checksum", ":02000000abcd00\n", 0, {0xAB, 0xCD}},
        {"data after end of file", ":00000001FF\n:0100020042BB\n", 0, {0xFF, 0xFF, 0x42}},
        {"later record wins", ":020000001122CB\n:0100010033CB\n", 0, {0x11, 0x33}},
        {"empty data record", ":00F00000\n:0100000001FE\n", 0, {0x01}},
        {"stray text between records", "junk\n:0100000001FE ; note\r\n", 0, {0x01}},
        {"unknown type ignored", ":01000009AB00\n", 0, {0xFF}},
        {"header cut short", ":0100000055AA\n:010000", -1, {}},
        {"lone colon at the end", ":0100000055AA\n:", -1, {}},
        {"data cut short", ":0400000011223", -1, {}},
        {"checksum missing", ":0100000055", 0, {0x55}},
    };
}

class HexToBinCaseTest : public testing::TestWithParam<HexCase> {};

TEST_P(HexToBinCaseTest, ConvertsOrRefuses) {
    const HexCase& c = GetParam();
    ScratchDir dir;
    WriteText(dir.File("in.hex"), c.text);
    EXPECT_EQ(HexToBin(dir.File("in.hex").c_str(), dir.File("out.bin").c_str()), c.expectedResult);
    if (c.expectedResult == 0) {
        EXPECT_EQ(ReadBytes(dir.File("out.bin")), c.expectedImage);
    } else {
        EXPECT_FALSE(fs::exists(dir.File("out.bin"))) << "a refused input writes no output";
    }
}

INSTANTIATE_TEST_SUITE_P(Records, HexToBinCaseTest, testing::ValuesIn(HexCases()),
                         [](const testing::TestParamInfo<HexCase>& row) {
                             std::string name = row.param.name;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(HexToBinTest, RandomSparseImagesConvertBack) {
    ScratchDir dir;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const SparseHex hex = RandomSparseHex(seed);
        WriteText(dir.File("in.hex"), hex.text);
        ASSERT_EQ(HexToBin(dir.File("in.hex").c_str(), dir.File("out.bin").c_str()), 0)
            << "seed " << seed;
        EXPECT_EQ(ReadBytes(dir.File("out.bin")), hex.image) << "seed " << seed;
    }
}

TEST(HexToBinTest, RefusalLeavesAnEarlierOutputAsItWas) {
    ScratchDir dir;
    WriteText(dir.File("in.hex"), ":0100000055AA\n:020000040000FA\n");
    WriteBytes(dir.File("out.bin"), {1, 2, 3});
    EXPECT_EQ(HexToBin(dir.File("in.hex").c_str(), dir.File("out.bin").c_str()), -1);
    EXPECT_EQ(ReadBytes(dir.File("out.bin")), (ByteVector{1, 2, 3}));
}

TEST(HexToBinTest, UnreadableInputOrUnwritableOutputFails) {
    ScratchDir dir;
    WriteText(dir.File("in.hex"), ":0100000055AA\n");
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(HexToBin(dir.File("missing.hex").c_str(), dir.File("out.bin").c_str()), -1);
    EXPECT_EQ(HexToBin(dir.File("folder").c_str(), dir.File("out.bin").c_str()), -1);
    EXPECT_EQ(HexToBin(dir.File("in.hex").c_str(), dir.File("folder").c_str()), -1);
    EXPECT_EQ(HexToBin(dir.File("in.hex").c_str(), dir.File("no/such/dir/out.bin").c_str()), -1);
    EXPECT_EQ(HexToBin(nullptr, dir.File("out.bin").c_str()), -1);
    EXPECT_EQ(HexToBin(dir.File("in.hex").c_str(), nullptr), -1);
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"folder", "in.hex"}));
}

TEST(HexToBinTest, LongAndChinesePathsWork) {
    ScratchDir dir;
    fs::path deep = dir.path();
    for (int i = 0; i < 12; ++i) {
        deep /= std::string(40, static_cast<char>('a' + i));
    }
    fs::create_directories(deep);
    const std::string hexPath =
        LocalPath(deep / fs::u8path(PickName("固件 版本.hex", "Firmwäre €.hex")));
    const std::string binPath = LocalPath(deep / fs::u8path(PickName("输出.bin", "Ausgabe ö.bin")));
    ASSERT_GT(binPath.size(), 500u);
    WriteText(hexPath, ":0100000055AA\n");
    ASSERT_EQ(HexToBin(hexPath.c_str(), binPath.c_str()), 0);
    EXPECT_EQ(ReadBytes(binPath), ByteVector{0x55});
}

TEST(HexToBinTest, InputOf2GiBIsRefused) {
    ScratchDir dir;
    WriteText(dir.File("huge.hex"), ":0100000055AA\n");
    fs::resize_file(dir.File("huge.hex"), uint64_t{1} << 31);  // sparse: costs no disk
    EXPECT_EQ(HexToBin(dir.File("huge.hex").c_str(), dir.File("out.bin").c_str()), kFileTooLarge);
    EXPECT_FALSE(fs::exists(dir.File("out.bin")));
}
