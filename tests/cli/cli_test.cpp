#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "image/fw_image.h"
#include "image/hex_to_bin.h"
#include "tests/cli/cli_fixture.h"

TEST_F(CliTest, FlashesAHexFileWithVerifyAndResetLast) {
    const Result r =
        Run({"--simulate", "--trace", "trace.txt", "flash", "firmware.hex", "--verify", "--reset"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.contains(QRegularExpression("^烧写成功 时间:\\d+ms\\ncame back as V2.1.3\\n$")))
        << r.out.toStdString();

    // The packed image of 6000 bytes: 6000 + 3*6 + 11 = 6029 bytes, rounded to 512-byte packets.
    EXPECT_EQ(Read("CfgFile/mcu.bin").size(), 6029);
    const QStringList lines = CameraTrace(0);
    EXPECT_TRUE(
        lines.contains("set node=1 sel=5 len=10 status=0x00000000 data=020000000000001800e5"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(
        lines.contains("set node=1 sel=5 len=10 status=0x00000000 data=82000000000000178dd9"));
    EXPECT_EQ(Count(lines, "set node=1 sel=6 len=512 "), 12);
    EXPECT_EQ(Count(lines, "get node=1 sel=6 len=512 "), 12);
    EXPECT_TRUE(lines.contains("len node=1 sel=6 len=0 status=0x00000000 size=512"));
    // The reset ends the job; what follows is the camera, back from it, greeted and asked
    // for the version it displays.
    const int reset = lines.indexOf("set node=1 sel=1 len=1 status=0x00000000 data=76");
    ASSERT_GE(reset, 0);
    const QStringList back = lines.mid(reset + 1);
    EXPECT_EQ(Count(back, "set node=1 sel=1 "), 1);
    EXPECT_EQ(back.value(0), "set node=1 sel=1 len=1 status=0x00000000 data=aa");
    EXPECT_TRUE(back.last().startsWith("get node=1 sel=9 ")) << back.join('\n').toStdString();
    EXPECT_EQ(back.filter(QRegularExpression(" sel=[568] ")).size(), 0);
}

TEST_F(CliTest, FlashesABinaryWithBootSoftwareIntoTheBootCamera) {
    const Result r = Run({"--simulate", "--trace", "trace.txt", "flash", "firmware.bin", "--device",
                          "1", "--address", "8000"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList headers = CameraTrace(1).filter(" sel=5 ");
    ASSERT_EQ(headers.size(), 2);
    EXPECT_TRUE(headers[0].endsWith("data=010000000000000400fa"))  // boot: 1024 bytes at 0
        << headers[0].toStdString();
    EXPECT_TRUE(headers[1].contains("data=0200008000"));  // firmware at 0x8000
    EXPECT_EQ(Read("CfgFile/mcu.bin"), Read("firmware.bin"));
    EXPECT_EQ(Count(CameraTrace(1), "set node=4 sel=1 len=1 status=0x00000000 data=76"), 0);
}

struct FailureCase {
    const char* name;
    QStringList args;
    int exitCode;
    const char* message;
};

class CliFailure : public CliTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CliFailure, EndsWithItsExitCodeAndTheSystemsMessage) {
    const FailureCase& c = GetParam();
    const Result r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CliFailure,
    ::testing::Values(
        FailureCase{"NoDevice",
                    {"--simulate", "--simulate-fault", "gone", "flash", "firmware.bin"},
                    3,
                    "请选择一个设备"},
        FailureCase{"NoSuchIndex",
                    {"--simulate", "flash", "firmware.bin", "--device", "5"},
                    3,
                    "请选择一个设备"},
        FailureCase{"OpenFails",
                    {"--simulate", "--simulate-fault", "handshake", "flash", "firmware.bin"},
                    4,
                    "设备初始化失败"},
        FailureCase{"MissingFile", {"--simulate", "flash", "nothing.bin"}, 5, "拷贝文件失败"},
        FailureCase{"DirectoryAsFile", {"--simulate", "flash", "CfgFile"}, 5, "拷贝文件失败"},
        FailureCase{"BrokenHex",
                    {"--simulate", "flash", "CfgFile/../firmware.bin.hex"},
                    5,
                    "将hex文件转成bin文件失败"},
        FailureCase{"WriteFails",
                    {"--simulate", "--simulate-fault", "write", "flash", "firmware.bin"},
                    6,
                    "烧写失败"},
        FailureCase{
            "VerifyFails",
            {"--simulate", "--simulate-fault", "verify", "flash", "firmware.bin", "--verify"},
            7,
            "烧写失败"},
        FailureCase{
            "ResetOnAnotherNode", {"--simulate", "reset", "--device", "1"}, 4, "设备初始化失败"},
        FailureCase{"UnknownCommand", {"burn"}, 2, "unknown command burn"},
        FailureCase{"MissingArgument", {"flash"}, 2, "flash takes 1 argument"},
        FailureCase{"BadAddress",
                    {"--simulate", "flash", "firmware.bin", "--address", "xyz"},
                    2,
                    "--address"},
        FailureCase{
            "BadDevice", {"--simulate", "flash", "firmware.bin", "--device", "-1"}, 2, "--device"},
        FailureCase{"UnknownFault",
                    {"--simulate", "--simulate-fault", "fire", "list"},
                    2,
                    "--simulate-fault"},
        FailureCase{"UnwritableOutput",
                    {"pack", "firmware.bin", "no/such/dir/out.bin"},
                    1,
                    "cannot be written"},
        FailureCase{"UnreadableHex", {"hex2bin", "nothing.hex", "out.bin"}, 1, "nothing.hex"},
        // The value of an option before the command is no command.
        FailureCase{"OptionsBeforeTheCommand",
                    {"--simulate", "--device", "1", "reset"},
                    4,
                    "设备初始化失败"},
        FailureCase{"AnotherCommandsOption",
                    {"--simulate", "list", "--verify"},
                    2,
                    "unknown option --verify"},
        FailureCase{"MissingValue",
                    {"--simulate", "flash", "firmware.bin", "--trace"},
                    2,
                    "--trace needs a value"},
        FailureCase{"FlagWithAValue",
                    {"--simulate", "flash", "firmware.bin", "--verify=1"},
                    2,
                    "--verify takes no value"},
        FailureCase{"UnknownShortOption", {"-x", "list"}, 2, "unknown option -x"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(CliTest, ResetReachesTheCameraWhoseUnitIsNodeOne) {
    const Result r = Run({"--simulate", "--trace", "trace.txt", "reset"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(CameraTrace(0).last(), "set node=1 sel=1 len=1 status=0x00000000 data=76");
}

TEST_F(CliTest, ListJsonDescribesBothSimulatedCameras) {
    const Result r = Run({"--simulate", "list", "--json"});
    ASSERT_EQ(r.exitCode, 0);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    const QJsonArray rows = doc.array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toObject()["index"].toInt(), 0);
    EXPECT_EQ(rows[0].toObject()["label"].toString(), "Dovrane Sim Camera    VID_1D6B&PID_0102");
    EXPECT_EQ(rows[0].toObject()["node"].toInt(), 1);
    EXPECT_EQ(rows[0].toObject()["version"].toString(), "V2.1.3");
    EXPECT_EQ(rows[1].toObject()["node"].toInt(), 4);
    EXPECT_EQ(rows[1].toObject()["version"].toString(), "V1.1.0");
}

TEST_F(CliTest, FileCommandsWriteWhatTheLibraryWrites) {
    ASSERT_EQ(Run({"hex2bin", "firmware.hex", "cli.bin"}).exitCode, 0);
    const QByteArray hex = dir.filePath("firmware.hex").toLocal8Bit();
    const QByteArray lib = dir.filePath("lib.bin").toLocal8Bit();
    ASSERT_EQ(HexToBin(hex.constData(), lib.constData()), 0);
    EXPECT_EQ(Read("cli.bin"), Read("lib.bin"));

    ASSERT_EQ(Run({"pack", "cli.bin", "cli.img"}).exitCode, 0);
    ASSERT_EQ(PackFwImage(lib.constData(), lib.constData()), 0);
    EXPECT_EQ(Read("cli.img"), Read("lib.bin"));
}

TEST_F(CliTest, VersionPrintsTheWordOrNothing) {
    Result r = Run({"version", "firmware.bin"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "V2.1.3\n");
    r = Run({"version", "firmware.hex"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliTest, ProgressLinesOnAPipeAndHelpAndVersion) {
    Result r = Run({"--simulate", "flash", "firmware.bin", "--verify"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("write  100% 98304/98304 B")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("verify 100% 98304/98304 B"));
    r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Exit status"));
    r = Run({"--version"});
    EXPECT_EQ(r.out, "dovrane-cli 2.1.0\n");
}

struct HelpCase {
    const char* command;
    QStringList options;  // its own options, which no other command's help may show
};

TEST_F(CliTest, EachCommandHasItsOwnHelp) {
    const HelpCase cases[] = {{"list", {"--json"}},
                              {"flash",
                               {"--device N", "--address HEX", "--verify", "--reset", "--all",
                                "--only VID:PID", "--json", "--log FILE"}},
                              {"reset", {"--device N"}},
                              {"version", {}},
                              {"hex2bin", {}},
                              {"pack", {}}};
    const Result tool = Run({"--help"});
    for (const HelpCase& c : cases) {
        const QString command = QString::fromLatin1(c.command);
        EXPECT_TRUE(tool.out.contains(QRegularExpression("\\n  " + command + "[ \\n]")))
            << c.command;
        const Result r = Run({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << c.command;
        EXPECT_TRUE(r.out.startsWith("Usage: dovrane-cli [global options] " + command))
            << r.out.toStdString();
        for (const HelpCase& other : cases) {
            for (const QString& option : other.options) {
                EXPECT_EQ(r.out.contains("  " + option + " "), c.options.contains(option))
                    << c.command << " help and " << option.toStdString();
            }
        }
    }
}
