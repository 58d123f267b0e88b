#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>

#include "tests/cli/cli_fixture.h"
#include "tests/json_lines.h"

namespace {

// The lines a run printed on stdout: the summary, one per camera and the count.
QStringList Summary(const QString& out) {
    return out.split('\n', Qt::SkipEmptyParts);
}

}  // namespace

// Three cameras, the middle one stalling: the other two succeed with exactly a single run's
// traffic, the summary names the failure, and the run ends with "some cameras failed".
TEST_F(CliTest, AllFlashesEveryCameraAndNamesTheOneThatFailed) {
    const Result all = Run({"--simulate-cameras", "3", "--simulate-fault", "write@1", "--trace",
                            "trace.txt", "flash", "firmware.hex", "--all", "--verify", "--reset"});
    EXPECT_EQ(all.exitCode, 8) << all.err.toStdString();
    const QStringList summary = Summary(all.out);
    ASSERT_EQ(summary.size(), 4) << all.out.toStdString();
    EXPECT_TRUE(summary[0].startsWith("0  Dovrane Sim Camera    VID_1D6B&PID_0102  success  "));
    EXPECT_TRUE(summary[1].startsWith("1  Dovrane Sim Boot Camera    VID_1D6B&PID_0103  failure"));
    EXPECT_TRUE(
        summary[1].endsWith("write failed at packet 2 of 2 (selector 6): device stalled "
                            "the request (0x8007001f)"))
        << summary[1].toStdString();
    EXPECT_TRUE(summary[2].startsWith("2  Dovrane Sim Camera 3    VID_1D6B&PID_0102  success  "));
    EXPECT_EQ(summary[3], "2 of 3 cameras flashed");
    const QStringList first = CameraTrace(0);
    const QStringList third = CameraTrace(2);

    for (const int device : {0, 2}) {
        const Result single =
            Run({"--simulate-cameras", "3", "--trace", "trace.txt", "flash", "firmware.hex",
                 "--device", QString::number(device), "--verify", "--reset"});
        ASSERT_EQ(single.exitCode, 0) << single.err.toStdString();
        EXPECT_EQ(device == 0 ? first : third, CameraTrace(device)) << device;
    }
}

TEST_F(CliTest, OnlyRestrictsAllToTheNamedUsbIds) {
    const Result r = Run({"--simulate-cameras", "4", "--trace", "trace.txt", "flash",
                          "firmware.bin", "--all", "--only", "1D6B:0103"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList summary = Summary(r.out);
    ASSERT_EQ(summary.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(summary[0].startsWith("1  Dovrane Sim Boot Camera  "));
    EXPECT_TRUE(summary[1].startsWith("3  Dovrane Sim Boot Camera 4  "));
    for (const int camera : {0, 2}) {
        EXPECT_EQ(Count(CameraTrace(camera), "set node=1 sel=6 "), 0) << camera;
    }
    EXPECT_EQ(Run({"--simulate", "flash", "firmware.bin", "--all", "--only", "ffff:0001"}).exitCode,
              3);
    EXPECT_EQ(Run({"--simulate", "flash", "firmware.bin", "--only", "1d6b:0103"}).exitCode, 2);
}

TEST_F(CliTest, AllWithJsonGivesStartProgressAndResultEventsPerCamera) {
    const Result r = Run({"--simulate", "flash", "firmware.hex", "--all", "--json", "--verify"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    int starts = 0;
    int results = 0;
    for (const QJsonObject& event : JsonLines(r.out.toUtf8())) {
        const QString kind = event["event"].toString();
        if (kind == "summary") {
            EXPECT_EQ(event["succeeded"].toInt(), 2);
            continue;
        }
        EXPECT_TRUE(event.contains("index") && event["label"].toString().contains("VID_1D6B"))
            << kind.toStdString();
        starts += kind == "start" ? 1 : 0;
        if (kind == "result") {
            ++results;
            EXPECT_EQ(event["outcome"].toString(), "success");
        }
        if (kind == "progress") {
            EXPECT_EQ(event["percent"].toInt() % 10, 0);
        }
    }
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(results, 2);
}

// The failed step and its cause, one line after the system's message.
TEST_F(CliTest, SingleFlashEndsWithTheCauseOnStderr) {
    struct CauseCase {
        QStringList args;
        int exitCode;
        QString cause;
    };
    const CauseCase cases[] = {
        {{"--simulate", "--simulate-fault", "write", "flash", "firmware.bin"},
         6,
         "write failed at packet 2 of 192 (selector 6): device stalled the request (0x8007001f)"},
        {{"--simulate", "--simulate-fault", "verify", "flash", "firmware.bin", "--verify"},
         7,
         "verify failed: the read-back differs from the file"},
        {{"--simulate", "--simulate-fault", "handshake", "flash", "firmware.bin"},
         4,
         "open failed: 设备校验错误"},
        {{"--simulate", "flash", "nothing.bin"}, 5, "prepare failed: 拷贝文件失败。"},
    };
    for (const CauseCase& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.split('\n', Qt::SkipEmptyParts).constLast(), c.cause)
            << r.err.toStdString();
    }
}

TEST_F(CliTest, LogHoldsOneRecordPerCameraWithTheFilesDigest) {
    const Result r = Run({"--simulate-cameras", "3", "--simulate-fault", "verify@2", "flash",
                          "firmware.hex", "--all", "--verify", "--log", "flash.log"});
    EXPECT_EQ(r.exitCode, 8) << r.err.toStdString();
    const Result single = Run({"--simulate", "flash", "firmware.hex", "--log", "flash.log"});
    EXPECT_EQ(single.exitCode, 0) << single.err.toStdString();
    const QString sha256 = QString::fromLatin1(
        QCryptographicHash::hash(Read("firmware.hex"), QCryptographicHash::Sha256).toHex());
    const QList<QJsonObject> records = JsonLines(Read("flash.log"));
    ASSERT_EQ(records.size(), 4);
    std::map<QString, QJsonObject> byPort;  // --all records come in the order jobs finish
    for (int i = 0; i < 3; ++i) {
        byPort[records[i]["usbPort"].toString()] = records[i];
    }
    for (const QJsonObject& record : records) {
        EXPECT_EQ(record["firmwareSha256"].toString(), sha256);
        EXPECT_EQ(record["firmwareSize"].toInt(), Read("firmware.hex").size());
        EXPECT_EQ(record["firmwarePath"].toString(), "firmware.hex");
        EXPECT_FALSE(record["time"].toString().isEmpty());
    }
    ASSERT_EQ(byPort.size(), 3u);
    EXPECT_EQ(byPort["sim-1"]["outcome"].toString(), "success");
    EXPECT_EQ(byPort["sim-3"]["outcome"].toString(), "failure");
    EXPECT_EQ(byPort["sim-3"]["step"].toString(), "verify");
    EXPECT_EQ(records[3]["usbPort"].toString(), "sim-1");
    EXPECT_TRUE(records[3]["verify"].isBool() && !records[3]["verify"].toBool());
}

TEST_F(CliTest, LogThatCannotBeOpenedFlashesNothing) {
    const Result r = Run({"--simulate", "--trace", "trace.txt", "flash", "firmware.bin", "--log",
                          "no/such/folder/flash.log"});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_TRUE(r.err.contains("no/such/folder/flash.log")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("trace.txt")));
}

// Two processes flashing four cameras each into one log: eight whole records.
TEST_F(CliTest, ConcurrentProcessesNeitherMixNorLoseRecords) {
    QProcess processes[2];
    for (QProcess& process : processes) {
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(DOVRANE_CLI), {"--simulate-cameras", "4", "flash",
                                                    "firmware.bin", "--all", "--log", "flash.log"});
    }
    for (QProcess& process : processes) {
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    const QList<QJsonObject> records = JsonLines(Read("flash.log"));
    ASSERT_EQ(records.size(), 8);
    for (const QJsonObject& record : records) {
        EXPECT_EQ(record["outcome"].toString(), "success");
    }
}

// A camera pulled out mid-write fails with its cause; the others are not disturbed.
TEST_F(CliTest, AllReportsTheCameraPulledOutAndFinishesTheOthers) {
    const Result r = Run({"--simulate-cameras", "3", "--simulate-fault", "pulled@1", "flash",
                          "firmware.bin", "--all", "--verify", "--reset"});
    EXPECT_EQ(r.exitCode, 8) << r.err.toStdString();
    const QStringList summary = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(summary.size(), 4) << r.out.toStdString();
    EXPECT_TRUE(summary[0].contains("  success  ")) << summary[0].toStdString();
    EXPECT_TRUE(summary[1].contains(QRegularExpression(
        "  failure  .*write failed at packet \\d+ of 192 \\(selector 6\\): device not connected")))
        << summary[1].toStdString();
    EXPECT_TRUE(summary[2].contains("  success  ")) << summary[2].toStdString();
}

// One camera, one job: a camera another program holds is sent nothing and named busy.
TEST_F(CliTest, CameraHeldByAnotherProgramIsRefusedAndListedAsBusy) {
    const Result flash = Run({"--simulate", "--simulate-fault", "held@0", "--trace", "trace.txt",
                              "flash", "firmware.bin"});
    EXPECT_EQ(flash.exitCode, 12) << flash.err.toStdString();
    EXPECT_TRUE(flash.err.contains("设备初始化失败"));
    EXPECT_EQ(flash.err.split('\n', Qt::SkipEmptyParts).constLast(),
              "open failed: the camera is held for a job by another program (simulated)");
    // Discovery's probe came before the other program took the camera.
    EXPECT_EQ(Count(CameraTrace(0), "set node=1 sel=6 "), 0);
    EXPECT_EQ(Count(CameraTrace(0), "set node=1 sel=9 "), 0);

    const Result list = Run({"--simulate", "--simulate-fault", "held@1", "list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.split('\n')[1].endsWith("  busy")) << list.out.toStdString();
}
