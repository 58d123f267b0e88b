#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "device/linux/uvc_descriptors.h"
#include "tests/linux/descriptor_builder.h"

namespace {

std::string KindText(const UvcEntity& entity) {
    switch (entity.kind) {
        case UvcEntityKind::kInputTerminal:
            return "it";
        case UvcEntityKind::kOutputTerminal:
            return "ot";
        case UvcEntityKind::kSelectorUnit:
            return "su";
        case UvcEntityKind::kProcessingUnit:
            return "pu";
        case UvcEntityKind::kExtensionUnit:
            return entity.extensionCode == kXuPropertySet ? "xu(ours)" : "xu(other)";
        case UvcEntityKind::kEncodingUnit:
            return "eu";
    }
    return "?";
}

// "vc0 v0110 vs1 iad0+2: 1it 2pu 3xu(ours) 4ot", functions joined by " | ".
std::string Describe(const std::vector<VideoFunction>& functions) {
    std::string text;
    for (const VideoFunction& function : functions) {
        char head[32];
        std::snprintf(head, sizeof head, "vc%u v%04x", function.controlInterface,
                      function.uvcVersion);
        text += (text.empty() ? "" : " | ") + std::string(head);
        for (const uint8_t streaming : function.streamingInterfaces) {
            text += " vs" + std::to_string(streaming);
        }
        if (function.associationCount != 0) {
            text += " iad" + std::to_string(function.associationFirst) + "+" +
                    std::to_string(function.associationCount);
        }
        text += ":";
        for (const UvcEntity& entity : function.entities) {
            text += " " + std::to_string(entity.id) + KindText(entity);
        }
    }
    return text;
}

// Parses from an allocation of exactly the input's size, so a read past the end is caught.
std::vector<VideoFunction> ParseExact(const Bytes& bytes, uint8_t configuration = 0) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return ParseVideoFunctions(exact.get(), bytes.size(), configuration);
}

Bytes WithByte(Bytes bytes, size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

Bytes Camera(uint16_t uvc, std::initializer_list<Bytes> units, uint8_t output, uint8_t source) {
    return Join(
        {DeviceDescriptor(), Configuration(1, {CameraFunction(0, uvc, units, output, source)})});
}

const Bytes kOurXu = ExtensionUnit(3, kXuPropertySet, 2);
const Bytes kOurSecondXu = ExtensionUnit(6, kXuPropertySet, 3);

Bytes TwoFunctionCamera(const Bytes& secondUnits) {
    return Join(
        {DeviceDescriptor(0x1d6b, 0x0104),
         Configuration(
             1, {CameraFunction(0, 0x0100, {kOurXu}, 4, 3),
                 CameraFunction(2, 0x0110, {ExtensionUnit(3, kOtherVendorXu, 2), secondUnits}, 5,
                                6)})});
}

// A camera from before interface associations: plain interfaces, no IAD.
Bytes CameraWithoutAssociation() {
    return Join({DeviceDescriptor(),
                 Configuration(1, {VcInterface(0), VcHeader(0x0100, {1}), CameraTerminal(1),
                                   ProcessingUnit(2, 1, 0x0100), kOurXu, OutputTerminal(4, 3),
                                   InterruptEndpoint(), StreamingInterface(1, 4)})});
}

Bytes OtherFunctionOnly(uint8_t value) {
    return Configuration(value, {Interface(0, 0, 0x03), InterruptEndpoint()});
}

struct ParseCase {
    const char* name;
    Bytes bytes;
    uint8_t configuration;
    std::string expected;
};

class ParseLayouts : public ::testing::TestWithParam<ParseCase> {};

const std::string kPlain = "vc0 v0100 vs1 iad0+2: 1it 2pu 3xu(ours) 4ot";

}  // namespace

TEST_P(ParseLayouts, YieldsTheFunctionsAndTheirEntities) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(Describe(ParseExact(c.bytes, c.configuration)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RealWorld, ParseLayouts,
    ::testing::Values(
        ParseCase{"Uvc10Camera", PlainCamera(0x0100), 0, kPlain},
        ParseCase{"Uvc11TwoVendorsUnitsAndSelector",
                  Camera(0x0110,
                         {ExtensionUnit(3, kOtherVendorXu, 2), ExtensionUnit(5, kXuPropertySet, 3),
                          SelectorUnit(6, {5})},
                         4, 6),
                  0, "vc0 v0110 vs1 iad0+2: 1it 2pu 3xu(other) 5xu(ours) 6su 4ot"},
        ParseCase{"Uvc15EncodingUnit",
                  Camera(0x0150, {EncodingUnit(3, 2), ExtensionUnit(7, kXuPropertySet, 3)}, 4, 7),
                  0, "vc0 v0150 vs1 iad0+2: 1it 2pu 3eu 7xu(ours) 4ot"},
        ParseCase{"TwoVideoFunctions", TwoFunctionCamera(kOurSecondXu), 0,
                  kPlain + " | vc2 v0110 vs3 iad2+2: 1it 2pu 3xu(other) 6xu(ours) 5ot"},
        ParseCase{"NoInterfaceAssociation", CameraWithoutAssociation(), 0,
                  "vc0 v0100 vs1: 1it 2pu 3xu(ours) 4ot"},
        ParseCase{"NoDeviceDescriptorInFront",
                  Configuration(1, {CameraFunction(0, 0x0100, {kOurXu}, 4, 3)}), 0, kPlain},
        ParseCase{"SecondConfigurationActive",
                  Join({DeviceDescriptor(), OtherFunctionOnly(1),
                        Configuration(2, {CameraFunction(0, 0x0100, {kOurXu}, 4, 3)})}),
                  2, kPlain},
        ParseCase{"FirstConfigurationActive",
                  Join({DeviceDescriptor(), OtherFunctionOnly(1),
                        Configuration(2, {CameraFunction(0, 0x0100, {kOurXu}, 4, 3)})}),
                  1, ""},
        ParseCase{"ActiveConfigurationAbsent", PlainCamera(), 3, ""}),
    [](const auto& p) { return std::string(p.param.name); });

// Each of these would make the uvcvideo driver refuse the function, or cannot be framed at all.
INSTANTIATE_TEST_SUITE_P(
    Damaged, ParseLayouts,
    ::testing::Values(
        ParseCase{"Empty", {}, 0, ""}, ParseCase{"DeviceDescriptorOnly", DeviceDescriptor(), 0, ""},
        ParseCase{"ZeroLengthDescriptor",
                  Join({DeviceDescriptor(), Configuration(1, {VcInterface(0), {0, 0x24}})}), 0, ""},
        ParseCase{"OneByteDescriptor",
                  Join({DeviceDescriptor(), Configuration(1, {VcInterface(0), {1}})}), 0, ""},
        ParseCase{"TotalLengthBeyondTheEnd", WithByte(PlainCamera(), 18 + 3, 0x7F), 0, ""},
        ParseCase{"TotalLengthBelowTheHeader",
                  WithByte(WithByte(PlainCamera(), 18 + 2, 4), 18 + 3, 0), 0, ""},
        ParseCase{"DescriptorRunsIntoTheNextConfiguration",
                  Join({DeviceDescriptor(),
                        Configuration(1, {VcInterface(0),
                                          VcHeader(0x0100, {1}),
                                          {12, 0x24, 0x02, 1, 0x01, 0x02, 0, 0}}),
                        OtherFunctionOnly(2)}),
                  1, ""},
        ParseCase{"ExtensionUnitPinsBeyondItsLength",
                  Camera(0x0100, {WithByte(kOurXu, 21, 9)}, 4, 3), 0, ""},
        ParseCase{"ExtensionUnitControlsBeyondItsLength",
                  Camera(0x0100, {WithByte(kOurXu, 23, 8)}, 4, 3), 0, ""},
        ParseCase{"DuplicateUnitId", Camera(0x0100, {ExtensionUnit(2, kXuPropertySet, 1)}, 4, 2), 0,
                  ""},
        ParseCase{"UnitIdZero", Camera(0x0100, {ExtensionUnit(0, kXuPropertySet, 2)}, 4, 0), 0, ""},
        ParseCase{"HeaderMissing",
                  Join({DeviceDescriptor(),
                        Configuration(1, {VcInterface(0), CameraTerminal(1), kOurXu})}),
                  0, ""},
        ParseCase{"SecondHeader",
                  Join({DeviceDescriptor(),
                        Configuration(1, {VcInterface(0), VcHeader(0x0100, {1}), CameraTerminal(1),
                                          VcHeader(0x0100, {1})})}),
                  0, ""},
        ParseCase{"HeaderCollectionBeyondItsLength",
                  Join({DeviceDescriptor(),
                        Configuration(1, {VcInterface(0), WithByte(VcHeader(0x0100, {1}), 11, 5),
                                          CameraTerminal(1)})}),
                  0, ""},
        ParseCase{"TerminalTypeWithoutClass", Camera(0x0100, {InputTerminal(3, 0x0001)}, 4, 3), 0,
                  ""},
        ParseCase{
            "CameraControlsBeyondItsLength",
            Join({DeviceDescriptor(), Configuration(1, {VcInterface(0), VcHeader(0x0100, {1}),
                                                        WithByte(CameraTerminal(1), 14, 4)})}),
            0, ""},
        // A 1.1 processing unit carries bmVideoStandards; the 1.0 length is too short.
        ParseCase{"Uvc10ProcessingUnitInUvc11Function",
                  Join({DeviceDescriptor(),
                        Configuration(1, {VcInterface(0), VcHeader(0x0110, {1}), CameraTerminal(1),
                                          ProcessingUnit(2, 1, 0x0100)})}),
                  0, ""},
        ParseCase{
            "SecondVideoControlSettingZero",
            Join({DeviceDescriptor(),
                  Configuration(1, {CameraFunction(0, 0x0100, {kOurXu}, 4, 3), VcInterface(0)})}),
            0, ""},
        // The damage stays within its function: the first one is still usable.
        ParseCase{"DamagedSecondFunction", TwoFunctionCamera(ExtensionUnit(2, kXuPropertySet, 1)),
                  0, kPlain}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ParseVideoFunctions, EveryTruncationYieldsNothingAndNeverReadsPastTheEnd) {
    for (const Bytes& full : {PlainCamera(0x0150), TwoFunctionCamera(kOurSecondXu)}) {
        ASSERT_FALSE(ParseExact(full).empty());
        for (size_t size = 0; size < full.size(); ++size) {
            EXPECT_TRUE(
                ParseExact(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)))
                    .empty())
                << "prefix of " << size << " bytes";
        }
    }
}

TEST(ParseVideoFunctions, SurvivesAnySingleCorruptedByte) {
    const Bytes camera = TwoFunctionCamera(kOurSecondXu);
    for (size_t at = 0; at < camera.size(); ++at) {
        for (const uint8_t value : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0xFF}}) {
            for (const VideoFunction& function : ParseExact(WithByte(camera, at, value))) {
                for (const UvcEntity& entity : function.entities) {
                    EXPECT_NE(entity.id, 0) << "byte " << at;
                    EXPECT_EQ(function.Entity(entity.id), &entity) << "duplicate id " << at;
                }
            }
        }
    }
}

TEST(FindVideoFunction, AttributesEachInterfaceToItsOwnFunction) {
    // Function 1 owns interfaces 0 and 1, function 2 owns 2 and 3.
    const std::vector<VideoFunction> two = ParseExact(TwoFunctionCamera(kOurSecondXu));
    // The second function's header lists only interface 3; its association alone covers 4.
    const std::vector<VideoFunction> associated = ParseExact(
        Join({DeviceDescriptor(),
              Configuration(1, {Association(0, 2), VcInterface(0), VcHeader(0x0100, {1}),
                                CameraTerminal(1), kOurXu, Association(2, 3), VcInterface(2),
                                VcHeader(0x0100, {3}), CameraTerminal(1)})}));
    ASSERT_EQ(two.size(), 2u);
    ASSERT_EQ(associated.size(), 2u);
    const struct {
        const std::vector<VideoFunction>* functions;
        uint8_t interface;
        int expected;  // index into the functions, -1 for none
    } cases[] = {{&two, 0, 0},  {&two, 1, 0},        {&two, 2, 1},        {&two, 3, 1},
                 {&two, 4, -1}, {&associated, 4, 1}, {&associated, 5, -1}};
    for (const auto& c : cases) {
        const VideoFunction* found = FindVideoFunction(*c.functions, c.interface);
        const VideoFunction* expected =
            c.expected < 0 ? nullptr : &(*c.functions)[static_cast<size_t>(c.expected)];
        EXPECT_EQ(found, expected) << "interface " << int{c.interface};
    }
}
