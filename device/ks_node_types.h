#pragma once

#include <cstdint>

#include "device/guid.h"

// Kernel streaming's KSNODETYPE_VIDEO_* family, which differs only in the first field: the
// types of a camera's topology nodes other than its extension units.
constexpr Guid KsVideoNodeType(uint32_t data1) {
    return {data1, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
}
inline constexpr Guid kNodeTypeVideoStreaming = KsVideoNodeType(0xDFF229E1);
inline constexpr Guid kNodeTypeVideoInputTerminal = KsVideoNodeType(0xDFF229E2);
inline constexpr Guid kNodeTypeVideoOutputTerminal = KsVideoNodeType(0xDFF229E3);
inline constexpr Guid kNodeTypeVideoSelector = KsVideoNodeType(0xDFF229E4);
inline constexpr Guid kNodeTypeVideoProcessing = KsVideoNodeType(0xDFF229E5);
inline constexpr Guid kNodeTypeVideoCameraTerminal = KsVideoNodeType(0xDFF229E6);
