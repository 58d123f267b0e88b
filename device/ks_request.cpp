#include "device/ks_request.h"

Status DecodeKsRequest(const KsPropertyNode& request, const void* data, uint32_t length,
                       const KsRequestBounds& bounds, KsRequest* decoded) {
    KsRequest result;
    if (request.flags == kKsNodeGet) {
        result.kind = length == 0 ? KsRequestKind::kSizeQuery : KsRequestKind::kGet;
    } else if (request.flags == kKsNodeSet) {
        result.kind = KsRequestKind::kSet;
    } else {
        return kEInvalidArg;
    }
    if (request.id > bounds.maxSelector) {
        return kNotFound;
    }
    if (data == nullptr && length != 0) {
        return kEPointer;
    }
    if (length > bounds.maxLength) {
        return kInsufficientBuffer;
    }
    result.node = request.nodeId;
    result.selector = request.id;
    *decoded = result;
    return kSOk;
}
