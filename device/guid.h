#pragma once

#include <cstdint>
#include <string>

// A GUID in the platform's memory layout (little-endian Data1..Data3, Data4 as stored).
struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16, "Guid must match the platform layout");

bool operator==(const Guid& a, const Guid& b);
inline bool operator!=(const Guid& a, const Guid& b) {
    return !(a == b);
}

// The interface-class text: "65E8773D-8F56-11D0-A3B9-00A0C9223196", upper case, no braces.
std::string GuidText(const Guid& guid);

// The extension unit's property set (guidExtensionCode).
inline constexpr Guid kXuPropertySet{
    0x46394292, 0x0CD0, 0x4AE3, {0x87, 0x83, 0x31, 0x33, 0xF9, 0xEA, 0xAA, 0x3B}};
// KSNODETYPE_DEV_SPECIFIC: the topology node type of an extension unit.
inline constexpr Guid kNodeTypeDevSpecific{
    0x941C7AC0, 0xC559, 0x11D0, {0x8A, 0x2B, 0x00, 0xA0, 0xC9, 0x25, 0x5A, 0xC1}};
// KSCATEGORY_CAPTURE: the device-interface class of capture devices.
inline constexpr Guid kCaptureCategory{
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
