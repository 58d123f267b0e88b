#pragma once

// The simulated device's own numbering of its controls and commands, kept apart from the
// host's command set on purpose: a wrong host constant must show up as a protocol error, not
// be mirrored by the device.

#include <cstdint>

enum SimXuSelector : uint32_t {
    kCtlInit = 1,
    kCtlHandshake = 2,
    kCtlVersion = 3,
    kCtlBegin = 4,
    kCtlHeader = 5,
    kCtlData = 6,
    kCtlEnd = 8,
    kCtlDisplayVersion = 9,
};

inline constexpr uint8_t kSimInitialise = 0xAA;
inline constexpr uint8_t kSimReset = 0x76;
inline constexpr uint8_t kSimHello = 0x87;
inline constexpr uint8_t kSimHelloAnswer = 0x78;
inline constexpr uint8_t kSimHelloDone = 0xC3;
inline constexpr uint8_t kSimBegin = 0x33;
inline constexpr uint8_t kSimEnd = 0x44;
inline constexpr uint8_t kSimReadBack = 0x80;
inline constexpr uint8_t kSimDisplayVersionRequest[2] = {0xFE, 0x07};
inline constexpr uint32_t kSimHeaderSize = 10;
inline constexpr uint8_t kSimFirmwareSegment = 2;
// Where a firmware image carries its version word, as the file-version label reads it.
inline constexpr uint32_t kSimFirmwareVersionOffset = 81924;
