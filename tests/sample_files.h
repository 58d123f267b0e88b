#pragma once

// The sample firmware and boot software in a scratch folder, laid out as an operator's working
// folder holds them (CfgFile/boot_sw.hex beside the firmware). DOVRANE_EXAMPLES names the
// project's examples folder.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

inline void CopySampleFiles(const QTemporaryDir& dir) {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("CfgFile"));
    for (const char* name : {"firmware.hex", "firmware.bin", "CfgFile/boot_sw.hex"}) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(DOVRANE_EXAMPLES "/") + name, dir.filePath(name)));
    }
}
