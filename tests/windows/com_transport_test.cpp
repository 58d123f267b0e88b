#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

#include "device/windows/com_device.h"
#include "device/xu_transport.h"
#include "tests/windows/com_fakes.h"

namespace {

// The extension unit's property set {46394292-0CD0-4AE3-8783-3133F9EAAA3B} as stored.
constexpr std::array<uint8_t, 16> kPropertySetBytes = {
    0x92, 0x42, 0x39, 0x46, 0xD0, 0x0C, 0xE3, 0x4A, 0x87, 0x83, 0x31, 0x33, 0xF9, 0xEA, 0xAA, 0x3B};
constexpr uint32_t kReadFlags = 0x10000001;
constexpr uint32_t kWriteFlags = 0x10000002;

std::array<uint8_t, 32> ExpectedRecord(uint32_t selector, uint32_t flags, uint32_t node) {
    std::array<uint8_t, 32> record{};
    std::copy(kPropertySetBytes.begin(), kPropertySetBytes.end(), record.begin());
    const uint32_t fields[4] = {selector, flags, node, 0};
    for (size_t f = 0; f < 4; ++f) {
        for (size_t b = 0; b < 4; ++b) {
            record[16 + f * 4 + b] = static_cast<uint8_t>(fields[f] >> (8 * b));
        }
    }
    return record;
}

// A capture filter whose only reference besides the test's is the wrapping device's.
class ComTransport : public ::testing::Test {
  protected:
    ComTransport() { filter.control = &control; }

    FakeKsControl control;
    FakeFilter filter;
    std::shared_ptr<XuDevice> device = WrapFilter(ComRef<IBaseFilter>(filter.NewRef()));
};

struct RecordCase {
    const char* name;
    std::function<Status(XuDevice*, uint8_t* buffer, uint32_t* length)> call;
    uint32_t selector;
    uint32_t flags;
    uint32_t node;
    ULONG dataLength;  // 0: a size query, without buffer
};

class ComTransportRecords : public ComTransport,
                            public ::testing::WithParamInterface<RecordCase> {};

TEST_P(ComTransportRecords, OneKspNodeRequestOfThirtyTwoBytesThenTheChannelIsReleased) {
    const RecordCase& c = GetParam();
    uint8_t buffer[4] = {0x87, 0, 0, 0};
    uint32_t length = 0;
    EXPECT_TRUE(Succeeded(c.call(device.get(), buffer, &length)));

    ASSERT_EQ(control.calls.size(), 1u);
    const KsCall& call = control.calls[0];
    EXPECT_EQ(call.record, ExpectedRecord(c.selector, c.flags, c.node));
    EXPECT_EQ(call.propertyLength, 32u);
    EXPECT_EQ(call.dataLength, c.dataLength);
    EXPECT_EQ(call.data, c.dataLength == 0 ? nullptr : static_cast<const void*>(buffer));
    EXPECT_EQ(call.returnedOnEntry, 0u);
    EXPECT_EQ(control.refs, 1);
    EXPECT_EQ(filter.refs, 2);
}

INSTANTIATE_TEST_SUITE_P(
    EachOperation, ComTransportRecords,
    ::testing::Values(
        RecordCase{"XuSet", [](XuDevice* d, uint8_t* b, uint32_t*) { return XuSet(d, 1, b, 1); }, 1,
                   kWriteFlags, 1, 1},
        RecordCase{"XuGet", [](XuDevice* d, uint8_t* b, uint32_t*) { return XuGet(d, 3, b, 2); }, 3,
                   kReadFlags, 1, 2},
        RecordCase{"XuGetLength",
                   [](XuDevice* d, uint8_t*, uint32_t* n) { return XuGetLength(d, 6, n); }, 6,
                   kReadFlags, 1, 0},
        RecordCase{"XuNodeSet",
                   [](XuDevice* d, uint8_t* b, uint32_t*) { return XuNodeSet(d, 5, 4, b, 1); }, 4,
                   kWriteFlags, 5, 1},
        RecordCase{
            "XuNodeGet",
            [](XuDevice* d, uint8_t* b, uint32_t*) { return XuNodeGet(d, 0xFFFFFFFE, 9, b, 4); }, 9,
            kReadFlags, 0xFFFFFFFE, 4},
        RecordCase{"XuNodeGetLength",
                   [](XuDevice* d, uint8_t*, uint32_t* n) { return XuNodeGetLength(d, 3, 6, n); },
                   6, kReadFlags, 3, 0}),
    [](const ::testing::TestParamInfo<RecordCase>& each) { return each.param.name; });

struct StatusCase {
    const char* name;
    HRESULT dataAnswer;
    HRESULT sizeAnswer;
    std::function<Status(XuDevice*)> call;
    Status expected;
};

class ComTransportStatus : public ComTransport, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ComTransportStatus, PlatformAnswerIsMappedAndTheChannelReleased) {
    const StatusCase& c = GetParam();
    control.dataAnswer = c.dataAnswer;
    control.sizeAnswer = c.sizeAnswer;
    EXPECT_EQ(c.call(device.get()), c.expected);
    EXPECT_EQ(control.refs, 1);
}

const uint8_t kByte[1] = {0xAA};
uint8_t readBack[100];
constexpr HRESULT kGenFailure = static_cast<HRESULT>(0x8007001Fu);

INSTANTIATE_TEST_SUITE_P(
    Cases, ComTransportStatus,
    ::testing::Values(
        StatusCase{"FailedWriteIsEFail", kGenFailure, S_OK,
                   [](XuDevice* d) { return XuNodeSet(d, 2, 1, kByte, 1); }, kEFail},
        StatusCase{"FailedReadIsEFail", E_ACCESSDENIED, S_OK,
                   [](XuDevice* d) { return XuGet(d, 2, readBack, 1); }, kEFail},
        StatusCase{"SuccessPassesThrough", S_FALSE, S_OK,
                   [](XuDevice* d) { return XuNodeSet(d, 2, 1, kByte, 1); }, kSFalse},
        StatusCase{"SizeAnsweredWithSuccessIsEFail", S_OK, S_OK,
                   [](XuDevice* d) {
                       uint32_t n = 0;
                       return XuNodeGetLength(d, 2, 6, &n);
                   },
                   kEFail},
        StatusCase{"ChunkedWithoutSizeIsInvalidArg", S_OK, kGenFailure,
                   [](XuDevice* d) { return XuNodeSetChunked(d, 2, 9, kByte, 1); }, kEInvalidArg},
        StatusCase{"ChunkedPacketFailureIsItsOwn", kGenFailure, static_cast<HRESULT>(0x800700EAu),
                   [](XuDevice* d) { return XuNodeGetChunked(d, 2, 9, readBack, 100); },
                   kGenFailure}),
    [](const ::testing::TestParamInfo<StatusCase>& each) { return each.param.name; });

TEST_F(ComTransport, SizeQueryReportsTheBytesThePlatformReturned) {
    control.controlSize = 34;
    uint32_t length = 0;
    EXPECT_EQ(XuNodeGetLength(device.get(), 2, 6, &length), kSOk);
    EXPECT_EQ(length, 34u);
}

TEST_F(ComTransport, RefusedChannelReturnsTheRefusalItself) {
    constexpr HRESULT kInterfaceNotRegistered = static_cast<HRESULT>(0x80040155u);
    filter.control = nullptr;
    filter.controlRefusal = kInterfaceNotRegistered;
    EXPECT_EQ(XuNodeSet(device.get(), 2, 1, kByte, 1), kInterfaceNotRegistered);
    EXPECT_EQ(XuNodeSetChunked(device.get(), 2, 9, kByte, 1), kInterfaceNotRegistered);
    EXPECT_EQ(filter.refs, 2);
}

TEST_F(ComTransport, DroppingTheDeviceReleasesTheFilter) {
    device.reset();
    EXPECT_EQ(filter.refs, 1);
}

}  // namespace
