#include <gtest/gtest.h>

#include "device/ks_request.h"

namespace {

constexpr KsRequestBounds kBounds{0xFF, 0xFFFF};

KsPropertyNode Request(uint32_t flags, uint32_t selector, uint32_t node = 4) {
    KsPropertyNode request{};
    request.set = kXuPropertySet;
    request.id = selector;
    request.flags = flags;
    request.nodeId = node;
    return request;
}

TEST(DecodeKsRequest, ReadsEveryCaseAsKernelStreamingDoes) {
    uint8_t buffer[4] = {};
    const struct {
        const char* name;
        KsPropertyNode request;
        void* data;
        uint32_t length;
        Status status;
        KsRequestKind kind;
    } cases[] = {
        {"get", Request(kKsNodeGet, 6), buffer, 4, kSOk, KsRequestKind::kGet},
        {"set", Request(kKsNodeSet, 6), buffer, 4, kSOk, KsRequestKind::kSet},
        {"size query", Request(kKsNodeGet, 6), nullptr, 0, kSOk, KsRequestKind::kSizeQuery},
        // An output length of 0 asks for the size whatever the buffer pointer.
        {"get with a buffer and length 0", Request(kKsNodeGet, 6), buffer, 0, kSOk,
         KsRequestKind::kSizeQuery},
        {"empty set", Request(kKsNodeSet, 6), nullptr, 0, kSOk, KsRequestKind::kSet},
        {"largest selector", Request(kKsNodeGet, 0xFF), buffer, 4, kSOk, KsRequestKind::kGet},
        {"largest length", Request(kKsNodeSet, 6), buffer, 0xFFFF, kSOk, KsRequestKind::kSet},
        {"selector beyond the bounds", Request(kKsNodeGet, 0x100), buffer, 4, kNotFound, {}},
        {"length beyond the bounds",
         Request(kKsNodeSet, 6),
         buffer,
         0x10000,
         kInsufficientBuffer,
         {}},
        {"get without the topology flag",
         Request(kKsPropertyTypeGet, 6),
         buffer,
         4,
         kEInvalidArg,
         {}},
        {"set without the topology flag",
         Request(kKsPropertyTypeSet, 6),
         buffer,
         4,
         kEInvalidArg,
         {}},
        {"get and set at once", Request(kKsNodeGet | kKsNodeSet, 6), buffer, 4, kEInvalidArg, {}},
        {"no flags", Request(0, 6), buffer, 4, kEInvalidArg, {}},
        {"get without buffer", Request(kKsNodeGet, 6), nullptr, 4, kEPointer, {}},
        {"set without buffer", Request(kKsNodeSet, 6), nullptr, 4, kEPointer, {}},
    };
    for (const auto& c : cases) {
        KsRequest decoded;
        decoded.node = 99;
        const Status status = DecodeKsRequest(c.request, c.data, c.length, kBounds, &decoded);
        EXPECT_EQ(status, c.status) << c.name;
        if (Succeeded(status)) {
            EXPECT_EQ(decoded.kind, c.kind) << c.name;
            EXPECT_EQ(decoded.node, c.request.nodeId) << c.name;
            EXPECT_EQ(decoded.selector, c.request.id) << c.name;
        } else {
            EXPECT_EQ(decoded.node, 99u) << c.name << ": a refused request leaves the result";
        }
    }
}

TEST(DecodeKsRequest, WithoutBoundsEverySelectorAndLengthPasses) {
    uint8_t byte = 0;
    KsRequest decoded;
    EXPECT_EQ(
        DecodeKsRequest(Request(kKsNodeGet, 0xFFFFFFFFu, 0), &byte, 0xFFFFFFFFu, {}, &decoded),
        kSOk);
    EXPECT_EQ(decoded.selector, 0xFFFFFFFFu);
    EXPECT_EQ(decoded.node, 0u);
}

}  // namespace
