#pragma once

// How a backend that receives kernel-streaming property requests reads one: what is asked, of
// which node and control, and whether the request is well formed at all. The addressing (does
// the node carry the property set) is the backend's own knowledge and stays with it.

#include <cstdint>
#include <limits>

#include "device/platform.h"

enum class KsRequestKind { kGet, kSet, kSizeQuery };

struct KsRequest {
    KsRequestKind kind = KsRequestKind::kGet;
    uint32_t node = 0;
    uint32_t selector = 0;
};

// What the receiving side can carry; a request beyond it never reaches the device.
struct KsRequestBounds {
    uint32_t maxSelector = std::numeric_limits<uint32_t>::max();
    uint32_t maxLength = std::numeric_limits<uint32_t>::max();
};

// A get with an output length of 0 is a size query whatever the buffer pointer: kernel
// streaming answers any zero-length get with the size it needs. Fails with kEInvalidArg for
// flags other than a topology get or set, kNotFound for a selector beyond the bounds,
// kEPointer for a missing buffer of non-zero length and kInsufficientBuffer for a length
// beyond the bounds.
Status DecodeKsRequest(const KsPropertyNode& request, const void* data, uint32_t length,
                       const KsRequestBounds& bounds, KsRequest* decoded);
