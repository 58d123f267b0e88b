#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <signal.h>

#include "tests/cli/cli_fixture.h"
#include "tests/json_lines.h"

namespace {

QStringList Kinds(const QList<QJsonObject>& events) {
    QStringList kinds;
    for (const QJsonObject& event : events) {
        kinds << event["event"].toString() + (event.contains("index")
                                                  ? QString::number(event["index"].toInt())
                                                  : QString());
    }
    return kinds;
}

// A copy of the sample binary that carries another version word, V3.0.1.
void WriteVersion301(const QString& path, QByteArray firmware) {
    firmware[81924] = '\x03';
    firmware[81925] = '\x01';
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(firmware);
}

}  // namespace

// Cameras arriving one by one are flashed in arrival order, each while the one before is still
// away on its reset, and each once: coming back from the reset is no reason to flash again.
TEST_F(CliTest, WatchFlashesEachArrivingCameraOnce) {
    const Result r =
        Run({"--simulate-cameras", "3", "--simulate-plug-every", "100", "--trace", "trace.txt",
             "watch", "firmware.bin", "--reset", "--count", "3", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList kinds = Kinds(JsonLines(r.out.toUtf8()));
    EXPECT_EQ(kinds.filter("start"), (QStringList{"start0", "start1", "start2"}));
    EXPECT_LT(kinds.indexOf("start1"), kinds.indexOf("result0")) << kinds.join(' ').toStdString();
    EXPECT_EQ(kinds.filter("result").size(), 3);
    EXPECT_EQ(kinds.last(), "summary");
    for (int camera = 0; camera < 3; ++camera) {
        const QStringList lines = CameraTrace(camera);
        EXPECT_EQ(lines.filter(QRegularExpression(" sel=5 .* data=02")).size(), 1) << camera;
        EXPECT_EQ(lines.filter(QRegularExpression(" sel=1 .* data=76$")).size(), 1) << camera;
    }
}

// The first SIGINT stops taking cameras; the job it interrupts finishes and is reported.
TEST_F(CliTest, WatchInterruptedMidJobLetsTheJobFinish) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(DOVRANE_CLI),
                  {"--simulate-cameras", "3", "--simulate-plug-every", "300", "watch",
                   "firmware.bin", "--verify", "--reset", "--json"});
    ASSERT_TRUE(process.waitForStarted(10000));
    QByteArray out;
    while (!out.contains("\"start\"") && process.waitForReadyRead(10000)) {
        out += process.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("\"start\""));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QList<QJsonObject> events = JsonLines(out);
    EXPECT_EQ(Kinds(events), (QStringList{"start0", "result0", "summary"}));
    EXPECT_EQ(events[1]["outcome"].toString(), "success");
}

TEST_F(CliTest, ReturnCheckComparesTheVersionTheCameraComesBackWith) {
    WriteVersion301(dir.filePath("v301.bin"), Read("firmware.bin"));
    struct ReturnCase {
        QStringList args;
        int exitCode;
        QString lastOut;  // the return line on stdout, or the job's own
        QString cause;    // the last line on stderr for a failure
    };
    const ReturnCase cases[] = {
        {{"flash", "firmware.bin", "--reset"}, 0, "came back as V2.1.3", ""},
        {{"flash", "v301.bin", "--reset"}, 0, "came back as V3.0.1", ""},
        {{"--simulate-fault", "stale", "flash", "v301.bin", "--reset"},
         11,
         "came back as V2.1.3",
         "return failed: came back as V2.1.3, not V3.0.1"},
        {{"--simulate-fault", "no-return", "flash", "v301.bin", "--reset", "--return-timeout", "1"},
         11,
         "",
         "return failed: the camera did not come back in time"},
        // A HEX file carries no version word: whatever comes back passes.
        {{"--simulate-fault", "stale", "flash", "firmware.hex", "--reset"},
         0,
         "came back as V2.1.3",
         ""},
        {{"--simulate-fault", "no-return", "flash", "v301.bin"}, 0, "", ""},
    };
    for (const ReturnCase& c : cases) {
        const Result r = Run(QStringList("--simulate") + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        const QStringList out = r.out.split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(out.size() > 1 ? out.last() : QString(), c.lastOut)
            << c.args.join(' ').toStdString();
        if (!c.cause.isEmpty()) {
            EXPECT_EQ(r.err.split('\n', Qt::SkipEmptyParts).constLast(), c.cause);
        }
    }
}
