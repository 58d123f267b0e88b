#pragma once

// USB descriptors as cameras send them, built piece by piece: the device descriptor, then
// configurations whose wTotalLength is computed from their parts.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "device/guid.h"

using Bytes = std::vector<uint8_t>;

inline constexpr Guid kOtherVendorXu{
    0x63610682, 0x5070, 0x49AB, {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1E}};
inline constexpr uint16_t kTtStreaming = 0x0101;
inline constexpr uint16_t kIttCamera = 0x0201;

inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline uint8_t Lo(uint32_t value) {
    return static_cast<uint8_t>(value & 0xFF);
}
inline uint8_t Hi(uint32_t value) {
    return static_cast<uint8_t>((value >> 8) & 0xFF);
}

inline Bytes DeviceDescriptor(uint16_t vendor = 0x1d6b, uint16_t product = 0x0102) {
    return {18,         0x01,        0x00,        0x02, 0xEF, 0x02, 0x01, 64, Lo(vendor),
            Hi(vendor), Lo(product), Hi(product), 0x00, 0x01, 1,    2,    0,  1};
}

inline Bytes Configuration(uint8_t value, std::initializer_list<Bytes> parts) {
    const Bytes body = Join(parts);
    const auto total = static_cast<uint32_t>(body.size() + 9);
    Bytes config{9, 0x02, Lo(total), Hi(total), 2, value, 0, 0x80, 250};
    config.insert(config.end(), body.begin(), body.end());
    return config;
}

inline Bytes Association(uint8_t first, uint8_t count) {
    return {8, 0x0B, first, count, 0x0E, 0x03, 0x00, 0};
}

inline Bytes Interface(uint8_t number, uint8_t alternate, uint8_t subclass) {
    return {9, 0x04, number, alternate, 1, 0x0E, subclass, 0x00, 0};
}
inline Bytes VcInterface(uint8_t number) {
    return Interface(number, 0, 0x01);
}
inline Bytes VsInterface(uint8_t number, uint8_t alternate = 0) {
    return Interface(number, alternate, 0x02);
}

inline Bytes VcHeader(uint16_t uvc, std::initializer_list<uint8_t> streaming) {
    const auto length = static_cast<uint8_t>(12 + streaming.size());
    Bytes header{length, 0x24, 0x01, Lo(uvc), Hi(uvc), 0x50,
                 0x00,   0x80, 0x8D, 0x5B,    0x00,    static_cast<uint8_t>(streaming.size())};
    header.insert(header.end(), streaming.begin(), streaming.end());
    return header;
}

inline Bytes CameraTerminal(uint8_t id) {
    return {18, 0x24, 0x02, id, Lo(kIttCamera), Hi(kIttCamera), 0,   0, 0, 0, 0,
            0,  0,    0,    3,  0x0E,           0x00,           0x00};
}
inline Bytes InputTerminal(uint8_t id, uint16_t type) {
    return {8, 0x24, 0x02, id, Lo(type), Hi(type), 0, 0};
}
inline Bytes OutputTerminal(uint8_t id, uint8_t source, uint16_t type = kTtStreaming) {
    return {9, 0x24, 0x03, id, Lo(type), Hi(type), 0, source, 0};
}
// UVC 1.0 ends after iProcessing; 1.1 and later add bmVideoStandards.
inline Bytes ProcessingUnit(uint8_t id, uint8_t source, uint16_t uvc) {
    Bytes unit{0, 0x24, 0x05, id, source, 0x00, 0x40, 2, 0x7F, 0x15, 0};
    if (uvc >= 0x0110) {
        unit.push_back(0x00);
    }
    unit[0] = static_cast<uint8_t>(unit.size());
    return unit;
}
inline Bytes SelectorUnit(uint8_t id, std::initializer_list<uint8_t> sources) {
    Bytes unit{static_cast<uint8_t>(6 + sources.size()), 0x24, 0x04, id,
               static_cast<uint8_t>(sources.size())};
    unit.insert(unit.end(), sources.begin(), sources.end());
    unit.push_back(0);
    return unit;
}
// guidExtensionCode little-endian, as on the wire; one source pin and 3 control bytes.
inline Bytes ExtensionUnit(uint8_t id, const Guid& guid, uint8_t source) {
    Bytes unit{28, 0x24, 0x06, id};
    for (int shift = 0; shift < 32; shift += 8) {
        unit.push_back(static_cast<uint8_t>(guid.data1 >> shift));
    }
    unit.insert(unit.end(), {Lo(guid.data2), Hi(guid.data2), Lo(guid.data3), Hi(guid.data3)});
    unit.insert(unit.end(), guid.data4, guid.data4 + 8);
    unit.insert(unit.end(), {9, 1, source, 3, 0xFF, 0x03, 0x00, 0});
    return unit;
}
inline Bytes EncodingUnit(uint8_t id, uint8_t source) {
    return {13, 0x24, 0x07, id, source, 0, 3, 0xFF, 0xFF, 0x03, 0xFF, 0xFF, 0x03};
}
inline Bytes InterruptEndpoint() {
    return Join({{7, 0x05, 0x83, 0x03, 0x10, 0x00, 0x06}, {5, 0x25, 0x03, 0x10, 0x00}});
}
// A streaming interface's own class-specific descriptors use the same subtype numbers as the
// control interface's (0x01 is VS_INPUT_HEADER): they must not count as units.
inline Bytes StreamingInterface(uint8_t number, uint8_t terminal) {
    return Join({VsInterface(number),
                 {14, 0x24, 0x01, 1, 0x4D, 0x00, 0x81, 0, terminal, 0, 0, 0, 1, 0},
                 {11, 0x24, 0x06, 1, 1, 0, 1, 0, 0, 0, 0},
                 VsInterface(number, 1),
                 {7, 0x05, 0x81, 0x05, 0x00, 0x14, 0x01}});
}

// A camera function: camera terminal 1, processing unit 2, then the given units, and a
// streaming output terminal fed by the last of them.
inline Bytes CameraFunction(uint8_t control, uint16_t uvc, std::initializer_list<Bytes> units,
                            uint8_t outputId, uint8_t outputSource) {
    const auto streaming = static_cast<uint8_t>(control + 1);
    Bytes function =
        Join({Association(control, 2), VcInterface(control), VcHeader(uvc, {streaming}),
              CameraTerminal(1), ProcessingUnit(2, 1, uvc)});
    for (const Bytes& unit : units) {
        function.insert(function.end(), unit.begin(), unit.end());
    }
    return Join({function, OutputTerminal(outputId, outputSource), InterruptEndpoint(),
                 StreamingInterface(streaming, outputId)});
}

// The usual single-function camera: our extension unit as unit 3, output terminal 4.
inline Bytes PlainCamera(uint16_t uvc = 0x0100, uint16_t vendor = 0x1d6b,
                         uint16_t product = 0x0102) {
    return Join(
        {DeviceDescriptor(vendor, product),
         Configuration(1, {CameraFunction(0, uvc, {ExtensionUnit(3, kXuPropertySet, 2)}, 4, 3)})});
}
