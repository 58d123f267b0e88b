#include <gtest/gtest.h>

#include "device/windows/device_broadcast.h"
#include "tests/windows/broadcast_records.h"

namespace {

const std::u16string kName = u"\\\\?\\usb#vid_1d6b&pid_0102#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";
const std::string kNameUtf8 = "\\\\?\\usb#vid_1d6b&pid_0102#{65e8773d-8f56-11d0-a3b9-00a0c9223196}";

struct RecordCase {
    const char* name;
    std::vector<uint8_t> record;
    uint32_t type;
    std::string deviceName;
};

// A record that declares `size` bytes while more follow in memory.
std::vector<uint8_t> WithSize(std::vector<uint8_t> record, uint32_t size) {
    PutU32(&record, 0, size);
    return record;
}

// A record that ends after `size` bytes, its allocation included.
std::vector<uint8_t> Cut(std::vector<uint8_t> record, uint32_t size) {
    record.resize(size);
    PutU32(&record, 0, size);
    return record;
}

class BroadcastRecords : public ::testing::TestWithParam<RecordCase> {};

TEST_P(BroadcastRecords, TypeAndNameWithinTheRecord) {
    const RecordCase& c = GetParam();
    DeviceChange change;
    change.eventCode = kDbtDeviceArrival;
    change.name = "stale";
    ReadDeviceBroadcast(c.record.data(), &change);
    EXPECT_EQ(change.eventCode, kDbtDeviceArrival);
    EXPECT_EQ(change.deviceType, c.type);
    EXPECT_EQ(change.name, c.deviceName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BroadcastRecords,
    ::testing::Values(
        RecordCase{"TerminatedName", InterfaceRecord(kName + u'\0'), 5, kNameUtf8},
        // Nothing after the last unit: the record's end is the name's end.
        RecordCase{"NameFillsTheRecord", InterfaceRecord(kName), 5, kNameUtf8},
        RecordCase{"SizeEndsMidName", WithSize(InterfaceRecord(u"ABCDEF"), 28 + 3 * 2), 5, "ABC"},
        RecordCase{"OddByteAfterTheName", Cut(InterfaceRecord(u"ABCD"), 28 + 3 * 2 + 1), 5, "ABC"},
        RecordCase{"NoRoomForAName", Cut(InterfaceRecord(u"AB"), 28), 5, ""},
        RecordCase{"NonAsciiName", InterfaceRecord(u"USB \u6444\u50cf\u5934 \U0001F4F7"), 5,
                   u8"USB \u6444\u50cf\u5934 \U0001F4F7"},
        RecordCase{"UnpairedSurrogate",
                   InterfaceRecord(u"A\xD800"
                                   u"B\xDC00"),
                   5,
                   "A\xEF\xBF\xBD"
                   "B\xEF\xBF\xBD"},
        RecordCase{"VolumeRecordHasNoName", BroadcastRecord(2, 20), 2, ""},
        RecordCase{"PortRecordIsNotReadAsAnInterface", BroadcastRecord(3, 40), 3, ""},
        RecordCase{"RecordShorterThanItsHeader", BroadcastRecord(5, 8), 0, ""}),
    [](const ::testing::TestParamInfo<RecordCase>& each) { return each.param.name; });

}  // namespace
