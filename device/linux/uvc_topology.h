#pragma once

// A video function's units and terminals as a kernel-streaming style topology: node i is the
// entity whose UVC id is i, so a node id is the unit id on the wire.

#include <memory>

#include "device/linux/uvc_descriptors.h"
#include "device/platform.h"

// Every extension unit is kNodeTypeDevSpecific, whatever its GUID. The other entities take
// the KSNODETYPE_VIDEO_* types Windows gives them: camera terminal, streaming terminal, other
// input or output terminal, selector and processing unit; the encoding unit, which Windows
// does not type, gets kNodeTypeEncodingUnit of the same family.
Guid UvcNodeType(const UvcEntity& entity);

inline constexpr Guid kNodeTypeEncodingUnit{
    0xDFF229E9, 0xF70F, 0x11D0, {0xB9, 0x17, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// NodeCount is the highest id + 1; ids without an entity are nodes whose type cannot be read.
std::unique_ptr<Topology> MakeUvcTopology(std::shared_ptr<const VideoFunction> function);
