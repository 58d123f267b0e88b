#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/sim/sim_camera.h"
#include "device/xu_transport.h"
#include "tests/device/recording_device.h"

namespace {

constexpr uint32_t kNode = 7;
constexpr uint32_t kSelector = 6;
constexpr uint32_t kUntouched = 0x5A5A5A5A;

struct Buffers {
    uint8_t data[4] = {1, 2, 3, 4};
    uint32_t size = kUntouched;
};

enum class Kind { kWrite, kRead, kLength };

struct SingleOp {
    std::string name;
    Kind kind;
    uint32_t node;  // the node the request must carry
    std::function<Status(XuDevice*, Buffers&)> run;
};

std::vector<SingleOp> SingleOps() {
    return {
        {"XuSet", Kind::kWrite, 1,
         [](XuDevice* d, Buffers& b) { return XuSet(d, kSelector, b.data, sizeof b.data); }},
        {"XuGet", Kind::kRead, 1,
         [](XuDevice* d, Buffers& b) { return XuGet(d, kSelector, b.data, sizeof b.data); }},
        {"XuGetLength", Kind::kLength, 1,
         [](XuDevice* d, Buffers& b) { return XuGetLength(d, kSelector, &b.size); }},
        {"XuNodeSet", Kind::kWrite, kNode,
         [](XuDevice* d, Buffers& b) {
             return XuNodeSet(d, kNode, kSelector, b.data, sizeof b.data);
         }},
        {"XuNodeGet", Kind::kRead, kNode,
         [](XuDevice* d, Buffers& b) {
             return XuNodeGet(d, kNode, kSelector, b.data, sizeof b.data);
         }},
        {"XuNodeGetLength", Kind::kLength, kNode,
         [](XuDevice* d, Buffers& b) { return XuNodeGetLength(d, kNode, kSelector, &b.size); }},
    };
}

class SingleOperation : public testing::TestWithParam<SingleOp> {};

TEST_P(SingleOperation, SendsOneRecordToItsNodeAndReleasesTheChannel) {
    const SingleOp& op = GetParam();
    RecordingDevice device;
    Buffers buffers;

    const Status status = op.run(&device, buffers);

    ASSERT_EQ(device.calls.size(), 1u);
    const RecordedCall& call = device.calls[0];
    const uint32_t flags = op.kind == Kind::kWrite ? kWriteRequest : kReadRequest;
    EXPECT_EQ(call.record, ExpectedRecord(kSelector, flags, op.node));
    EXPECT_EQ(call.returnedOnEntry, 0u);
    if (op.kind == Kind::kLength) {
        EXPECT_EQ(call.data, nullptr);
        EXPECT_EQ(call.length, 0u);
        EXPECT_EQ(status, kSOk);
        EXPECT_EQ(buffers.size, device.controlSize);
    } else {
        EXPECT_EQ(call.data, buffers.data);
        EXPECT_EQ(call.length, sizeof buffers.data);
        EXPECT_EQ(status, kSOk);
    }
    EXPECT_EQ(device.controlsOpened, 1);
    EXPECT_EQ(device.controlsReleased, 1);
}

TEST_P(SingleOperation, NullFilterFailsAndAMissingChannelKeepsItsOwnStatus) {
    const SingleOp& op = GetParam();
    Buffers buffers;
    EXPECT_EQ(op.run(nullptr, buffers), kEFail);

    for (Status openStatus : {kENoInterface, static_cast<Status>(0x80001234u)}) {
        RecordingDevice device;
        device.openStatus = openStatus;
        EXPECT_EQ(op.run(&device, buffers), openStatus);
        EXPECT_TRUE(device.calls.empty());
    }
    EXPECT_EQ(buffers.size, kUntouched);
}

TEST_P(SingleOperation, MapsThePlatformAnswer) {
    const SingleOp& op = GetParam();
    struct Row {
        Status platform;
        Status expected;  // for a write or read; a length query is mapped on its own
    };
    const std::vector<Row> rows = {
        {kSOk, kSOk},
        {kSFalse, kSFalse},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {kEInvalidArg, kEFail},
        {kSimStall, kEFail},
        {kMoreData, kEFail},
        {static_cast<Status>(0x80000000u), kEFail},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.platform);
        RecordingDevice device;
        device.statusOfCall[0] = row.platform;
        Buffers buffers;
        const Status status = op.run(&device, buffers);
        if (op.kind != Kind::kLength) {
            EXPECT_EQ(status, row.expected);
        } else if (row.platform == kMoreData) {
            EXPECT_EQ(status, kSOk);
            EXPECT_EQ(buffers.size, device.controlSize);
        } else {
            // Only kMoreData carries a size; success included, anything else is a failure.
            EXPECT_EQ(status, kEFail);
            EXPECT_EQ(buffers.size, kUntouched);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Transport, SingleOperation, testing::ValuesIn(SingleOps()),
                         [](const auto& test) { return test.param.name; });

TEST(SingleOperationArguments, MissingBufferIsRefusedBeforeAnyRequest) {
    RecordingDevice device;
    EXPECT_EQ(XuSet(&device, 1, nullptr, 1), kEPointer);
    EXPECT_EQ(XuNodeGet(&device, kNode, 3, nullptr, 2), kEPointer);
    EXPECT_EQ(XuNodeGetLength(&device, kNode, 6, nullptr), kEPointer);
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(device.controlsOpened, 0);
}

TEST(SingleOperationArguments, SuccessWithoutAChannelIsNoInterface) {
    RecordingDevice device;
    device.withholdControl = true;
    uint8_t byte = 0xAA;
    EXPECT_EQ(XuSet(&device, 1, &byte, 1), kENoInterface);
    EXPECT_EQ(XuNodeSetChunked(&device, kNode, 9, &byte, 1), kENoInterface);
    EXPECT_EQ(XuNodeGetChunked(&device, kNode, 9, &byte, 1), kENoInterface);
}

TEST(SingleOperationOnSimCamera, DeviceRefusalIsEFailAndSuccessCodesPassThrough) {
    SimCameraConfig config;
    config.xuNode = 1;
    SimCamera camera(config);
    const uint8_t initialise = 0xAA;
    uint8_t byte = 0;

    EXPECT_EQ(XuSet(&camera, 7, &initialise, 1), kEFail);   // no such control: a stall
    EXPECT_EQ(XuNodeGet(&camera, 4, 3, &byte, 1), kEFail);  // not the extension unit's node
    camera.Model().FailRequest(1, 1, kSFalse);
    EXPECT_EQ(XuNodeSet(&camera, 1, 1, &initialise, 1), kSFalse);
    EXPECT_TRUE(camera.Model().Initialised());
    camera.Model().VanishAfter(0);
    EXPECT_EQ(XuSet(&camera, 1, &initialise, 1), kEFail);
    uint32_t size = kUntouched;
    EXPECT_EQ(XuGetLength(&camera, 6, &size), kEFail);
    EXPECT_EQ(size, kUntouched);
}

}  // namespace
