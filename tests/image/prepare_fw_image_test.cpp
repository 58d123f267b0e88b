#include "image/prepare_fw_image.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QStringList>
#include <QTextCodec>

#include "device/status.h"
#include "image/file_faults.h"
#include "tests/image/image_test_util.h"

#ifdef __unix__
#include <sys/resource.h>

#include <csignal>
#endif

namespace fs = std::filesystem;

static const char kBootHex[] = ":0400000001020304F2\n:02000800AABB8F\n:00000001FF\n";
static const ByteVector kBootImage = {1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB};
static const char kRefusedHex[] = ":0100000055AA\n:020000040000FA\n";

static std::string Local(const QString& path) {
    return path.toLocal8Bit().toStdString();
}

class PrepareFwImageTest : public testing::Test {
  protected:
    PrepareFwImageTest()
        : cfgDir_(QString::fromLocal8Bit(scratch_.File("CfgFile").c_str())),
          fwDir_(QString::fromLocal8Bit(scratch_.File("firmware").c_str())) {
        fs::create_directories(Local(cfgDir_));
        fs::create_directories(Local(fwDir_));
        job_.unit = 1;
    }
    ~PrepareFwImageTest() override { FreeFwBuffers(&job_); }

    QString CfgFile(const QString& name) const { return cfgDir_ + "/" + name; }
    QString FwFile(const QString& name) const { return fwDir_ + "/" + name; }

    int Prepare(bool boot, const QString& firmwarePath, const QString& address = "8000",
                bool checked = true) {
        const PrepareInputs in{cfgDir_, firmwarePath, address, checked};
        return PrepareFwImage(in, boot, job_, [this](const QString& text) { warnings_ << text; });
    }

    ByteVector Segment(int index) const {
        const FwSegment& segment = job_.segments[index];
        return ByteVector(segment.buffer, segment.buffer + segment.length);
    }

    ScratchDir scratch_;
    QString cfgDir_;
    QString fwDir_;
    data_info job_{};
    QStringList warnings_;
};

TEST_F(PrepareFwImageTest, HexFirmwareBecomesOnePackedSegment) {
    const SparseHex hex = RandomSparseHex(3);
    WriteText(Local(FwFile("fw.hex")), hex.text);
    ASSERT_EQ(Prepare(false, FwFile("fw.hex")), 0);
    EXPECT_TRUE(warnings_.isEmpty());
    ASSERT_EQ(job_.count, 1);
    const FwSegment& segment = job_.segments[0];
    EXPECT_EQ(segment.kind, kSegmentFirmware);
    EXPECT_EQ(segment.address, 0x8000);
    EXPECT_EQ(segment.unit, 1u);
    EXPECT_EQ(Segment(0), ReadBytes(Local(CfgFile("mcu.bin"))));
    EXPECT_EQ(UnpackFwImage(Segment(0)), hex.image);
    EXPECT_EQ(ReadBytes(Local(FwFile("fw.hex"))), ByteVector(hex.text.begin(), hex.text.end()))
        << "the chosen file is only read";
}

TEST_F(PrepareFwImageTest, BootSegmentComesFirstAsAFlatBinary) {
    WriteText(Local(CfgFile("boot_sw.hex")), kBootHex);
    const SparseHex hex = RandomSparseHex(4);
    WriteText(Local(FwFile("fw.hex")), hex.text);
    ASSERT_EQ(Prepare(true, FwFile("fw.hex")), 0);
    EXPECT_TRUE(warnings_.isEmpty());
    ASSERT_EQ(job_.count, 2);
    EXPECT_EQ(job_.segments[0].kind, kSegmentBoot);
    EXPECT_EQ(job_.segments[0].address, 0);
    EXPECT_EQ(Segment(0), kBootImage);
    EXPECT_EQ(ReadBytes(Local(CfgFile("boot_sw.bin"))), kBootImage);
    EXPECT_EQ(job_.segments[1].kind, kSegmentFirmware);
    EXPECT_EQ(UnpackFwImage(Segment(1)), hex.image);
}

TEST_F(PrepareFwImageTest, BinaryFirmwareIsTakenByteForByte) {
    const ByteVector firmware = {0x08, 0x10, 0xF7, 0xEF, 0x00, 0x0D, 0x0A, 0xFF};
    WriteBytes(Local(FwFile("fw.bin")), firmware);
    ASSERT_EQ(Prepare(false, FwFile("fw.bin")), 0);
    ASSERT_EQ(job_.count, 1);
    EXPECT_EQ(Segment(0), firmware);
    EXPECT_EQ(ReadBytes(Local(CfgFile("mcu.bin"))), firmware);
    EXPECT_EQ(ReadBytes(Local(FwFile("fw.bin"))), firmware);
}

TEST_F(PrepareFwImageTest, HexNameWithoutADotIsConvertedAsHex) {
    WriteText(Local(FwFile("fw_hex")), ":0100000055AA\n");
    ASSERT_EQ(Prepare(false, FwFile("fw_hex")), 0);
    EXPECT_EQ(UnpackFwImage(Segment(0)), ByteVector{0x55});
}

TEST_F(PrepareFwImageTest, AddressIsReadAsHexadecimal) {
    struct Case {
        const char* text;
        int32_t address;
    };
    const std::vector<Case> cases = {
        {"8000", 0x8000}, {"1a", 0x1A},    {"", 0},
        {"xyz", 0},       {"80000000", 0}, {"7FFFFFFF", 0x7FFFFFFF},
    };
    WriteBytes(Local(FwFile("fw.bin")), {1});
    for (const Case& c : cases) {
        ASSERT_EQ(Prepare(false, FwFile("fw.bin"), QString::fromLatin1(c.text)), 0);
        EXPECT_EQ(job_.segments[0].address, c.address) << c.text;
        FreeFwBuffers(&job_);
    }
}

TEST_F(PrepareFwImageTest, BuffersAreRoundedUpToTheUnitWithZeros) {
    struct Case {
        uint32_t unitField;
        uint32_t unit;
        int32_t length;
    };
    const std::vector<Case> cases = {
        {1, 1, 1500},        {0, 1024, 2048},       {16, 16, 1504},
        {1500, 1500, 1500},  {0x10000, 1024, 2048},  // low 16 bits 0: like an unset unit
        {0x10010, 16, 1504},
    };
    const ByteVector firmware(1500, 0xAB);
    WriteBytes(Local(FwFile("fw.bin")), firmware);
    for (const Case& c : cases) {
        job_.unit = c.unitField;
        ASSERT_EQ(Prepare(false, FwFile("fw.bin")), 0);
        const FwSegment& segment = job_.segments[0];
        EXPECT_EQ(segment.unit, c.unit) << c.unitField;
        ASSERT_EQ(segment.length, c.length) << c.unitField;
        ByteVector expected = firmware;
        expected.resize(static_cast<size_t>(c.length), 0x00);
        EXPECT_EQ(Segment(0), expected) << c.unitField;
        FreeFwBuffers(&job_);
    }
}

TEST_F(PrepareFwImageTest, EmptyBinaryGivesAnEmptySegment) {
    WriteBytes(Local(FwFile("empty.bin")), {});
    ASSERT_EQ(Prepare(false, FwFile("empty.bin")), 0);
    ASSERT_EQ(job_.count, 1);
    EXPECT_EQ(job_.segments[0].length, 0);
}

// The configuration directory of a Chinese user name, used by two downloads in a row: the second
// replaces the working files of the first.
TEST_F(PrepareFwImageTest, ChineseNamesWork) {
    const QString name = QString::fromUtf8("固件 版本.hex");
    if (!QTextCodec::codecForLocale()->canEncode(name)) {
        GTEST_SKIP() << "the local 8-bit encoding has no Chinese";
    }
    cfgDir_ = QString::fromLocal8Bit(scratch_.path().string().c_str()) +
              QString::fromUtf8("/张三/CfgFile");
    fs::create_directories(Local(cfgDir_));
    WriteText(Local(cfgDir_ + QString::fromUtf8("/boot_sw.hex")), kBootHex);
    WriteText(Local(FwFile(name)), ":0100000055AA\n");
    ASSERT_EQ(Prepare(true, FwFile(name)), 0);
    ASSERT_EQ(job_.count, 2);
    EXPECT_EQ(Segment(0), kBootImage);
    EXPECT_EQ(UnpackFwImage(Segment(1)), ByteVector{0x55});

    FreeFwBuffers(&job_);
    const QString binary = FwFile(QString::fromUtf8("固件.bin"));
    WriteBytes(Local(binary), {0x42});
    ASSERT_EQ(Prepare(true, binary), 0);
    ASSERT_EQ(job_.count, 2);
    EXPECT_EQ(Segment(1), ByteVector{0x42});
    EXPECT_TRUE(warnings_.isEmpty()) << warnings_.join('\n').toStdString();
    EXPECT_EQ(ListDir(Local(cfgDir_)),
              (std::vector<std::string>{"boot_sw.bin", "boot_sw.hex", "mcu.bin"}));
}

TEST_F(PrepareFwImageTest, MessagePathsAreShownAsTheyAre) {
    cfgDir_ = QString::fromLocal8Bit(scratch_.File("Cfg%2File").c_str());
    fs::create_directories(Local(cfgDir_));
    EXPECT_EQ(Prepare(true, FwFile("fw.bin")), 1);
    EXPECT_EQ(warnings_, QStringList{QString::fromUtf8("将hex文件转成bin文件失败\n") + cfgDir_ +
                                     "/boot_sw.hex\n" + cfgDir_ + "/boot_sw.bin"});
}

// Every row of the failure table. Each starts with earlier working files in place, which a
// failed step must leave as they were.
struct FailureCase {
    const char* name;
    bool boot;
    const char* bootHex;  // null: no boot_sw.hex
    bool firmwareChecked;
    const char* firmwareName;  // empty: no path entered
    const char* firmwareText;  // null: the file does not exist
    int result;
    const char* message;  // UTF-8; the boot conversion message gets both boot file paths
    int count;
};

// Names the row in failure output instead of dumping its bytes.
static void PrintTo(const FailureCase& row, std::ostream* out) {
    *out << row.name;
}

static const char kBootConversion[] = "将hex文件转成bin文件失败\n%1\n%2";
static const char kFirmwareConversion[] = "将hex文件转成bin文件失败。\n文件路径是否正确？\n";
static const char kCopyFailed[] = "拷贝文件失败。\n文件路径是否正确？\n";

static std::vector<FailureCase> FailureCases() {
    return {
        {"BootHexMissing", true, nullptr, true, "fw.bin", "x", 1, kBootConversion, 0},
        {"BootHexRefused", true, kRefusedHex, true, "fw.bin", "x", 1, kBootConversion, 0},
        {"UncheckedWithBoot", true, kBootHex, false, "fw.bin", "x", 0, "固件复选框未选中", 1},
        {"UncheckedWithoutBoot", false, nullptr, false, "fw.bin", "x", 0, "固件复选框未选中", 0},
        {"EmptyPathWithBoot", true, kBootHex, true, "", nullptr, kEFail, "请输入固件路径", 0},
        {"EmptyPathWithoutBoot", false, nullptr, true, "", nullptr, kEFail, "请输入固件路径", 0},
        {"HexRefusedWithBoot", true, kBootHex, true, "fw.hex", kRefusedHex, kEFail,
         kFirmwareConversion, 0},
        {"HexMissing", false, nullptr, true, "fw.HEX", nullptr, kEFail, kFirmwareConversion, 0},
        {"BinaryMissingWithBoot", true, kBootHex, true, "fw.bin", nullptr, kEFail, kCopyFailed, 0},
    };
}

class PrepareFailureTest : public PrepareFwImageTest,
                           public testing::WithParamInterface<FailureCase> {};

TEST_P(PrepareFailureTest, ShowsItsMessageAndLeavesTheJobAsTold) {
    const FailureCase& c = GetParam();
    const ByteVector earlier = {0xE0, 0xE1};
    WriteBytes(Local(CfgFile("mcu.bin")), earlier);
    WriteBytes(Local(CfgFile("boot_sw.bin")), earlier);
    if (c.bootHex != nullptr) {
        WriteText(Local(CfgFile("boot_sw.hex")), c.bootHex);
    }
    const QString firmwarePath = *c.firmwareName ? FwFile(c.firmwareName) : QString();
    if (c.firmwareText != nullptr) {
        WriteText(Local(firmwarePath), c.firmwareText);
    }

    EXPECT_EQ(Prepare(c.boot, firmwarePath, "8000", c.firmwareChecked), c.result);

    QString message = QString::fromUtf8(c.message);
    if (std::string(c.message) == kBootConversion) {
        message = message.arg(CfgFile("boot_sw.hex"), CfgFile("boot_sw.bin"));
    }
    EXPECT_EQ(warnings_, QStringList{message});
    ASSERT_EQ(job_.count, c.count);
    for (int i = 0; i < kMaxSegments; ++i) {
        EXPECT_EQ(job_.segments[i].buffer == nullptr, i >= c.count) << "segment " << i;
    }
    if (c.count == 1) {
        EXPECT_EQ(job_.segments[0].kind, kSegmentBoot);
        EXPECT_EQ(Segment(0), kBootImage);
    }
    EXPECT_EQ(ReadBytes(Local(CfgFile("mcu.bin"))), earlier);
    if (c.result == 1) {
        EXPECT_EQ(ReadBytes(Local(CfgFile("boot_sw.bin"))), earlier);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PrepareFailureTest, testing::ValuesIn(FailureCases()),
                         [](const testing::TestParamInfo<FailureCase>& row) {
                             return std::string(row.param.name);
                         });

// Failures of reading a produced working file, which no real file can be made to show on
// demand; the file helpers' fault seam makes that one step fail.
struct FaultCase {
    const char* name;
    FileFault fault;
    const char* file;  // the working file whose reading fails
    int result;
    const char* message;  // UTF-8; %1 stands for the working file's path
};

static void PrintTo(const FaultCase& row, std::ostream* out) {
    *out << row.name;
}

class PrepareFaultTest : public PrepareFwImageTest, public testing::WithParamInterface<FaultCase> {
  protected:
    ~PrepareFaultTest() override { DisarmFileFault(); }
};

TEST_P(PrepareFaultTest, ShowsItsMessageAndReleasesEverySegment) {
    const FaultCase& c = GetParam();
    WriteText(Local(CfgFile("boot_sw.hex")), kBootHex);
    WriteBytes(Local(FwFile("fw.bin")), {1, 2, 3});
    ArmFileFault(c.fault, std::string("/") + c.file);

    EXPECT_EQ(Prepare(true, FwFile("fw.bin")), c.result);

    QString message = QString::fromUtf8(c.message);
    if (message.contains("%1")) {
        message = message.arg(CfgFile(c.file));
    }
    EXPECT_EQ(warnings_, QStringList{message});
    EXPECT_EQ(job_.count, 0);
    for (int i = 0; i < kMaxSegments; ++i) {
        EXPECT_EQ(job_.segments[i].buffer, nullptr) << "segment " << i;
    }
    EXPECT_FALSE(TakeFileFault(c.fault, CfgFile(c.file).toLocal8Bit().constData()))
        << "the fault was reached";
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrepareFaultTest,
    testing::Values(FaultCase{"BootBinaryCannotBeOpened", FileFault::kOpen, "boot_sw.bin", 1,
                              "打开配置文件失败\n%1"},
                    FaultCase{"NoMemoryForTheBootSegment", FileFault::kNoMemory, "boot_sw.bin", 1,
                              "申请内存失败"},
                    FaultCase{"FirmwareCannotBeOpened", FileFault::kOpen, "mcu.bin", kEFail,
                              "打开固件文件失败\n%1"},
                    FaultCase{"NoMemoryForTheFirmwareSegment", FileFault::kNoMemory, "mcu.bin",
                              kEFail, "申请内存失败"}),
    [](const testing::TestParamInfo<FaultCase>& row) { return std::string(row.param.name); });

#ifdef __unix__
// A packed image that cannot be written must stop the flow rather than send the unpacked binary.
TEST_F(PrepareFwImageTest, PackFailureStopsTheFlow) {
    WriteText(Local(CfgFile("boot_sw.hex")), kBootHex);
    std::string hex;
    for (uint16_t at = 0; at < 4096; at += 16) {
        hex += HexRecord(0x00, at, ByteVector(16, static_cast<uint8_t>(at >> 4)));
    }
    WriteText(Local(FwFile("fw.hex")), hex);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 4100;  // the 4096-byte binary fits, its 4119-byte packed image does not
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

    const int result = Prepare(true, FwFile("fw.hex"));

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result, kEFail);
    EXPECT_EQ(warnings_, QStringList{QString::fromUtf8("打包固件文件失败\n") + CfgFile("mcu.bin")});
    EXPECT_EQ(job_.count, 0);
    EXPECT_EQ(job_.segments[0].buffer, nullptr);
    EXPECT_EQ(ReadBytes(Local(CfgFile("mcu.bin"))).size(), 4096u) << "the unpacked binary";
}
#endif
