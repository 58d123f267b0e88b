#pragma once

// Extension-unit property transport: every exchange with a device's vendor extension unit.
// Three families: fixed node 1, a given node id, and chunked transfers in packets of the
// control's own size. All are stateless and return a Status.

#include <cstdint>

#include "device/platform.h"

Status XuSet(XuDevice* filter, uint32_t selector, const uint8_t* data, uint32_t length);
Status XuGet(XuDevice* filter, uint32_t selector, uint8_t* data, uint32_t length);
Status XuGetLength(XuDevice* filter, uint32_t selector, uint32_t* length);

Status XuNodeSet(XuDevice* filter, uint32_t node, uint32_t selector, const uint8_t* data,
                 uint32_t length);
Status XuNodeGet(XuDevice* filter, uint32_t node, uint32_t selector, uint8_t* data,
                 uint32_t length);
Status XuNodeGetLength(XuDevice* filter, uint32_t node, uint32_t selector, uint32_t* length);

Status XuNodeSetChunked(XuDevice* filter, uint32_t node, uint32_t selector, const uint8_t* data,
                        uint32_t length);
Status XuNodeGetChunked(XuDevice* filter, uint32_t node, uint32_t selector, uint8_t* data,
                        uint32_t length);
