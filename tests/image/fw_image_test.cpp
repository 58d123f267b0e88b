#include "image/fw_image.h"

#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

static ByteVector Counting(size_t size) {
    ByteVector bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

static ByteVector PackBytes(const ByteVector& source) {
    ScratchDir dir;
    WriteBytes(dir.File("src.bin"), source);
    EXPECT_EQ(PackFwImage(dir.File("src.bin").c_str(), dir.File("dst.bin").c_str()), 0);
    return ReadBytes(dir.File("dst.bin"));
}

TEST(PackFwImageTest, SmallSourcesGiveTheseImages) {
    struct Case {
        ByteVector source;
        ByteVector image;
    };
    const std::vector<Case> cases = {
        {{}, {0x08, 0x10, 0xF7, 0xEF, 0, 0, 0, 0, 0x00, 0x01, 0x00}},
        {{0x01, 0x02, 0x03},
         {0x08, 0x10, 0xF7, 0xEF, 0, 0, 0, 0, 0x00, 0x04, 0x01, 0x02, 0x03, 0xFA, 0x00, 0x01,
          0x00}},
        {{0x00}, {0x08, 0x10, 0xF7, 0xEF, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackBytes(c.source), c.image) << c.source.size() << "-byte source";
    }
}

TEST(PackFwImageTest, RecordBoundaries) {
    struct Case {
        size_t sourceSize;
        size_t imageSize;
        std::vector<size_t> lengthFieldOffsets;  // where each data record's length field sits
        std::vector<uint16_t> lengthFields;
    };
    const std::vector<Case> cases = {
        {1024, 1038, {8}, {0x0401}},
        {1025, 1042, {8, 8 + 1027}, {0x0401, 0x0002}},
        {2048, 2065, {8, 8 + 1027}, {0x0401, 0x0401}},
    };
    for (const Case& c : cases) {
        const ByteVector source = Counting(c.sourceSize);
        const ByteVector image = PackBytes(source);
        ASSERT_EQ(image.size(), c.imageSize) << c.sourceSize;
        for (size_t i = 0; i < c.lengthFieldOffsets.size(); ++i) {
            const size_t at = c.lengthFieldOffsets[i];
            EXPECT_EQ(image[at] << 8 | image[at + 1], c.lengthFields[i]) << c.sourceSize;
        }
        EXPECT_EQ(UnpackFwImage(image), source) << c.sourceSize;
    }
}

TEST(PackFwImageTest, RandomSourcesUnpackToThemselves) {
    std::mt19937 random(7);
    for (size_t size : {size_t{1}, size_t{1023}, size_t{3000}, size_t{65536}, size_t{100001}}) {
        ByteVector source(size);
        for (uint8_t& byte : source) {
            byte = static_cast<uint8_t>(random());
        }
        const ByteVector image = PackBytes(source);
        EXPECT_EQ(image.size(), size + 3 * ((size + 1023) / 1024) + 11);
        EXPECT_EQ(UnpackFwImage(image), source) << size;
    }
}

TEST(PackFwImageTest, InPlacePacksAndRepacks) {
    ScratchDir dir;
    const std::string name = PickName("固件.bin", "Firmwäre €.bin");
    const std::string file = dir.File(name);
    const ByteVector source = Counting(1500);
    WriteBytes(file, source);
    ASSERT_EQ(PackFwImage(file.c_str(), file.c_str()), 0);
    const ByteVector once = ReadBytes(file);
    EXPECT_EQ(UnpackFwImage(once), source);
    ASSERT_EQ(PackFwImage(file.c_str(), file.c_str()), 0);
    EXPECT_EQ(UnpackFwImage(ReadBytes(file)), once) << "a packed image is packed again";
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{name});
}

TEST(PackFwImageTest, FailuresLeaveTheDestinationAlone) {
    ScratchDir dir;
    WriteBytes(dir.File("src.bin"), {1, 2, 3});
    WriteBytes(dir.File("dst.bin"), {9, 9});
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(PackFwImage(dir.File("missing.bin").c_str(), dir.File("new.bin").c_str()), -1);
    EXPECT_EQ(PackFwImage(dir.File("missing.bin").c_str(), dir.File("dst.bin").c_str()), -1);
    EXPECT_EQ(PackFwImage(dir.File("folder").c_str(), dir.File("dst.bin").c_str()), -1);
    EXPECT_EQ(PackFwImage(dir.File("src.bin").c_str(), dir.File("folder").c_str()), -2);
    EXPECT_EQ(PackFwImage(dir.File("src.bin").c_str(), dir.File("no/dir/x.bin").c_str()), -2);
    EXPECT_EQ(ReadBytes(dir.File("dst.bin")), (ByteVector{9, 9}));
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"dst.bin", "folder", "src.bin"}));
}

TEST(PackFwImageTest, SourceOf2GiBIsRefused) {
    ScratchDir dir;
    WriteBytes(dir.File("huge.bin"), {});
    fs::resize_file(dir.File("huge.bin"), uint64_t{1} << 31);  // sparse: costs no disk
    EXPECT_EQ(PackFwImage(dir.File("huge.bin").c_str(), dir.File("dst.bin").c_str()),
              kFileTooLarge);
    EXPECT_FALSE(fs::exists(dir.File("dst.bin")));
}

TEST(ReadFwVersionTest, ReadsTheBigEndianWordAtItsOffset) {
    struct Case {
        size_t size;
        ByteVector tail;  // the file's last bytes
        int expected;
    };
    const std::vector<Case> cases = {
        {0, {}, -1},
        {81925, {0x01}, -1},
        {81926, {0x01, 0x23}, 0x0123},
        {81926, {0xFF, 0xFF}, 0xFFFF},
        {81930, {0x1A, 0x5F, 0, 0, 0, 0}, 0x1A5F},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        ByteVector file(c.size - c.tail.size(), 0xEE);
        file.insert(file.end(), c.tail.begin(), c.tail.end());
        WriteBytes(dir.File("fw.bin"), file);
        EXPECT_EQ(ReadFwVersion(dir.File("fw.bin").c_str()), c.expected) << c.size;
    }
}

TEST(ReadFwVersionTest, UnreadableFilesGiveMinusOne) {
    ScratchDir dir;
    fs::create_directory(dir.File("folder"));
    EXPECT_EQ(ReadFwVersion(dir.File("missing.bin").c_str()), -1);
    EXPECT_EQ(ReadFwVersion(dir.File("folder").c_str()), -1);
    EXPECT_EQ(ReadFwVersion(nullptr), -1);
}

TEST(ReadFwVersionTest, FileBeyond2GiBStillGivesItsVersion) {
    ScratchDir dir;
    ByteVector head(81926, 0);
    head[81924] = 0x02;
    head[81925] = 0x31;
    WriteBytes(dir.File("huge.bin"), head);
    fs::resize_file(dir.File("huge.bin"), uint64_t{3} << 30);  // sparse: costs no disk
    EXPECT_EQ(ReadFwVersion(dir.File("huge.bin").c_str()), 0x0231);
}
