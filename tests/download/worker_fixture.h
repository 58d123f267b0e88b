#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "device/command_set.h"
#include "device/sim/sim_camera.h"
#include "download/worker.h"

using Report = std::pair<uint32_t, int64_t>;  // kind, value as the window would split it

// A worker driven synchronously on the test thread against one simulated camera; its reports
// are collected in order.
class WorkerTest : public ::testing::Test {
  protected:
    explicit WorkerTest(uint32_t packetLength = 32) : camera(ConfigWithPacket(packetLength)) {
        QObject::connect(&worker, &Worker::WorkerTheardState, [this](qulonglong state) {
            reports.emplace_back(static_cast<uint32_t>(state >> 32),
                                 static_cast<int64_t>(static_cast<uint32_t>(state)));
        });
    }

    static SimCameraConfig ConfigWithPacket(uint32_t packetLength) {
        SimCameraConfig config;
        config.xu.packetLength = packetLength;
        return config;
    }

    // Opens the device's session as the load action does before it hands over a job.
    void OpenSession();

    void SetUp() override { OpenSession(); }

    // A job for this camera whose buffers hold a recognisable pattern; the job owns them.
    data_info Job(std::vector<std::pair<uint8_t, int32_t>> kindsAndLengths, uint8_t verify = 0,
                  uint8_t reset = 0) {
        data_info job;
        std::memset(&job, 0, sizeof job);
        job.device = &camera;
        job.node = 4;
        job.unit = 1;
        job.verify = verify;
        job.reset = reset;
        for (const auto& [kind, length] : kindsAndLengths) {
            FwSegment& segment = job.segments[static_cast<size_t>(job.count)];
            ++job.count;
            const auto size = static_cast<size_t>(length);
            segment.buffer = new uint8_t[size];
            for (size_t i = 0; i < size; ++i) {
                segment.buffer[i] = static_cast<uint8_t>(kind * 31 + i * 7);
            }
            segment.length = length;
            segment.kind = kind;
            segment.address = kind == 1 ? 0 : 0x8000;
            segment.unit = 1;
        }
        return job;
    }

    static std::vector<uint8_t> BytesOf(const FwSegment& segment) {
        return std::vector<uint8_t>(segment.buffer,
                                    segment.buffer + static_cast<size_t>(segment.length));
    }

    std::vector<SimTraffic> Requests(SimDirection direction, uint32_t selector) {
        std::vector<SimTraffic> found;
        for (const SimTraffic& t : camera.Model().Traffic()) {
            if (t.direction == direction && t.selector == selector) {
                found.push_back(t);
            }
        }
        return found;
    }

    SimCamera camera;
    Worker worker;
    std::vector<Report> reports;
};

inline void WorkerTest::OpenSession() {
    uint16_t version = 0;
    uint16_t packetLength = 0;
    ASSERT_EQ(DevOpen(&camera, NodeAddress::Id(4), &version, &packetLength), kSOk);
    camera.Model().ClearTraffic();
}
