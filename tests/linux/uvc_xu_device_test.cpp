#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "device/linux/linux_status.h"
#include "device/linux/uvc_topology.h"
#include "device/linux/uvc_xu_device.h"
#include "device/xu_transport.h"
#include "tests/linux/descriptor_builder.h"

namespace {

constexpr int kFd = 7;

struct SeenQuery {
    int fd;
    uint8_t unit;
    uint8_t selector;
    uint8_t query;
    uint16_t size;
    std::vector<uint8_t> sent;  // the buffer as the driver received it
};

// Stands in for the uvcvideo driver: records each query and answers from a script.
struct ScriptedDriver {
    std::vector<SeenQuery> queries;
    std::deque<int> errnos;       // one per query; 0 once used up
    std::vector<uint8_t> answer;  // what a successful get writes
    std::vector<std::string> opened;
    int closes = 0;
    int openErrno = 0;

    LinuxDeviceIo Io() {
        LinuxDeviceIo io;
        io.open = [this](const std::string& path) {
            opened.push_back(path);
            return openErrno != 0 ? -openErrno : kFd;
        };
        io.close = [this](int fd) {
            EXPECT_EQ(fd, kFd);
            ++closes;
        };
        io.queryCap = [](int, v4l2_capability*) { return ENOTTY; };
        io.xuQuery = [this](int fd, uvc_xu_control_query* q) {
            std::vector<uint8_t> sent;
            if (q->data != nullptr) {
                sent.assign(q->data, q->data + q->size);
            }
            queries.push_back({fd, q->unit, q->selector, q->query, q->size, sent});
            const int error = errnos.empty() ? 0 : errnos.front();
            if (!errnos.empty()) {
                errnos.pop_front();
            }
            if (error == 0 && q->query != UVC_SET_CUR) {
                const size_t count = std::min<size_t>(q->size, answer.size());
                std::copy(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(count),
                          q->data);
            }
            return error;
        };
        return io;
    }
};

// Camera terminal 1, processing unit 2, our extension unit 3, output terminal 4 and another
// vendor's extension unit 5.
VideoFunction TestFunction() {
    const Bytes bytes = Join(
        {DeviceDescriptor(), Configuration(1, {CameraFunction(0, 0x0110,
                                                              {ExtensionUnit(3, kXuPropertySet, 2),
                                                               ExtensionUnit(5, kOtherVendorXu, 3)},
                                                              4, 5)})});
    std::vector<VideoFunction> functions = ParseVideoFunctions(bytes.data(), bytes.size(), 1);
    EXPECT_EQ(functions.size(), 1u);
    return functions.at(0);
}

KsPropertyNode Request(uint32_t flags, uint32_t node, uint32_t selector,
                       const Guid& set = kXuPropertySet) {
    return KsPropertyNode{set, selector, flags, node, 0};
}

class UvcXuDeviceTest : public ::testing::Test {
  protected:
    UvcXuDeviceTest() {
        driver.answer.assign(0x200, 0);
        int error = -1;
        EXPECT_EQ(UvcXuDevice::Open("/dev/video0", TestFunction(), driver.Io(), &device, &error),
                  kSOk);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(device->OpenControl(&control), kSOk);
    }

    Status Ask(const KsPropertyNode& request, void* data, uint32_t length,
               uint32_t* returned = nullptr) {
        uint32_t ignored = 0;
        return control->KsProperty(request, data, length, returned ? returned : &ignored);
    }

    ScriptedDriver driver;
    std::shared_ptr<UvcXuDevice> device;
    std::unique_ptr<XuControl> control;
};

}  // namespace

TEST_F(UvcXuDeviceTest, SizeQueryIsGetLenAnsweredWithMoreDataAndTheLittleEndianSize) {
    driver.answer = {0x40, 0x01};
    uint32_t returned = 0;
    EXPECT_EQ(Ask(Request(kKsNodeGet, 3, 6), nullptr, 0, &returned), kMoreData);
    EXPECT_EQ(returned, 0x140u);
    ASSERT_EQ(driver.queries.size(), 1u);
    const SeenQuery& q = driver.queries[0];
    EXPECT_EQ(q.fd, kFd);
    EXPECT_EQ(q.unit, 3);
    EXPECT_EQ(q.selector, 6);
    EXPECT_EQ(q.query, UVC_GET_LEN);
    EXPECT_EQ(q.size, 2);

    // The transport's own length query reads the same answer.
    uint32_t length = 0;
    EXPECT_EQ(XuNodeGetLength(device.get(), 3, 6, &length), kSOk);
    EXPECT_EQ(length, 0x140u);
}

TEST_F(UvcXuDeviceTest, SetAndGetAreSetCurAndGetCurWithTheCallersBytes) {
    uint8_t command[1] = {0xAA};
    uint32_t returned = 99;
    EXPECT_EQ(Ask(Request(kKsNodeSet, 3, 1), command, 1, &returned), kSOk);
    EXPECT_EQ(returned, 0u);

    driver.answer = {0x02, 0x01};
    uint8_t word[2] = {};
    EXPECT_EQ(Ask(Request(kKsNodeGet, 3, 3), word, 2, &returned), kSOk);
    EXPECT_EQ(returned, 2u);
    EXPECT_EQ(word[0], 0x02);
    EXPECT_EQ(word[1], 0x01);

    ASSERT_EQ(driver.queries.size(), 2u);
    EXPECT_EQ(driver.queries[0].query, UVC_SET_CUR);
    EXPECT_EQ(driver.queries[0].unit, 3);
    EXPECT_EQ(driver.queries[0].selector, 1);
    EXPECT_EQ(driver.queries[0].sent, std::vector<uint8_t>{0xAA});
    EXPECT_EQ(driver.queries[1].query, UVC_GET_CUR);
    EXPECT_EQ(driver.queries[1].selector, 3);
    EXPECT_EQ(driver.queries[1].size, 2);
}

TEST_F(UvcXuDeviceTest, DriverErrorsBecomeFailuresAndTheErrnoStaysVisible) {
    const struct {
        int error;
        uint32_t status;
        const char* name;  // what a failure's cause shows
    } cases[] = {
        {ENOENT, 0x80070490u, "ENOENT"},                    // no such control
        {ENOBUFS, 0x8007007Au, "ENOBUFS"},                  // length differs from the control's
        {EIO, 0x8007045Du, "EIO"},                          // transfer failed
        {EPIPE, 0x8007001Fu, "EPIPE"},                      // the device stalled
        {EHOSTDOWN, 0xA0000000u | EHOSTDOWN, "EHOSTDOWN"},  // no Win32 counterpart
    };
    for (const auto& c : cases) {
        for (const uint32_t flags : {kKsNodeSet, kKsNodeGet}) {
            for (const uint32_t length : {0u, 4u}) {
                driver.errnos = {c.error};
                uint8_t data[4] = {};
                const Status status = Ask(Request(flags, 3, 6), data, length);
                EXPECT_EQ(status, static_cast<Status>(c.status))
                    << "errno " << c.error << " flags " << flags << " length " << length;
                EXPECT_EQ(device->LastErrno(), c.error);
                EXPECT_EQ(control->LastErrorName(), c.name);
                uint8_t byte = 0;
                EXPECT_EQ(Ask(Request(kKsNodeGet, 3, 2), &byte, 1), kSOk);
                EXPECT_EQ(device->LastErrno(), 0);
                EXPECT_EQ(control->LastErrorName(), "");
            }
        }
    }
}

// A job's channel keeps its own failure's name, whatever another thread's channel on the same
// node sent since.
TEST_F(UvcXuDeviceTest, EachChannelNamesItsOwnLatestFailure) {
    std::unique_ptr<XuControl> other;
    ASSERT_EQ(device->OpenControl(&other), kSOk);
    driver.errnos = {EPIPE};
    uint8_t data[4] = {};
    EXPECT_TRUE(Failed(Ask(Request(kKsNodeSet, 3, 6), data, 4)));
    uint32_t returned = 0;
    EXPECT_EQ(other->KsProperty(Request(kKsNodeGet, 3, 2), data, 1, &returned), kSOk);
    EXPECT_EQ(control->LastErrorName(), "EPIPE");
    EXPECT_EQ(other->LastErrorName(), "");
}

TEST_F(UvcXuDeviceTest, RequestsTheDriverCannotServeFailWithoutAnIoctl) {
    uint8_t data[4] = {};
    const struct {
        const char* name;
        KsPropertyNode request;
        void* data;
        uint32_t length;
        Status expected;
    } cases[] = {
        {"another vendor's unit", Request(kKsNodeGet, 5, 2), data, 1, kSetNotFound},
        {"another set on our unit", Request(kKsNodeSet, 3, 2, kOtherVendorXu), data, 1,
         kSetNotFound},
        {"processing unit", Request(kKsNodeGet, 2, 2), data, 1, kNotFound},
        {"output terminal size query", Request(kKsNodeGet, 4, 6), nullptr, 0, kNotFound},
        {"node without entity", Request(kKsNodeSet, 9, 2), data, 1, kNotFound},
        {"node 0", Request(kKsNodeGet, 0, 2), data, 1, kNotFound},
        {"selector beyond 8 bits", Request(kKsNodeGet, 3, 0x106), data, 1, kNotFound},
        {"no topology flag", Request(kKsPropertyTypeGet, 3, 2), data, 1, kEInvalidArg},
        {"get and set at once", Request(kKsNodeGet | kKsNodeSet, 3, 2), data, 1, kEInvalidArg},
        {"buffer missing", Request(kKsNodeGet, 3, 2), nullptr, 4, kEPointer},
        {"longer than any control", Request(kKsNodeSet, 3, 6), data, 0x10000,
         static_cast<Status>(0x8007007Au)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Ask(c.request, c.data, c.length), c.expected) << c.name;
    }
    EXPECT_TRUE(driver.queries.empty());
    // Through the transport, such a set is a plain failure.
    const uint8_t byte = 0xAA;
    EXPECT_EQ(XuNodeSet(device.get(), 5, 1, &byte, 1), kEFail);
    EXPECT_TRUE(driver.queries.empty());
}

TEST_F(UvcXuDeviceTest, TheNodeIsOpenedOnceAndClosedAfterTheLastControl) {
    std::unique_ptr<XuControl> second;
    ASSERT_EQ(device->OpenControl(&second), kSOk);
    uint8_t byte = 0;
    EXPECT_EQ(Ask(Request(kKsNodeGet, 3, 2), &byte, 1), kSOk);
    device.reset();
    control.reset();
    EXPECT_EQ(driver.closes, 0);
    // A control outliving its device still reaches the same descriptor.
    EXPECT_EQ(second->KsProperty(Request(kKsNodeGet, 3, 2), &byte, 1, nullptr), kSOk);
    second.reset();
    EXPECT_EQ(driver.opened, std::vector<std::string>{"/dev/video0"});
    EXPECT_EQ(driver.closes, 1);
    ASSERT_EQ(driver.queries.size(), 2u);
    EXPECT_EQ(driver.queries[1].fd, kFd);
}

TEST(UvcXuDeviceOpen, PermissionDeniedKeepsTheErrno) {
    ScriptedDriver driver;
    driver.openErrno = EACCES;
    std::shared_ptr<UvcXuDevice> device;
    int error = 0;
    EXPECT_EQ(UvcXuDevice::Open("/dev/video0", TestFunction(), driver.Io(), &device, &error),
              static_cast<Status>(0x80070005u));
    EXPECT_EQ(error, EACCES);
    EXPECT_FALSE(device);
    EXPECT_EQ(driver.closes, 0);
}

TEST(UvcTopology, NodeIdsAreUnitIdsAndEveryExtensionUnitIsVendorSpecific) {
    ScriptedDriver driver;
    UvcXuDevice device(kFd, TestFunction(), driver.Io());
    std::unique_ptr<Topology> topology;
    ASSERT_EQ(device.OpenTopology(&topology), kSOk);
    uint32_t count = 0;
    ASSERT_EQ(topology->NodeCount(&count), kSOk);
    EXPECT_EQ(count, 6u);

    Guid types[6] = {};
    Status statuses[6] = {};
    for (uint32_t node = 0; node < count; ++node) {
        statuses[node] = topology->NodeType(node, &types[node]);
    }
    EXPECT_TRUE(Failed(statuses[0]));  // no entity has id 0
    for (uint32_t node = 1; node < count; ++node) {
        EXPECT_EQ(statuses[node], kSOk) << node;
    }
    EXPECT_EQ(types[3], kNodeTypeDevSpecific);
    EXPECT_EQ(types[5], kNodeTypeDevSpecific);
    for (const uint32_t node : {1u, 2u, 4u}) {
        EXPECT_NE(types[node], kNodeTypeDevSpecific) << node;
    }
    EXPECT_NE(types[1], types[2]);
    EXPECT_NE(types[2], types[4]);
    EXPECT_TRUE(Failed(topology->NodeType(6, &types[0])));
}

TEST(UvcNodeType, EachKindOfEntityHasItsOwnType) {
    const auto entity = [](UvcEntityKind kind, uint16_t terminalType = 0) {
        UvcEntity e;
        e.id = 1;
        e.kind = kind;
        e.terminalType = terminalType;
        return e;
    };
    const UvcEntity entities[] = {
        entity(UvcEntityKind::kInputTerminal, kIttCamera),
        entity(UvcEntityKind::kInputTerminal, 0x0401),  // composite connector
        entity(UvcEntityKind::kOutputTerminal, kTtStreaming),
        entity(UvcEntityKind::kOutputTerminal, 0x0301),  // display
        entity(UvcEntityKind::kSelectorUnit),
        entity(UvcEntityKind::kProcessingUnit),
        entity(UvcEntityKind::kEncodingUnit),
    };
    std::vector<Guid> seen;
    for (const UvcEntity& e : entities) {
        const Guid type = UvcNodeType(e);
        EXPECT_NE(type, kNodeTypeDevSpecific);
        for (const Guid& earlier : seen) {
            EXPECT_NE(type, earlier) << GuidText(type);
        }
        seen.push_back(type);
    }
    EXPECT_EQ(UvcNodeType(entity(UvcEntityKind::kInputTerminal, kTtStreaming)),
              UvcNodeType(entity(UvcEntityKind::kOutputTerminal, kTtStreaming)));
}
