#pragma once

// A scratch configuration directory with the sample boot software and firmware, and simulated
// cameras to flash with the flash layer.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/sim/sim_camera.h"
#include "device/sim/sim_trace.h"
#include "download/flash_session.h"
#include "tests/sample_files.h"

class FlashSessionTest : public ::testing::Test {
  protected:
    void SetUp() override { CopySampleFiles(dir); }

    static SimCameraConfig Camera(uint16_t versionWord = 2) {
        SimCameraConfig config;
        config.xu.packetLength = 512;
        config.xu.versionWord = versionWord;
        return config;
    }

    FlashOrder Order(const char* file, bool verify, bool reset) const {
        return {{dir.filePath("CfgFile"), dir.filePath(file), QStringLiteral("0"), true},
                verify,
                reset,
                std::nullopt};
    }

    static std::vector<std::string> Lines(const SimXuModel& model) {
        std::vector<std::string> lines;
        for (const SimTraffic& traffic : model.Traffic()) {
            lines.push_back(SimTrafficLine(traffic));
        }
        return lines;
    }

    FlashResult Flash(SimCamera& camera, const FlashOrder& order) {
        return RunFlashSession(
            &camera, 4, order, [this](const QString& text) { messages << text; },
            [](const Worker::Report&, const JobProgress&) {});
    }

    QTemporaryDir dir;
    QStringList messages;
};
