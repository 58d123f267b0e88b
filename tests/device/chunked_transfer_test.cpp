#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "device/sim/sim_camera.h"
#include "device/xu_transport.h"
#include "tests/device/recording_device.h"

namespace {
// Set by a test to make the next nothrow array allocation fail, as under memory pressure.
bool failNextNothrowArray = false;
}  // namespace

// Replaces the nothrow array form only; everything else keeps the runtime's allocator.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (failNextNothrowArray) {
        failNextNothrowArray = false;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

constexpr uint32_t kNode = 4;
constexpr uint32_t kVersionSelector = 9;

enum class Direction { kWrite, kRead };

Status RunChunked(Direction direction, XuDevice* device, uint8_t* data, uint32_t length) {
    return direction == Direction::kWrite
               ? XuNodeSetChunked(device, kNode, kVersionSelector, data, length)
               : XuNodeGetChunked(device, kNode, kVersionSelector, data, length);
}

std::string DirectionName(Direction direction) {
    return direction == Direction::kWrite ? "Write" : "Read";
}

struct Arithmetic {
    uint32_t length;
    uint32_t packet;
};

class ChunkedArithmetic : public testing::TestWithParam<std::tuple<Direction, Arithmetic>> {};

// Full packets use the caller's buffer in place; the last one, full or not, always passes a
// zero-filled scratch packet of its own; nothing outside the caller's bytes is read or written.
TEST_P(ChunkedArithmetic, MovesExactlyTheCallersBytesInWholePackets) {
    const auto [direction, shape] = GetParam();
    RecordingDevice device;
    device.controlSize = shape.packet;
    constexpr uint8_t kSentinel = 0xEE;
    std::vector<uint8_t> buffer(shape.length + 8, kSentinel);
    for (uint32_t i = 0; i < shape.length; ++i) {
        buffer[i] = static_cast<uint8_t>(i + 1);
    }
    const std::vector<uint8_t> original = buffer;

    ASSERT_EQ(RunChunked(direction, &device, buffer.data(), shape.length), kSOk);

    const uint32_t packets = (shape.length + shape.packet - 1) / shape.packet;
    ASSERT_EQ(device.calls.size(), packets + 1u);
    EXPECT_EQ(device.calls[0].record, ExpectedRecord(kVersionSelector, kReadRequest, kNode));
    EXPECT_EQ(device.calls[0].length, 0u);
    const uint32_t flags = direction == Direction::kWrite ? kWriteRequest : kReadRequest;
    for (uint32_t i = 0; i < packets; ++i) {
        SCOPED_TRACE(i);
        const RecordedCall& call = device.calls[i + 1];
        EXPECT_EQ(call.record, ExpectedRecord(kVersionSelector, flags, kNode));
        EXPECT_EQ(call.length, shape.packet);
        EXPECT_EQ(call.returnedOnEntry, 0u);
        const uint8_t* inPlace = buffer.data() + i * shape.packet;
        const bool last = i + 1 == packets;
        EXPECT_EQ(call.data == inPlace, !last);
    }
    const uint32_t tail = shape.length - (packets - 1) * shape.packet;
    const uint32_t tailAt = shape.length - tail;
    if (direction == Direction::kWrite) {
        std::vector<uint8_t> lastPacket(original.begin() + tailAt, original.begin() + shape.length);
        lastPacket.resize(shape.packet, 0);
        EXPECT_EQ(device.calls.back().bytes, lastPacket);
        EXPECT_EQ(buffer, original);
    } else {
        for (uint32_t i = 0; i < shape.length; ++i) {
            const uint32_t packetCall = i / shape.packet + 1;
            ASSERT_EQ(buffer[i], static_cast<uint8_t>(RecordingDevice::kReadFillBase + packetCall))
                << i;
        }
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + shape.length, buffer.end()),
                  std::vector<uint8_t>(8, kSentinel));
        EXPECT_EQ(device.calls.back().bytes.size(), shape.packet);
    }
    EXPECT_EQ(device.controlsOpened, 1);
    EXPECT_EQ(device.controlsReleased, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Transport, ChunkedArithmetic,
    testing::Combine(testing::Values(Direction::kWrite, Direction::kRead),
                     testing::Values(Arithmetic{2, 64}, Arithmetic{32, 32}, Arithmetic{64, 32},
                                     Arithmetic{3 * 32 + 1, 32}, Arithmetic{1, 1})),
    [](const auto& test) {
        const Arithmetic& shape = std::get<1>(test.param);
        return DirectionName(std::get<0>(test.param)) + "_" + std::to_string(shape.length) +
               "_in_" + std::to_string(shape.packet);
    });

// Rows run against the simulated camera's 64-byte control 9; the setup arms faults.
struct FailureRow {
    std::string name;
    std::function<void(SimXuModel&)> setup;
    uint32_t length;
    Status expected;
    size_t expectedRequests;  // as the device logged them, size query included
};

std::vector<FailureRow> FailureRows() {
    return {
        {"SizeQueryFails", [](SimXuModel& m) { m.FailSizeQuery(9, kSimStall); }, 2, kEInvalidArg,
         1},
        {"SizeQueryAnswersWithoutSize", [](SimXuModel& m) { m.FailSizeQuery(9, kSFalse); }, 2,
         kEInvalidArg, 1},
        {"SizeQueryReportsZero", [](SimXuModel& m) { m.ZeroSizeQuery(9); }, 2, kEInvalidArg, 1},
        {"FirstFullPacketFails", [](SimXuModel& m) { m.FailRequest(9, 1, kSimStall); }, 130,
         kSimStall, 2},
        {"SecondFullPacketFails", [](SimXuModel& m) { m.FailRequest(9, 2, kSimDeviceGone); }, 130,
         kSimDeviceGone, 3},
        {"LastPacketFails", [](SimXuModel& m) { m.FailRequest(9, 1, kSimStall); }, 2, kSimStall, 2},
        {"LastPacketStatusIsNotMapped", [](SimXuModel& m) { m.FailRequest(9, 1, kSFalse); }, 2,
         kSFalse, 2},
        {"DeviceGoneAfterSizeQuery", [](SimXuModel& m) { m.VanishAfter(1); }, 2, kSimDeviceGone, 2},
    };
}

class ChunkedFailure : public testing::TestWithParam<std::tuple<Direction, FailureRow>> {};

TEST_P(ChunkedFailure, EndsWithTheRowsStatusAndSendsNothingMore) {
    const auto& [direction, row] = GetParam();
    SimCamera camera;
    std::vector<uint8_t> request = {0xFE, 0x07};
    if (direction == Direction::kRead) {
        ASSERT_EQ(XuNodeSetChunked(&camera, kNode, kVersionSelector, request.data(), 2), kSOk);
        camera.Model().ClearTraffic();
    }
    row.setup(camera.Model());
    std::vector<uint8_t> buffer(row.length, 0);
    std::copy(request.begin(), request.end(), buffer.begin());

    EXPECT_EQ(RunChunked(direction, &camera, buffer.data(), row.length), row.expected);
    EXPECT_EQ(camera.Model().Traffic().size(), row.expectedRequests);
}

INSTANTIATE_TEST_SUITE_P(Transport, ChunkedFailure,
                         testing::Combine(testing::Values(Direction::kWrite, Direction::kRead),
                                          testing::ValuesIn(FailureRows())),
                         [](const auto& test) {
                             return DirectionName(std::get<0>(test.param)) + "_" +
                                    std::get<1>(test.param).name;
                         });

class ChunkedArguments : public testing::TestWithParam<Direction> {};

TEST_P(ChunkedArguments, RefusesMissingPointersAndMovesNothingForZeroBytes) {
    const Direction direction = GetParam();
    SimCamera camera;
    uint8_t byte = 0;
    EXPECT_EQ(RunChunked(direction, nullptr, &byte, 1), kEPointer);
    EXPECT_EQ(RunChunked(direction, &camera, nullptr, 1), kEPointer);
    EXPECT_EQ(RunChunked(direction, &camera, &byte, 0), kSOk);
    EXPECT_TRUE(camera.Model().Traffic().empty());

    SimCameraConfig channelless;
    channelless.noControl = true;
    SimCamera noChannel(channelless);
    EXPECT_EQ(RunChunked(direction, &noChannel, &byte, 0), kSOk);
    EXPECT_EQ(RunChunked(direction, &noChannel, &byte, 1), kENoInterface);
    EXPECT_TRUE(noChannel.Model().Traffic().empty());
}

TEST_P(ChunkedArguments, ScratchPacketThatCannotBeAllocatedIsOutOfMemory) {
    SimCamera camera;
    std::vector<uint8_t> request = {0xFE, 0x07};
    failNextNothrowArray = true;
    EXPECT_EQ(RunChunked(GetParam(), &camera, request.data(), 2), kEOutOfMemory);
    failNextNothrowArray = false;
    const std::vector<SimTraffic> traffic = camera.Model().Traffic();
    ASSERT_EQ(traffic.size(), 1u);
    EXPECT_EQ(traffic[0].direction, SimDirection::kSizeQuery);
}

INSTANTIATE_TEST_SUITE_P(Transport, ChunkedArguments,
                         testing::Values(Direction::kWrite, Direction::kRead),
                         [](const auto& test) { return DirectionName(test.param); });

TEST(ChunkedVersionExchange, TwoBytesTravelAsOneZeroPaddedPacketOfTheControlsSize) {
    SimCamera camera;
    const uint8_t request[2] = {0xFE, 0x07};
    ASSERT_EQ(XuNodeSetChunked(&camera, kNode, kVersionSelector, request, 2), kSOk);
    uint8_t answer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(XuNodeGetChunked(&camera, kNode, kVersionSelector, answer, 2), kSOk);

    const std::vector<SimTraffic> traffic = camera.Model().Traffic();
    ASSERT_EQ(traffic.size(), 4u);
    std::vector<uint8_t> sent(64, 0);
    sent[0] = 0xFE;
    sent[1] = 0x07;
    EXPECT_EQ(traffic[1].direction, SimDirection::kSet);
    EXPECT_EQ(traffic[1].bytes, sent);
    EXPECT_EQ(traffic[3].direction, SimDirection::kGet);
    EXPECT_EQ(traffic[3].length, 64u);
    EXPECT_EQ(answer[0], 0x13);
    EXPECT_EQ(answer[1], 0x02);
    EXPECT_EQ(answer[2], 0xEE);
    EXPECT_EQ(answer[3], 0xEE);
    EXPECT_TRUE(camera.Model().ProtocolErrors().empty());
}

TEST(ChunkedVersionExchange, FailedLastReadStillHandsBackTheScratchBytes) {
    SimCamera camera;
    const uint8_t request[2] = {0xFE, 0x07};
    ASSERT_EQ(XuNodeSetChunked(&camera, kNode, kVersionSelector, request, 2), kSOk);
    camera.Model().FailRequest(kVersionSelector, 1, kSimStall);
    uint8_t answer[2] = {0xEE, 0xEE};
    EXPECT_EQ(XuNodeGetChunked(&camera, kNode, kVersionSelector, answer, 2), kSimStall);
    EXPECT_EQ(answer[0], 0);
    EXPECT_EQ(answer[1], 0);
}

}  // namespace
