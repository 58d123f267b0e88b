#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/command_set.h"
#include "device/sim/sim_camera.h"
#include "device/xu_transport.h"

namespace {

constexpr uint32_t kXuNode = 4;

struct HeaderRow {
    uint8_t kind;
    uint32_t address;
    uint32_t count;
    SegmentHeader expected;
};

TEST(SegmentHeader, MatchesTheDocumentedBytes) {
    const std::vector<HeaderRow> rows = {
        {2, 0x00008000, 0x100, {0x02, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0x7C}},
        {1, 0x00000000, 0x200, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0xFC}},
        {0x82, 0x00008000, 0x100, {0x82, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0xFC}},
        {0xFF,
         0xFFFFFFFF,
         0xFFFFFFFF,
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08}},
        {0x01,
         0x12345678,
         0x9ABCDEF0,
         {0x01, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0xC6}},
    };
    for (const HeaderRow& row : rows) {
        EXPECT_EQ(BuildSegmentHeader(row.kind, row.address, row.count), row.expected)
            << "kind " << int{row.kind};
    }
}

// A camera whose extension unit is node 4, with a second unit on node 1 so that both
// addressings reach a device that records what it received.
SimCameraConfig TwoUnitCamera() {
    SimCameraConfig config;
    config.xuNode = kXuNode;
    config.secondXuNode = 1;
    return config;
}

struct CommandRow {
    std::string name;
    std::function<Status(XuDevice*, NodeAddress)> send;
    uint32_t selector;
    std::vector<uint8_t> bytes;
};

std::vector<CommandRow> CommandRows() {
    const SegmentHeader header = BuildSegmentHeader(2, 0x8000, 0x100);
    return {
        {"DevInit", DevInit, 1, {0xAA}},
        {"DevReset", DevReset, 1, {0x76}},
        {"DevBeginTransfer", DevBeginTransfer, 4, {0x33}},
        {"DevEndTransfer", DevEndTransfer, 8, {0x44}},
        {"DevSendHeader",
         [](XuDevice* d, NodeAddress at) { return DevSendHeader(d, at, 2, 0x8000, 0x100); }, 5,
         std::vector<uint8_t>(header.begin(), header.end())},
    };
}

class Command : public testing::TestWithParam<std::tuple<bool, CommandRow>> {};

TEST_P(Command, SendsItsPayloadToTheAddressedNodeOnly) {
    const auto& [fixedNode1, row] = GetParam();
    SimCamera camera(TwoUnitCamera());
    const NodeAddress at = fixedNode1 ? NodeAddress::Node1() : NodeAddress::Id(kXuNode);
    SimXuModel& addressed = fixedNode1 ? *camera.ModelAt(1) : camera.Model();
    SimXuModel& other = fixedNode1 ? camera.Model() : *camera.ModelAt(1);

    const Status status = row.send(&camera, at);

    const std::vector<SimTraffic> traffic = addressed.Traffic();
    ASSERT_EQ(traffic.size(), 1u);
    EXPECT_EQ(traffic[0].direction, SimDirection::kSet);
    EXPECT_EQ(traffic[0].node, fixedNode1 ? 1u : kXuNode);
    EXPECT_EQ(traffic[0].selector, row.selector);
    EXPECT_EQ(traffic[0].length, row.bytes.size());
    EXPECT_EQ(traffic[0].bytes, row.bytes);
    EXPECT_EQ(status, Failed(traffic[0].status) ? kEFail : traffic[0].status);
    EXPECT_TRUE(other.Traffic().empty());
}

INSTANTIATE_TEST_SUITE_P(CommandSet, Command,
                         testing::Combine(testing::Bool(), testing::ValuesIn(CommandRows())),
                         [](const auto& test) {
                             return std::get<1>(test.param).name +
                                    (std::get<0>(test.param) ? "_Node1" : "_NodeId");
                         });

TEST(CommandSet, NullDeviceFailsEveryCommand) {
    uint16_t version = 0x1111;
    uint16_t packet = 0x2222;
    uint8_t byte = 0;
    for (NodeAddress at : {NodeAddress::Node1(), NodeAddress::Id(kXuNode)}) {
        EXPECT_EQ(DevInit(nullptr, at), kEFail);
        EXPECT_EQ(DevHandshake(nullptr, at), kEFail);
        EXPECT_EQ(DevReadVersion(nullptr, at, &version), kEFail);
        EXPECT_EQ(DevPacketLength(nullptr, at), 0);
        EXPECT_EQ(DevReset(nullptr, at), kEFail);
        EXPECT_EQ(DevBeginTransfer(nullptr, at), kEFail);
        EXPECT_EQ(DevSendHeader(nullptr, at, 2, 0, 32), kEFail);
        EXPECT_EQ(DevEndTransfer(nullptr, at), kEFail);
        EXPECT_EQ(DevWritePacket(nullptr, at, &byte, 1), kEFail);
        EXPECT_EQ(DevReadPacket(nullptr, at, &byte, 1), kEFail);
        EXPECT_EQ(DevOpen(nullptr, at, &version, &packet), kEFail);
    }
    EXPECT_EQ(version, 0x1111);
    EXPECT_EQ(packet, 0x2222);
}

// The whole exchange of one segment in the order the device insists on.
TEST(CommandSet, DrivesAWholeSegmentTransferThroughTheDevice) {
    SimCameraConfig config;
    config.xu.versionWord = 0x0102;
    SimCamera camera(config);
    const NodeAddress at = NodeAddress::Id(kXuNode);
    uint16_t version = 0;
    uint16_t packet = 0;
    ASSERT_EQ(DevOpen(&camera, at, &version, &packet), kSOk);
    EXPECT_EQ(version, 0x0102);
    ASSERT_EQ(DevPacketLength(&camera, at), 32);

    std::vector<uint8_t> data(64);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(DevBeginTransfer(&camera, at), kSOk);
    ASSERT_EQ(DevSendHeader(&camera, at, 2, 0x8000, 64), kSOk);
    ASSERT_EQ(DevWritePacket(&camera, at, data.data(), 32), kSOk);
    ASSERT_EQ(DevWritePacket(&camera, at, data.data() + 32, 32), kSOk);
    ASSERT_EQ(DevEndTransfer(&camera, at), kSOk);

    std::vector<uint8_t> readBack(64);
    ASSERT_EQ(DevBeginTransfer(&camera, at), kSOk);
    ASSERT_EQ(DevSendHeader(&camera, at, 2 | kReadBackFlag, 0x8000, 64), kSOk);
    ASSERT_EQ(DevReadPacket(&camera, at, readBack.data(), 32), kSOk);
    ASSERT_EQ(DevReadPacket(&camera, at, readBack.data() + 32, 32), kSOk);
    ASSERT_EQ(DevEndTransfer(&camera, at), kSOk);
    ASSERT_EQ(DevReset(&camera, at), kSOk);

    EXPECT_EQ(camera.Model().Memory(2, 0x8000, 64), data);
    EXPECT_EQ(readBack, data);
    EXPECT_EQ(camera.Model().ResetCount(), 1u);
    EXPECT_FALSE(camera.Model().SessionOpen());
    EXPECT_TRUE(camera.Model().ProtocolErrors().empty());
}

struct HandshakeRow {
    std::string name;
    std::function<void(SimXuModel&)> setup;
    Status expected;
    size_t requests;
};

class Handshake : public testing::TestWithParam<HandshakeRow> {};

TEST_P(Handshake, StopsAtTheFirstFailingStep) {
    const HandshakeRow& row = GetParam();
    SimCamera camera;
    ASSERT_EQ(DevInit(&camera, NodeAddress::Id(kXuNode)), kSOk);
    camera.Model().ClearTraffic();
    row.setup(camera.Model());

    EXPECT_EQ(DevHandshake(&camera, NodeAddress::Id(kXuNode)), row.expected);

    const std::vector<SimTraffic> traffic = camera.Model().Traffic();
    ASSERT_EQ(traffic.size(), row.requests);
    const std::vector<uint8_t> expectedBytes[] = {{0x87}, {}, {0xC3}};
    for (size_t i = 0; i < traffic.size(); ++i) {
        EXPECT_EQ(traffic[i].selector, 2u);
        EXPECT_EQ(traffic[i].length, 1u);
        EXPECT_EQ(traffic[i].direction, i == 1 ? SimDirection::kGet : SimDirection::kSet);
        if (i != 1) {
            EXPECT_EQ(traffic[i].bytes, expectedBytes[i]);
        }
    }
    EXPECT_EQ(camera.Model().SessionOpen(), Succeeded(row.expected));
}

std::vector<HandshakeRow> HandshakeRows() {
    std::vector<HandshakeRow> rows = {
        {"Answered", [](SimXuModel&) {}, kSOk, 3},
        {"FirstWriteFails", [](SimXuModel& m) { m.FailRequest(2, 1, kSimStall); }, kEFail, 1},
        {"ReadFails", [](SimXuModel& m) { m.FailRequest(2, 2, kSimStall); }, kEFail, 2},
        {"LastWriteFails", [](SimXuModel& m) { m.FailRequest(2, 3, kSimStall); }, kEFail, 3},
        {"LastWriteStatusPassesThrough", [](SimXuModel& m) { m.FailRequest(2, 3, kSFalse); },
         kSFalse, 3},
    };
    for (int answer : {0x00, 0x77, 0x79, 0x87, 0xC3, 0xFF}) {
        const auto byte = static_cast<uint8_t>(answer);
        rows.push_back({"WrongAnswer" + std::to_string(answer),
                        [byte](SimXuModel& m) { m.SetHandshakeAnswer(byte); }, kEFail, 2});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(CommandSet, Handshake, testing::ValuesIn(HandshakeRows()),
                         [](const auto& test) { return test.param.name; });

TEST(CommandSet, VersionWordIsLittleEndianAndKeptOnFailure) {
    SimCameraConfig config;
    config.xu.versionWord = 0xA1B2;
    SimCamera camera(config);
    const NodeAddress at = NodeAddress::Id(kXuNode);
    ASSERT_EQ(DevInit(&camera, at), kSOk);
    ASSERT_EQ(DevHandshake(&camera, at), kSOk);

    uint16_t version = 0;
    ASSERT_EQ(DevReadVersion(&camera, at, &version), kSOk);
    EXPECT_EQ(version, 0xA1B2);
    EXPECT_EQ(camera.Model().Traffic().back().bytes, (std::vector<uint8_t>{0xB2, 0xA1}));
    EXPECT_EQ(DevReadVersion(&camera, at, nullptr), kSOk);

    camera.Model().FailRequest(3, 1, kSimStall);
    version = 0x5555;
    EXPECT_EQ(DevReadVersion(&camera, at, &version), kEFail);
    EXPECT_EQ(version, 0x5555);
}

TEST(CommandSet, PacketLengthIsTheControlSizeOrZero) {
    struct Row {
        std::string name;
        std::function<void(SimXuModel&)> setup;
        int32_t expected;
    };
    const std::vector<Row> rows = {
        {"Reported", [](SimXuModel&) {}, 512},
        {"QueryFails", [](SimXuModel& m) { m.FailSizeQuery(6, kSimStall); }, 0},
        {"AnsweredWithoutSize", [](SimXuModel& m) { m.FailSizeQuery(6, kSFalse); }, 0},
        {"ReportsZero", [](SimXuModel& m) { m.ZeroSizeQuery(6); }, 0},
        {"DeviceGone", [](SimXuModel& m) { m.VanishAfter(0); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimCameraConfig config;
        config.xu.packetLength = 512;
        SimCamera camera(config);
        row.setup(camera.Model());
        EXPECT_EQ(DevPacketLength(&camera, NodeAddress::Id(kXuNode)), row.expected);
    }
}

// One row per outcome of the open sequence.
struct OpenRow {
    std::string name;
    std::function<void(SimCameraConfig&)> configure;
    std::function<void(SimXuModel&)> fault;
    Status expected;
    std::string text;  // the one report, empty for none
    bool versionStored;
    uint16_t packetLength;  // expected out value; kUntouchedPacket when not written
};

constexpr uint16_t kUntouchedVersion = 0xBEEF;
constexpr uint16_t kUntouchedPacket = 0x1234;

void NoChange(SimCameraConfig&) {}
void NoFault(SimXuModel&) {}

std::vector<OpenRow> OpenRows() {
    return {
        {"Opens", NoChange, NoFault, kSOk, "", true, 48},
        {"PositiveInitialiseStatusCarriesOn", NoChange,
         [](SimXuModel& m) { m.FailRequest(1, 1, kSFalse); }, kSOk, "", true, 48},
        {"InitialiseFails", NoChange, [](SimXuModel& m) { m.FailRequest(1, 1, kSimStall); }, kEFail,
         "初始化设备错误", false, kUntouchedPacket},
        {"NoExtensionUnitOnNode", [](SimCameraConfig& c) { c.xuNode = 2; }, NoFault, kEFail,
         "初始化设备错误", false, kUntouchedPacket},
        {"HandshakeWrongAnswer", NoChange, [](SimXuModel& m) { m.SetHandshakeAnswer(0x58); },
         kEFail, "设备校验错误", false, kUntouchedPacket},
        {"HandshakeWriteFails", NoChange, [](SimXuModel& m) { m.FailRequest(2, 1, kSimStall); },
         kEFail, "设备校验错误", false, kUntouchedPacket},
        {"VersionReadFails", NoChange, [](SimXuModel& m) { m.FailRequest(3, 1, kSimStall); },
         kEFail, "读取设备版本号错误", false, kUntouchedPacket},
        {"PacketLengthQueryFails", NoChange, [](SimXuModel& m) { m.FailSizeQuery(6, kSimStall); },
         kEFail, "读取包长度失败", true, kDefaultPacketLength},
        {"PacketLengthZero", NoChange, [](SimXuModel& m) { m.ZeroSizeQuery(6); }, kEFail,
         "读取包长度失败", true, kDefaultPacketLength},
        {"PacketLengthBeyond16Bits", [](SimCameraConfig& c) { c.xu.packetLength = 0x10000; },
         NoFault, kEFail, "读取包长度失败", true, kDefaultPacketLength},
        {"PacketLengthLargest16Bit", [](SimCameraConfig& c) { c.xu.packetLength = 0xFFFF; },
         NoFault, kSOk, "", true, 0xFFFF},
        {"DeviceGoneAfterHandshake", NoChange, [](SimXuModel& m) { m.VanishAfter(4); }, kEFail,
         "读取设备版本号错误", false, kUntouchedPacket},
    };
}

class Open : public testing::TestWithParam<std::tuple<bool, OpenRow>> {};

TEST_P(Open, ReturnsReportsAndStoresAsTheStepDecides) {
    const auto& [reporting, row] = GetParam();
    SimCameraConfig config;
    config.xuNode = 1;
    config.xu.versionWord = 0x0001;
    config.xu.packetLength = 48;
    row.configure(config);
    SimCamera camera(config);
    row.fault(camera.Model());
    std::vector<std::string> reports;
    OpenReport report;
    if (reporting) {
        report = [&reports](const std::string& text) { reports.push_back(text); };
    }
    uint16_t version = kUntouchedVersion;
    uint16_t packet = kUntouchedPacket;

    EXPECT_EQ(DevOpen(&camera, NodeAddress::Node1(), &version, &packet, report), row.expected);

    EXPECT_EQ(version, row.versionStored ? 0x0001 : kUntouchedVersion);
    EXPECT_EQ(packet, row.packetLength);
    if (reporting && !row.text.empty()) {
        EXPECT_EQ(reports, std::vector<std::string>{row.text});
    } else {
        EXPECT_TRUE(reports.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(CommandSet, Open,
                         testing::Combine(testing::Bool(), testing::ValuesIn(OpenRows())),
                         [](const auto& test) {
                             return std::get<1>(test.param).name +
                                    (std::get<0>(test.param) ? "_Reported" : "_Silent");
                         });

TEST(CommandSet, OpenWithMissingArgumentsReportsThemAndSendsNothing) {
    SimCamera camera;
    const NodeAddress at = NodeAddress::Id(kXuNode);
    std::vector<std::string> reports;
    const OpenReport report = [&reports](const std::string& text) { reports.push_back(text); };
    uint16_t word = 0;

    EXPECT_EQ(DevOpen(nullptr, at, &word, &word, report), kEFail);
    EXPECT_EQ(DevOpen(&camera, at, nullptr, &word, report), kEFail);
    EXPECT_EQ(DevOpen(&camera, at, &word, nullptr, report), kEFail);

    EXPECT_EQ(reports, std::vector<std::string>(3, "传入参数不正确"));
    EXPECT_TRUE(camera.Model().Traffic().empty());
}

}  // namespace
