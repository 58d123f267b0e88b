#pragma once

// The VideoControl side of a USB device's configuration descriptors, as the sysfs `descriptors`
// file holds them (device descriptor, then each configuration): per video function its control
// interface, the streaming interfaces it owns, and its units and terminals.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/guid.h"

enum class UvcEntityKind {
    kInputTerminal,
    kOutputTerminal,
    kSelectorUnit,
    kProcessingUnit,
    kExtensionUnit,
    kEncodingUnit,
};

struct UvcEntity {
    uint8_t id = 0;  // bUnitID / bTerminalID, never 0
    UvcEntityKind kind = UvcEntityKind::kInputTerminal;
    uint16_t terminalType = 0;  // wTerminalType of a terminal
    Guid extensionCode{};       // guidExtensionCode of an extension unit
};

struct VideoFunction {
    uint8_t controlInterface = 0;              // bInterfaceNumber of the VideoControl interface
    uint16_t uvcVersion = 0;                   // bcdUVC of the header
    std::vector<uint8_t> streamingInterfaces;  // the header's baInterfaceNr
    uint8_t associationFirst = 0;              // the interface association's range;
    uint8_t associationCount = 0;              // a count of 0 when there is none
    std::vector<UvcEntity> entities;

    // The unit or terminal with that id, or null.
    const UvcEntity* Entity(uint32_t id) const;
};

// The video functions of the configuration whose bConfigurationValue is `configuration`
// (0: the first one). Bytes are never read past `size`. Damaged framing (a descriptor or a
// configuration running past its end) yields no function at all; a function with a malformed,
// zero or duplicate unit id, or without its header, is left out.
std::vector<VideoFunction> ParseVideoFunctions(const uint8_t* data, size_t size,
                                               uint8_t configuration);

// The function a video node belongs to, by the interface number of the node's USB parent: its
// VideoControl interface, else one of the header's streaming interfaces, else the association.
const VideoFunction* FindVideoFunction(const std::vector<VideoFunction>& functions,
                                       uint8_t interfaceNumber);
