#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/sim/sim_xu_protocol.h"
#include "tests/e2e/uvc_camera_descriptors.h"
#include "tests/e2e/uvc_camera_function.h"

// What uvcvideo needs from the emulated camera before it creates /dev/videoN, and the mapping of
// extension-unit requests onto the device model. A descriptor length that is off by one, or a
// probe answer of the wrong size, makes the driver refuse the device without saying much.

namespace {

constexpr uint8_t kClassIn = 0xA1;
constexpr uint8_t kClassOut = 0x21;
constexpr uint16_t kXuIndex = kCameraXuUnitId << 8;

SetupPacket ClassGet(uint8_t request, uint8_t selector, uint16_t index, uint16_t length) {
    return {kClassIn, request, static_cast<uint16_t>(selector << 8), index, length};
}
SetupPacket ClassSet(uint8_t selector, uint16_t index, uint16_t length) {
    return {kClassOut, 0x01, static_cast<uint16_t>(selector << 8), index, length};
}

// The descriptors of the configuration as (type, subtype, bytes), walked by bLength.
struct Descriptor {
    uint8_t type;
    uint8_t subtype;
    std::vector<uint8_t> bytes;
};
std::vector<Descriptor> Walk(const std::vector<uint8_t>& all) {
    std::vector<Descriptor> list;
    for (size_t at = 0; at < all.size();) {
        const uint8_t length = all[at];
        if (length < 2 || at + length > all.size()) {
            ADD_FAILURE() << "bad bLength " << int(length) << " at " << at;
            break;
        }
        list.push_back({all[at + 1], length > 2 ? all[at + 2] : uint8_t{0},
                        std::vector<uint8_t>(all.begin() + static_cast<long>(at),
                                             all.begin() + static_cast<long>(at + length))});
        at += length;
    }
    return list;
}
uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(UvcCameraDescriptors, TotalLengthsMatchWhatFollows) {
    const std::vector<uint8_t> all = CameraConfigurationDescriptor();
    ASSERT_EQ(Le16(all, 2), all.size());
    const std::vector<Descriptor> list = Walk(all);
    // Each class-specific header counts itself and the class-specific descriptors after it.
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].type != 0x24 || list[i].subtype != 0x01) {
            continue;
        }
        const size_t totalAt = list[i].bytes.size() == 13 ? 5 : 4;  // VC header : VS header
        size_t sum = 0;
        for (size_t j = i; j < list.size() && list[j].type == 0x24; ++j) {
            sum += list[j].bytes.size();
        }
        EXPECT_EQ(Le16(list[i].bytes, totalAt), sum) << "header " << i;
    }
}

TEST(UvcCameraDescriptors, CarryTheExtensionUnitTheLoaderLooksFor) {
    const std::vector<Descriptor> list = Walk(CameraConfigurationDescriptor());
    const auto xu = std::find_if(list.begin(), list.end(), [](const Descriptor& d) {
        return d.type == 0x24 && d.subtype == 0x06;
    });
    ASSERT_NE(xu, list.end());
    const std::vector<uint8_t> expected = {27,
                                           0x24,
                                           0x06,
                                           kCameraXuUnitId,  // header, unit id
                                           0x92,
                                           0x42,
                                           0x39,
                                           0x46,
                                           0xD0,
                                           0x0C,
                                           0xE3,
                                           0x4A,  // GUID, USB order
                                           0x87,
                                           0x83,
                                           0x31,
                                           0x33,
                                           0xF9,
                                           0xEA,
                                           0xAA,
                                           0x3B,  //
                                           9,
                                           1,
                                           kCameraInputTerminalId,
                                           2,
                                           0xFF,
                                           0x01,
                                           0};  // selectors 1 to 9
    EXPECT_EQ(xu->bytes, expected);
    const std::vector<uint8_t> device = CameraDeviceDescriptor();
    EXPECT_EQ(Le16(device, 8), 0x1D6B);
    EXPECT_EQ(Le16(device, 10), kCameraProductId);
}

class UvcCameraFunctionTest : public ::testing::Test {
  protected:
    ControlReply Request(const SetupPacket& setup, std::vector<uint8_t> out = {}) {
        return camera_.Control(setup, out);
    }
    uint8_t ErrorCode() {
        const ControlReply reply = Request(ClassGet(0x81, 0x02, 0x0000, 1));
        EXPECT_FALSE(reply.stall);
        return reply.data.empty() ? 0xFF : reply.data[0];
    }

    SimXuModel model_{SimXuConfig{300, 64, 1, 0x0213}};
    UvcCameraFunction camera_{model_};
};

TEST_F(UvcCameraFunctionTest, ServesTheExtensionUnitFromTheModel) {
    EXPECT_FALSE(Request(ClassSet(kCtlInit, kXuIndex, 1), {0xAA}).stall);
    EXPECT_TRUE(model_.Initialised());
    // GET_LEN: the control's size in two bytes, low byte first.
    EXPECT_EQ(Request(ClassGet(0x85, kCtlData, kXuIndex, 2)).data,
              (std::vector<uint8_t>{0x2C, 0x01}));
    EXPECT_EQ(Request(ClassGet(0x86, kCtlVersion, kXuIndex, 1)).data, (std::vector<uint8_t>{0x03}));
    EXPECT_FALSE(Request(ClassSet(kCtlHandshake, kXuIndex, 1), {0x87}).stall);
    EXPECT_EQ(Request(ClassGet(0x81, kCtlHandshake, kXuIndex, 1)).data,
              (std::vector<uint8_t>{0x78}));
    const std::vector<SimTraffic> traffic = model_.Traffic();
    ASSERT_FALSE(traffic.empty());
    EXPECT_EQ(traffic.front().node, kCameraXuUnitId);
}

TEST_F(UvcCameraFunctionTest, ExplainsEveryStallThroughTheErrorCodeControl) {
    struct Case {
        const char* what;
        SetupPacket setup;
        std::vector<uint8_t> out;
        uint8_t error;
    };
    const std::vector<Case> cases = {
        {"refused by the model", ClassSet(kCtlBegin, kXuIndex, 1), {0x33}, kUvcWrongState},
        {"no such selector", ClassGet(0x85, 10, kXuIndex, 2), {}, kUvcInvalidControl},
        {"model has no control 7", ClassGet(0x85, 7, kXuIndex, 2), {}, kUvcInvalidControl},
        {"request the unit lacks", ClassGet(0x87, kCtlData, kXuIndex, 32), {}, kUvcInvalidRequest},
        {"a terminal", ClassGet(0x81, 1, kCameraInputTerminalId << 8, 1), {}, kUvcInvalidUnit},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Request(c.setup, c.out).stall) << c.what;
        EXPECT_EQ(ErrorCode(), c.error) << c.what;
        // A served request clears the code again.
        EXPECT_FALSE(Request(ClassGet(0x86, kCtlInit, kXuIndex, 1)).stall);
        EXPECT_EQ(ErrorCode(), kUvcNoError) << c.what;
    }
}

TEST_F(UvcCameraFunctionTest, StallsTheInjectedDataPacket) {
    const std::vector<std::pair<uint32_t, std::vector<uint8_t>>> open = {{kCtlInit, {0xAA}},
                                                                         {kCtlHandshake, {0x87}}};
    for (const auto& [selector, bytes] : open) {
        ASSERT_FALSE(Request(ClassSet(static_cast<uint8_t>(selector), kXuIndex, 1), bytes).stall);
    }
    ASSERT_FALSE(Request(ClassGet(0x81, kCtlHandshake, kXuIndex, 1)).stall);
    ASSERT_FALSE(Request(ClassSet(kCtlHandshake, kXuIndex, 1), {0xC3}).stall);
    ASSERT_FALSE(Request(ClassSet(kCtlBegin, kXuIndex, 1), {0x33}).stall);
    const std::vector<uint8_t> header = {2, 0, 0, 0, 0, 0, 0, 0x02, 0x58, 0xA3};  // 600 bytes
    ASSERT_FALSE(Request(ClassSet(kCtlHeader, kXuIndex, 10), header).stall);
    model_.FailRequest(kCtlData, 2, kSimStall);
    const std::vector<uint8_t> packet(300, 0x5A);
    EXPECT_FALSE(Request(ClassSet(kCtlData, kXuIndex, 300), packet).stall);
    EXPECT_TRUE(Request(ClassSet(kCtlData, kXuIndex, 300), packet).stall);
    EXPECT_EQ(ErrorCode(), kUvcWrongState);
    // Only the packet the device took counts towards an unplug mid-write.
    EXPECT_EQ(camera_.DataPacketsServed(), 1u);
}

TEST_F(UvcCameraFunctionTest, KeepsTheStreamingParametersTheHostSets) {
    constexpr uint16_t kStreaming = kCameraStreamingInterface;
    const ControlReply initial = Request(ClassGet(0x81, 0x01, kStreaming, 34));
    ASSERT_EQ(initial.data.size(), 34u);  // uvcvideo refuses a UVC 1.1 device otherwise
    EXPECT_EQ(initial.data[2], 1);        // format 1
    EXPECT_EQ(initial.data[3], 1);        // frame 1
    std::vector<uint8_t> chosen = initial.data;
    chosen[0] = 0;
    EXPECT_FALSE(Request(ClassSet(0x01, kStreaming, 34), chosen).stall);
    EXPECT_EQ(Request(ClassGet(0x81, 0x01, kStreaming, 34)).data, chosen);
    EXPECT_TRUE(Request(ClassSet(0x01, kStreaming, 26), std::vector<uint8_t>(26)).stall);
}

TEST_F(UvcCameraFunctionTest, AnswersEnumerationWithinTheRequestedLength) {
    EXPECT_EQ(Request({0x80, 0x06, 0x0100, 0, 8}).data.size(), 8u);
    EXPECT_EQ(Request({0x80, 0x06, 0x0100, 0, 64}).data.size(), 18u);
    const ControlReply product = Request({0x80, 0x06, 0x0302, 0x0409, 255});
    std::string text;
    for (size_t i = 2; i + 1 < product.data.size(); i += 2) {
        text += static_cast<char>(product.data[i]);
    }
    EXPECT_EQ(text, kCameraProductName);
    EXPECT_TRUE(Request({0x80, 0x06, 0x0600, 0, 10}).stall);  // no device qualifier
    EXPECT_TRUE(Request({0x80, 0x06, 0x0309, 0x0409, 255}).stall);
    EXPECT_FALSE(Request({0x00, 0x09, 1, 0, 0}).stall);
    EXPECT_EQ(Request({0x80, 0x08, 0, 0, 1}).data, (std::vector<uint8_t>{1}));
}

}  // namespace
