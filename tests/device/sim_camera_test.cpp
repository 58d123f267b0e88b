#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/command_set.h"
#include "device/sim/sim_camera.h"

// The engine's tests trust the simulated camera to refuse what a device would refuse; these
// check that it does, talking to the model in UVC terms and to the camera in kernel-streaming
// terms.

namespace {

constexpr uint32_t kNode = 4;
constexpr uint32_t kPacket = 32;

struct Step {
    SimDirection direction;
    uint32_t selector;
    std::vector<uint8_t> bytes;  // a get's length is the size of this buffer
};

Step Set(uint32_t selector, std::vector<uint8_t> bytes) {
    return {SimDirection::kSet, selector, std::move(bytes)};
}
Step Get(uint32_t selector, uint32_t length) {
    return {SimDirection::kGet, selector, std::vector<uint8_t>(length)};
}
Step Header(uint8_t kind, uint32_t address, uint32_t count) {
    const SegmentHeader header = BuildSegmentHeader(kind, address, count);
    return Set(5, {header.begin(), header.end()});
}
Step Packet(uint8_t fill = 0x5A) {
    return Set(6, std::vector<uint8_t>(kPacket, fill));
}
Step Begin() {
    return Set(4, {0x33});
}
Step End() {
    return Set(8, {0x44});
}

std::vector<Step> Session(std::vector<Step> then = {}) {
    std::vector<Step> steps = {Set(1, {0xAA}), Set(2, {0x87}), Get(2, 1), Set(2, {0xC3})};
    steps.insert(steps.end(), then.begin(), then.end());
    return steps;
}

Status Send(SimXuModel& model, Step& step) {
    const auto length = static_cast<uint32_t>(step.bytes.size());
    return step.direction == SimDirection::kSet
               ? model.Set(kNode, step.selector, step.bytes.data(), length)
               : model.Get(kNode, step.selector, step.bytes.data(), length);
}

void RunAll(SimXuModel& model, std::vector<Step> steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        ASSERT_EQ(Send(model, steps[i]), kSOk) << "step " << i;
    }
}

struct ProtocolRow {
    std::string name;
    std::vector<Step> steps;  // all succeed but the last, which the device refuses
    std::string error;        // a part of the one error it records
};

std::vector<ProtocolRow> ProtocolRows() {
    SegmentHeader badSum = BuildSegmentHeader(2, 0, kPacket);
    ++badSum[9];
    std::vector<uint8_t> junkRequest(64, 0);
    junkRequest[0] = 0xFE;
    junkRequest[1] = 0x07;
    junkRequest[63] = 0x01;
    return {
        {"HandshakeBeforeInitialise", {Set(2, {0x87})}, "handshake before initialise"},
        {"HandshakeCompletedUnanswered",
         {Set(1, {0xAA}), Set(2, {0x87}), Set(2, {0xC3})},
         "completed before it was answered"},
        {"HandshakeReadUnasked", {Set(1, {0xAA}), Get(2, 1)}, "handshake read without"},
        {"BeginBeforeHandshake", {Set(1, {0xAA}), Begin()}, "begin before the handshake"},
        {"VersionBeforeHandshake", {Set(1, {0xAA}), Get(3, 2)}, "version read before"},
        {"ResetBeforeHandshake", {Set(1, {0x76})}, "reset before the handshake"},
        {"HeaderWithoutBegin", Session({Header(2, 0, kPacket)}), "header without begin"},
        {"SecondHeader", Session({Begin(), Header(2, 0, kPacket), Header(2, 0, kPacket)}),
         "second header"},
        {"BadChecksum", Session({Begin(), Set(5, {badSum.begin(), badSum.end()})}), "bad checksum"},
        {"DataWithoutHeader", Session({Begin(), Packet()}), "data packet without a write header"},
        {"DataWithoutBegin", Session({Packet()}), "data packet without a write header"},
        {"CountNotWholePackets", Session({Begin(), Header(2, 0, 40), Packet(), Packet()}),
         "packet beyond the announced count 40"},
        {"EndBeforeAllBytes", Session({Begin(), Header(2, 0, 2 * kPacket), Packet(), End()}),
         "end after 32 of 64 bytes"},
        {"EndWithoutHeader", Session({Begin(), End()}), "end without a header"},
        {"EndWithoutBegin", Session({End()}), "end without a header"},
        {"ReadInWriteTransfer", Session({Begin(), Header(2, 0, kPacket), Get(6, kPacket)}),
         "data read without a read-back header"},
        {"ReadBeyondCount",
         Session({Begin(), Header(0x82, 0, 10), Get(6, kPacket), Get(6, kPacket)}),
         "read beyond the announced count 10"},
        {"HeaderOfWrongLength", Session({Begin(), Set(5, std::vector<uint8_t>(9))}),
         "length 9 but the control holds 10"},
        {"PacketOfWrongLength",
         Session({Begin(), Header(2, 0, kPacket), Set(6, std::vector<uint8_t>(kPacket - 1))}),
         "length 31 but the control holds 32"},
        {"NoSuchControl", {Set(7, {0x00})}, "no such control"},
        {"WriteToReadOnlyControl", Session({Set(3, {0x00, 0x00})}), "read-only"},
        {"ReadOfWriteOnlyControl", {Get(1, 1)}, "write-only"},
        {"UnknownBeginByte", Session({Set(4, {0x34})}), "unknown command 0x34"},
        {"VersionRequestWithJunkPadding", {Set(9, junkRequest)}, "not a version request"},
        {"VersionReadWithoutRequest", {Get(9, 64)}, "version read without a request"},
    };
}

class Protocol : public testing::TestWithParam<ProtocolRow> {};

TEST_P(Protocol, DeviceStallsAndRecordsTheError) {
    const ProtocolRow& row = GetParam();
    SimXuModel model;
    std::vector<Step> steps = row.steps;
    Step last = steps.back();
    steps.pop_back();
    RunAll(model, steps);
    ASSERT_TRUE(model.ProtocolErrors().empty());

    EXPECT_EQ(Send(model, last), kSimStall);

    const std::vector<std::string> errors = model.ProtocolErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(row.error), std::string::npos) << errors[0];
    EXPECT_EQ(model.Traffic().back().status, kSimStall);
}

INSTANTIATE_TEST_SUITE_P(SimXuModel, Protocol, testing::ValuesIn(ProtocolRows()),
                         [](const auto& test) { return test.param.name; });

std::vector<uint8_t> Pattern(uint32_t length) {
    std::vector<uint8_t> bytes(length);
    for (uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    return bytes;
}

// Writes 100 bytes as four padded packets, then reads them back with an exact count.
std::vector<uint8_t> WriteAndReadBack(SimXuModel& model, const std::vector<uint8_t>& data) {
    std::vector<Step> write = Session({Begin(), Header(2, 0x8000, 4 * kPacket)});
    for (uint32_t at = 0; at < 4 * kPacket; at += kPacket) {
        Step packet = Packet(0xFF);
        std::copy(data.begin() + at, data.begin() + std::min<uint32_t>(at + kPacket, 100),
                  packet.bytes.begin());
        write.push_back(packet);
    }
    write.push_back(End());
    write.push_back(Begin());
    write.push_back(Header(0x82, 0x8000, 100));
    RunAll(model, write);
    std::vector<uint8_t> readBack;
    for (int i = 0; i < 4; ++i) {
        Step packet = Get(6, kPacket);
        EXPECT_EQ(Send(model, packet), kSOk);
        readBack.insert(readBack.end(), packet.bytes.begin(), packet.bytes.end());
    }
    Step end = End();
    EXPECT_EQ(Send(model, end), kSOk);
    return readBack;
}

TEST(SimXuModel, ServesWrittenBytesBackByKindAndAddress) {
    SimXuModel model;
    const std::vector<uint8_t> data = Pattern(100);

    const std::vector<uint8_t> readBack = WriteAndReadBack(model, data);

    std::vector<uint8_t> expected = data;
    expected.resize(4 * kPacket, 0xFF);
    EXPECT_EQ(readBack, expected);
    EXPECT_EQ(model.Memory(2, 0x8000, 4 * kPacket), expected);
    EXPECT_EQ(model.Memory(1, 0x8000, 4), std::vector<uint8_t>(4, 0xFF));
    EXPECT_TRUE(model.ProtocolErrors().empty());
    EXPECT_FALSE(model.TransferOpen());
}

TEST(SimXuModel, CorruptedReadBackLeavesMemoryIntact) {
    SimXuModel model;
    model.CorruptReadBack(40);
    const std::vector<uint8_t> data = Pattern(100);

    const std::vector<uint8_t> readBack = WriteAndReadBack(model, data);

    EXPECT_EQ(readBack[40], static_cast<uint8_t>(~data[40]));
    EXPECT_EQ(readBack[39], data[39]);
    EXPECT_EQ(model.Memory(2, 0x8000 + 40, 1)[0], data[40]);
}

TEST(SimXuModel, ResetForgetsTheSessionAndIsCounted) {
    SimXuModel model;
    RunAll(model, Session({Begin(), Set(1, {0x76})}));

    EXPECT_EQ(model.ResetCount(), 1u);
    EXPECT_FALSE(model.SessionOpen());
    EXPECT_FALSE(model.Initialised());
    EXPECT_FALSE(model.TransferOpen());
    Step begin = Begin();
    EXPECT_EQ(Send(model, begin), kSimStall);
}

// A host may probe the device again (initialise and handshake) in the middle of a transfer,
// and may give up on a transfer and begin the next one.
TEST(SimXuModel, ProbeMidTransferAndANewBeginKeepTheProtocolGoing) {
    SimXuModel model;
    RunAll(model, Session({Begin(), Header(2, 0, 2 * kPacket), Packet(0x11)}));
    RunAll(model, Session({Get(3, 2), Packet(0x22), End()}));
    RunAll(model, {Begin(), Header(2, 0x100, 2 * kPacket), Packet(0x33), Begin(),
                   Header(2, 0x200, kPacket), Packet(0x44), End()});

    EXPECT_TRUE(model.ProtocolErrors().empty());
    EXPECT_EQ(model.Memory(2, 0, 2 * kPacket)[kPacket], 0x22);
    EXPECT_EQ(model.Memory(2, 0x200, 1)[0], 0x44);
}

TEST(SimXuModel, InjectedStatusesCountSetsAndGetsOfTheirSelector) {
    SimXuModel model;
    model.FailRequest(1, 1, kSimStall);
    Step initialise = Set(1, {0xAA});
    EXPECT_EQ(Send(model, initialise), kSimStall);
    EXPECT_FALSE(model.Initialised());  // a refused request is not acted on

    model.FailRequest(1, 1, kSFalse);
    EXPECT_EQ(Send(model, initialise), kSFalse);
    EXPECT_TRUE(model.Initialised());  // a success code other than 0 is acted on

    model.FailRequest(6, 2, kSimStall);
    RunAll(model, {Set(2, {0x87}), Get(2, 1), Set(2, {0xC3}), Begin(), Header(2, 0, 3 * kPacket)});
    uint32_t size = 0;
    EXPECT_EQ(model.GetLen(kNode, 6, &size), kSOk);
    Step packet = Packet();
    EXPECT_EQ(Send(model, packet), kSOk);
    EXPECT_EQ(Send(model, packet), kSimStall);
    EXPECT_EQ(Send(model, packet), kSOk);
}

TEST(SimXuModel, VanishedDeviceFailsEveryLaterRequest) {
    SimXuModel model;
    model.VanishAfter(2);
    uint32_t size = 0;
    Step initialise = Set(1, {0xAA});
    EXPECT_EQ(Send(model, initialise), kSOk);
    EXPECT_EQ(model.GetLen(kNode, 6, &size), kSOk);
    EXPECT_EQ(Send(model, initialise), kSimDeviceGone);
    EXPECT_EQ(model.GetLen(kNode, 6, &size), kSimDeviceGone);
    EXPECT_EQ(model.Traffic().size(), 4u);
}

TEST(SimXuModel, LogsEveryRequestInOrder) {
    SimXuConfig config;
    config.versionWord = 0x0304;
    SimXuModel model(config);
    RunAll(model, Session({Get(3, 2)}));
    uint32_t size = 0;
    ASSERT_EQ(model.GetLen(kNode, 6, &size), kSOk);
    model.FailSizeQuery(9, kSimStall);
    EXPECT_EQ(model.GetLen(kNode, 9, &size), kSimStall);

    const std::vector<SimTraffic> traffic = model.Traffic();
    ASSERT_EQ(traffic.size(), 7u);
    EXPECT_EQ(traffic[0].direction, SimDirection::kSet);
    EXPECT_EQ(traffic[0].bytes, std::vector<uint8_t>{0xAA});
    EXPECT_EQ(traffic[2].direction, SimDirection::kGet);
    EXPECT_EQ(traffic[2].bytes, std::vector<uint8_t>{0x78});
    EXPECT_EQ(traffic[4].bytes, (std::vector<uint8_t>{0x04, 0x03}));
    EXPECT_EQ(traffic[5].direction, SimDirection::kSizeQuery);
    EXPECT_EQ(traffic[5].node, kNode);
    EXPECT_EQ(traffic[5].selector, 6u);
    EXPECT_EQ(traffic[5].reportedSize, kPacket);
    EXPECT_EQ(traffic[6].status, kSimStall);

    model.SetTrafficLogEnabled(false);
    EXPECT_EQ(model.GetLen(kNode, 6, &size), kSOk);
    EXPECT_EQ(model.Traffic().size(), 7u);
}

KsPropertyNode Request(uint32_t selector, uint32_t flags, uint32_t node) {
    KsPropertyNode request{};
    request.set = kXuPropertySet;
    request.id = selector;
    request.flags = flags;
    request.nodeId = node;
    return request;
}

TEST(SimCamera, AnswersOnlyItsPropertySetOnItsVendorNode) {
    SimCamera camera;
    uint8_t byte = 0xAA;
    uint32_t returned = 7;
    KsPropertyNode otherSet = Request(1, kKsNodeSet, kNode);
    otherSet.set = kCaptureCategory;

    EXPECT_EQ(camera.KsProperty(otherSet, &byte, 1, &returned), kSetNotFound);
    EXPECT_EQ(camera.KsProperty(Request(1, kKsNodeSet, 0), &byte, 1, &returned), kNotFound);
    EXPECT_EQ(camera.KsProperty(Request(1, kKsNodeSet, 99), &byte, 1, &returned), kNotFound);
    EXPECT_EQ(camera.KsProperty(Request(1, kKsPropertyTypeSet, kNode), &byte, 1, &returned),
              kEInvalidArg);
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(camera.Model().Traffic().empty());

    EXPECT_EQ(camera.KsProperty(Request(1, kKsNodeSet, kNode), &byte, 1, &returned), kSOk);
    EXPECT_EQ(camera.KsProperty(Request(6, kKsNodeGet, kNode), nullptr, 0, &returned), kMoreData);
    EXPECT_EQ(returned, kPacket);
    EXPECT_EQ(camera.Model().Traffic().size(), 2u);
}

TEST(SimCamera, AGetOfLengthZeroIsASizeQueryWhateverTheBuffer) {
    SimCamera camera;
    uint8_t byte = 0xAA;
    uint32_t returned = 0;
    EXPECT_EQ(camera.KsProperty(Request(6, kKsNodeGet, kNode), &byte, 0, &returned), kMoreData);
    EXPECT_EQ(returned, kPacket);
    EXPECT_EQ(byte, 0xAA);
    ASSERT_EQ(camera.Model().Traffic().size(), 1u);
    EXPECT_EQ(camera.Model().Traffic()[0].direction, SimDirection::kSizeQuery);
}

TEST(SimCamera, ReadReportsTheBytesReturned) {
    SimCamera camera;
    const uint8_t request[64] = {0xFE, 0x07};
    uint8_t answer[64] = {};
    uint32_t returned = 0;
    ASSERT_EQ(camera.KsProperty(Request(9, kKsNodeSet, kNode), const_cast<uint8_t*>(request), 64,
                                &returned),
              kSOk);
    ASSERT_EQ(camera.KsProperty(Request(9, kKsNodeGet, kNode), answer, 64, &returned), kSOk);
    EXPECT_EQ(returned, 64u);
    EXPECT_EQ(answer[0], 0x13);
    EXPECT_EQ(answer[1], 0x02);
}

std::vector<Guid> TypesOf(SimCamera& camera) {
    std::unique_ptr<Topology> topology;
    EXPECT_EQ(camera.OpenTopology(&topology), kSOk);
    uint32_t count = 0;
    EXPECT_EQ(topology->NodeCount(&count), kSOk);
    std::vector<Guid> types(count);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(topology->NodeType(i, &types[i]), kSOk);
    }
    return types;
}

TEST(SimCamera, TopologyHasTheVendorNodesAmongOthers) {
    SimCamera plain;
    const std::vector<Guid> types = TypesOf(plain);
    ASSERT_EQ(types.size(), 5u);
    for (uint32_t i = 0; i < types.size(); ++i) {
        EXPECT_EQ(types[i] == kNodeTypeDevSpecific, i == kNode) << i;
    }

    SimCameraConfig config;
    config.xuNode = 7;
    config.secondXuNode = 2;
    SimCamera twoUnits(config);
    const std::vector<Guid> extended = TypesOf(twoUnits);
    ASSERT_EQ(extended.size(), 8u);
    EXPECT_EQ(extended[7], kNodeTypeDevSpecific);
    EXPECT_EQ(extended[2], kNodeTypeDevSpecific);
    EXPECT_EQ(extended[4], kNodeTypeDevSpecific);  // the default list's own vendor node
    EXPECT_NE(extended[5], kNodeTypeDevSpecific);
    EXPECT_NE(twoUnits.ModelAt(2), nullptr);
    EXPECT_EQ(twoUnits.ModelAt(4), nullptr);  // vendor-specific, but nothing answers there
}

TEST(SimCamera, DiscoveryFaults) {
    std::unique_ptr<XuControl> control;
    std::unique_ptr<Topology> topology;
    uint32_t count = 0;
    Guid type{};

    SimCameraConfig faults;
    faults.noControl = true;
    faults.noTopology = true;
    SimCamera bare(faults);
    EXPECT_EQ(bare.OpenControl(&control), kENoInterface);
    EXPECT_EQ(bare.OpenTopology(&topology), kENoInterface);

    faults = SimCameraConfig{};
    faults.zeroNodes = true;
    SimCamera empty(faults);
    ASSERT_EQ(empty.OpenTopology(&topology), kSOk);
    EXPECT_EQ(topology->NodeCount(&count), kSOk);
    EXPECT_EQ(count, 0u);

    faults = SimCameraConfig{};
    faults.unreadableNodeTypes = {kNode};
    SimCamera unreadable(faults);
    ASSERT_EQ(unreadable.OpenTopology(&topology), kSOk);
    EXPECT_TRUE(Failed(topology->NodeType(kNode, &type)));
    EXPECT_EQ(topology->NodeType(0, &type), kSOk);
    EXPECT_TRUE(Failed(topology->NodeType(5, &type)));
}

TEST(SimCamera, SecondUnitIsADeviceOfItsOwn) {
    SimCameraConfig config;
    config.secondXuNode = 2;
    SimCamera camera(config);
    camera.ModelAt(2)->SetHandshakeAnswer(0x00);

    EXPECT_EQ(DevInit(&camera, NodeAddress::Id(2)), kSOk);
    EXPECT_EQ(DevHandshake(&camera, NodeAddress::Id(2)), kEFail);
    EXPECT_EQ(DevInit(&camera, NodeAddress::Id(kNode)), kSOk);
    EXPECT_EQ(DevHandshake(&camera, NodeAddress::Id(kNode)), kSOk);

    EXPECT_FALSE(camera.ModelAt(2)->SessionOpen());
    EXPECT_TRUE(camera.Model().SessionOpen());
    EXPECT_EQ(camera.ModelAt(2)->Traffic().size(), 3u);
    EXPECT_EQ(camera.Model().Traffic().size(), 4u);
}

}  // namespace
