#pragma once

// Runs the built tool as a process in a scratch directory that holds the sample files.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/sample_files.h"

struct Result {
    int exitCode;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { CopySampleFiles(dir); }

    Result Run(const QStringList& args) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(DOVRANE_CLI), args);
        EXPECT_TRUE(process.waitForFinished(60000)) << args.join(' ').toStdString();
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QStringList Trace() {
        QFile file(dir.filePath("trace.txt"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // The trace lines of one simulated camera.
    QStringList CameraTrace(int camera) {
        QStringList lines;
        bool inside = false;
        for (const QString& line : Trace()) {
            if (line.startsWith("# camera ")) {
                inside = line == QStringLiteral("# camera %1").arg(camera);
            } else if (inside) {
                lines << line;
            }
        }
        return lines;
    }

    QByteArray Read(const QString& name) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    QTemporaryDir dir;
};

inline int Count(const QStringList& lines, const QString& prefix) {
    int count = 0;
    for (const QString& line : lines) {
        count += line.startsWith(prefix) ? 1 : 0;
    }
    return count;
}
