#include "device/xu_transport.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kFixedNode = 1;

// One open property channel addressed to one control; every call builds its own record.
class ControlChannel {
  public:
    ControlChannel(XuControl& control, uint32_t node, uint32_t selector)
        : control_(control), node_(node), selector_(selector) {}

    Status Write(const uint8_t* data, uint32_t length) {
        // The platform's signature is not const-correct; a set only reads the buffer.
        return Call(kKsNodeSet, const_cast<uint8_t*>(data), length, nullptr);
    }
    Status Read(uint8_t* data, uint32_t length) { return Call(kKsNodeGet, data, length, nullptr); }

    // The control's size: the platform reports it only through kMoreData.
    bool QuerySize(uint32_t* size) {
        uint32_t returned = 0;
        if (Call(kKsNodeGet, nullptr, 0, &returned) != kMoreData) {
            return false;
        }
        *size = returned;
        return true;
    }

  private:
    Status Call(uint32_t flags, void* data, uint32_t length, uint32_t* returnedOut) {
        KsPropertyNode request{};
        request.set = kXuPropertySet;
        request.id = selector_;
        request.flags = flags;
        request.nodeId = node_;
        request.reserved = 0;
        uint32_t returned = 0;
        const Status status = control_.KsProperty(request, data, length, &returned);
        if (returnedOut != nullptr) {
            *returnedOut = returned;
        }
        return status;
    }

    XuControl& control_;
    uint32_t node_;
    uint32_t selector_;
};

Status OpenChannelControl(XuDevice* filter, std::unique_ptr<XuControl>* control) {
    const Status status = filter->OpenControl(control);
    if (Failed(status)) {
        return status;
    }
    // A backend that claims success without an interface must not be called through.
    return *control ? status : kENoInterface;
}

Status MapDataStatus(Status status) {
    return Failed(status) ? kEFail : status;
}

// Runs one operation on a channel that lives exactly as long as the operation. A missing buffer
// for a non-empty request is refused before the device sees it.
template <typename Use>
Status OnChannel(XuDevice* filter, bool pointersValid, uint32_t node, uint32_t selector, Use use) {
    if (filter == nullptr) {
        return kEFail;
    }
    if (!pointersValid) {
        return kEPointer;
    }
    std::unique_ptr<XuControl> control;
    const Status opened = OpenChannelControl(filter, &control);
    if (Failed(opened)) {
        return opened;
    }
    ControlChannel channel(*control, node, selector);
    return use(channel);
}

Status SingleWrite(XuDevice* filter, uint32_t node, uint32_t selector, const uint8_t* data,
                   uint32_t length) {
    return OnChannel(
        filter, data != nullptr || length == 0, node, selector,
        [&](ControlChannel& channel) { return MapDataStatus(channel.Write(data, length)); });
}

Status SingleRead(XuDevice* filter, uint32_t node, uint32_t selector, uint8_t* data,
                  uint32_t length) {
    return OnChannel(
        filter, data != nullptr || length == 0, node, selector,
        [&](ControlChannel& channel) { return MapDataStatus(channel.Read(data, length)); });
}

Status SingleLength(XuDevice* filter, uint32_t node, uint32_t selector, uint32_t* length) {
    return OnChannel(filter, length != nullptr, node, selector, [&](ControlChannel& channel) {
        return channel.QuerySize(length) ? kSOk : kEFail;
    });
}

// Moves `length` bytes in packets of the control's size. Full packets use the caller's buffer
// directly; the last one always goes through a zeroed scratch packet, so the device never sees
// bytes beyond the caller's buffer and a read never writes past it.
template <typename Buffer, typename Packet, typename Finish>
Status Chunked(XuDevice* filter, uint32_t node, uint32_t selector, Buffer* data, uint32_t length,
               Packet packet, Finish finishLast) {
    if (filter == nullptr || data == nullptr) {
        return kEPointer;
    }
    if (length == 0) {
        return kSOk;
    }
    return OnChannel(filter, true, node, selector, [&](ControlChannel& channel) {
        uint32_t packetSize = 0;
        if (!channel.QuerySize(&packetSize) || packetSize == 0) {
            return kEInvalidArg;
        }
        uint32_t offset = 0;
        uint32_t remaining = length;
        while (remaining > packetSize) {
            const Status status = packet(channel, data + offset, packetSize);
            if (Failed(status)) {
                return status;
            }
            offset += packetSize;
            remaining -= packetSize;
        }
        std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[packetSize]());
        if (!scratch) {
            return kEOutOfMemory;
        }
        return finishLast(channel, scratch.get(), packetSize, data + offset, remaining);
    });
}

}  // namespace

Status XuSet(XuDevice* filter, uint32_t selector, const uint8_t* data, uint32_t length) {
    return SingleWrite(filter, kFixedNode, selector, data, length);
}

Status XuGet(XuDevice* filter, uint32_t selector, uint8_t* data, uint32_t length) {
    return SingleRead(filter, kFixedNode, selector, data, length);
}

Status XuGetLength(XuDevice* filter, uint32_t selector, uint32_t* length) {
    return SingleLength(filter, kFixedNode, selector, length);
}

Status XuNodeSet(XuDevice* filter, uint32_t node, uint32_t selector, const uint8_t* data,
                 uint32_t length) {
    return SingleWrite(filter, node, selector, data, length);
}

Status XuNodeGet(XuDevice* filter, uint32_t node, uint32_t selector, uint8_t* data,
                 uint32_t length) {
    return SingleRead(filter, node, selector, data, length);
}

Status XuNodeGetLength(XuDevice* filter, uint32_t node, uint32_t selector, uint32_t* length) {
    return SingleLength(filter, node, selector, length);
}

Status XuNodeSetChunked(XuDevice* filter, uint32_t node, uint32_t selector, const uint8_t* data,
                        uint32_t length) {
    return Chunked(
        filter, node, selector, data, length,
        [](ControlChannel& channel, const uint8_t* packet, uint32_t size) {
            return channel.Write(packet, size);
        },
        [](ControlChannel& channel, uint8_t* scratch, uint32_t size, const uint8_t* rest,
           uint32_t restLength) {
            std::memcpy(scratch, rest, restLength);
            return channel.Write(scratch, size);
        });
}

Status XuNodeGetChunked(XuDevice* filter, uint32_t node, uint32_t selector, uint8_t* data,
                        uint32_t length) {
    return Chunked(
        filter, node, selector, data, length,
        [](ControlChannel& channel, uint8_t* packet, uint32_t size) {
            return channel.Read(packet, size);
        },
        [](ControlChannel& channel, uint8_t* scratch, uint32_t size, uint8_t* rest,
           uint32_t restLength) {
            const Status status = channel.Read(scratch, size);
            // Copied whatever the status: a failed last read still hands back what arrived.
            std::memcpy(rest, scratch, restLength);
            return status;
        });
}
