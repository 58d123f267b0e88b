#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "download/flash_log.h"
#include "tests/json_lines.h"

namespace {

QList<QJsonObject> Records(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return JsonLines(file.readAll());
}

}  // namespace

TEST(FlashLog, DigestIsTheSha256OfTheFileAsItReads) {
    QTemporaryDir dir;
    QFile file(dir.filePath("abc.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc");
    file.close();
    const FileDigest digest = DigestFile(file.fileName());
    EXPECT_EQ(digest.size, 3);
    EXPECT_EQ(digest.sha256.toStdString(),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(DigestFile(dir.filePath("missing.bin")).size, -1);
}

// Each record is one line, stamped with the time in UTC and the host, added after what the
// file held already.
TEST(FlashLog, AppendsOneStampedRecordPerLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("日志/flash.log");
    ASSERT_TRUE(QDir(dir.path()).mkpath("日志"));
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("{\"earlier\":true}\n");
    }
    FlashResult failed;
    failed.failedStep = FlashStep::kWrite;
    failed.request = FailedRequest{6, false, 37, 79, static_cast<Status>(0x8007001Fu), "EPIPE"};
    failed.versionWord = 2;
    failed.elapsedMs = 42;
    const CameraIdentity camera{3, "Cam    VID_1D6B&PID_0102", "/dev/video2", "1-1.3", "SN42"};
    const FlashOrder order{{"cfg", "固件/fw.bin", "8000", true}, true, false, std::nullopt};
    FlashLog log;
    ASSERT_TRUE(log.Open(path));
    ASSERT_TRUE(log.Append(FlashRecord(camera, order, {3, "abcd"}, failed)));

    const QList<QJsonObject> records = Records(path);
    ASSERT_EQ(records.size(), 2);
    const QJsonObject& record = records[1];
    EXPECT_EQ(record["usbPort"].toString(), "1-1.3");
    EXPECT_EQ(record["serial"].toString(), "SN42");
    EXPECT_EQ(record["index"].toInt(), 3);
    EXPECT_EQ(record["firmwarePath"].toString(), QStringLiteral("固件/fw.bin"));
    EXPECT_EQ(record["firmwareSha256"].toString(), "abcd");
    EXPECT_EQ(record["address"].toString(), "8000");
    EXPECT_EQ(record["outcome"].toString(), "failure");
    EXPECT_EQ(record["step"].toString(), "write");
    EXPECT_EQ(record["cause"].toString(),
              "write failed at packet 37 of 79 (selector 6): device stalled the request (EPIPE)");
    EXPECT_EQ(record["versionBefore"].toInt(), 2);
    EXPECT_EQ(record["elapsedMs"].toInt(), 42);
    const QDateTime time = QDateTime::fromString(record["time"].toString(), Qt::ISODateWithMs);
    EXPECT_TRUE(time.isValid());
    EXPECT_EQ(time.timeSpec(), Qt::UTC);
    EXPECT_FALSE(record["host"].toString().isEmpty());
}

TEST(FlashLog, RefusesALogItCannotCreate) {
    QTemporaryDir dir;
    FlashLog log;
    EXPECT_FALSE(log.Open(dir.filePath("no/such/folder/flash.log")));
    EXPECT_FALSE(log.Append(QJsonObject{{"x", 1}}));
}
