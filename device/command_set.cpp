#include "device/command_set.h"

#include <limits>

#include "device/xu_transport.h"

namespace {

// The only place that picks the transport family; every command goes through these three.
Status Write(XuDevice* device, NodeAddress at, uint32_t selector, const uint8_t* data,
             uint32_t length) {
    return at.fixedNode1 ? XuSet(device, selector, data, length)
                         : XuNodeSet(device, at.node, selector, data, length);
}

Status Read(XuDevice* device, NodeAddress at, uint32_t selector, uint8_t* data, uint32_t length) {
    return at.fixedNode1 ? XuGet(device, selector, data, length)
                         : XuNodeGet(device, at.node, selector, data, length);
}

Status QueryLength(XuDevice* device, NodeAddress at, uint32_t selector, uint32_t* length) {
    return at.fixedNode1 ? XuGetLength(device, selector, length)
                         : XuNodeGetLength(device, at.node, selector, length);
}

Status WriteByte(XuDevice* device, NodeAddress at, uint32_t selector, uint8_t value) {
    return Write(device, at, selector, &value, 1);
}

uint8_t Byte(uint32_t value, int shift) {
    return static_cast<uint8_t>(value >> shift);
}

// Stops the open sequence at a failed step: shows its text when asked and hands back the status.
Status FailStep(const OpenReport& report, const char* text, Status status) {
    if (report) {
        report(text);
    }
    return status;
}

}  // namespace

SegmentHeader BuildSegmentHeader(uint8_t kind, uint32_t address, uint32_t count) {
    SegmentHeader header{kind,
                         Byte(address, 24),
                         Byte(address, 16),
                         Byte(address, 8),
                         Byte(address, 0),
                         Byte(count, 24),
                         Byte(count, 16),
                         Byte(count, 8),
                         Byte(count, 0),
                         0};
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < header.size(); ++i) {
        sum = static_cast<uint8_t>(sum + header[i]);
    }
    header.back() = static_cast<uint8_t>(~sum);
    return header;
}

Status DevInit(XuDevice* device, NodeAddress at) {
    return WriteByte(device, at, kSelInit, kCmdInit);
}

Status DevHandshake(XuDevice* device, NodeAddress at) {
    Status status = WriteByte(device, at, kSelHandshake, kCmdHandshake1);
    if (Failed(status)) {
        return status;
    }
    uint8_t answer = 0;
    status = Read(device, at, kSelHandshake, &answer, 1);
    if (Failed(status)) {
        return status;
    }
    if (answer != kHandshakeAnswer) {
        return kEFail;
    }
    return WriteByte(device, at, kSelHandshake, kCmdHandshake3);
}

Status DevReadVersion(XuDevice* device, NodeAddress at, uint16_t* version) {
    uint8_t word[2] = {0, 0};
    const Status status = Read(device, at, kSelVersion, word, sizeof word);
    if (Succeeded(status) && version != nullptr) {
        *version = static_cast<uint16_t>(word[0] | word[1] << 8);
    }
    return status;
}

int32_t DevPacketLength(XuDevice* device, NodeAddress at) {
    uint32_t length = 0;
    if (Failed(QueryLength(device, at, kSelData, &length))) {
        return 0;
    }
    return static_cast<int32_t>(length);
}

Status DevReset(XuDevice* device, NodeAddress at) {
    return WriteByte(device, at, kSelInit, kCmdReset);
}

Status DevBeginTransfer(XuDevice* device, NodeAddress at) {
    return WriteByte(device, at, kSelBegin, kCmdBegin);
}

Status DevSendHeader(XuDevice* device, NodeAddress at, uint8_t kind, uint32_t address,
                     uint32_t count) {
    const SegmentHeader header = BuildSegmentHeader(kind, address, count);
    return Write(device, at, kSelHeader, header.data(), static_cast<uint32_t>(header.size()));
}

Status DevWritePacket(XuDevice* device, NodeAddress at, const uint8_t* packet, uint32_t length) {
    return Write(device, at, kSelData, packet, length);
}

Status DevReadPacket(XuDevice* device, NodeAddress at, uint8_t* packet, uint32_t length) {
    return Read(device, at, kSelData, packet, length);
}

Status DevEndTransfer(XuDevice* device, NodeAddress at) {
    return WriteByte(device, at, kSelEnd, kCmdEnd);
}

Status DevOpen(XuDevice* device, NodeAddress at, uint16_t* version, uint16_t* packetLength,
               const OpenReport& report) {
    if (device == nullptr || version == nullptr || packetLength == nullptr) {
        return FailStep(report, "传入参数不正确", kEFail);
    }
    Status status = DevInit(device, at);
    if (Failed(status)) {
        return FailStep(report, "初始化设备错误", status);
    }
    status = DevHandshake(device, at);
    if (Failed(status)) {
        return FailStep(report, "设备校验错误", status);
    }
    status = DevReadVersion(device, at, version);
    if (Failed(status)) {
        return FailStep(report, "读取设备版本号错误", status);
    }
    // A size that does not fit the 16-bit packet length would be truncated into a wrong one.
    const int32_t length = DevPacketLength(device, at);
    if (length > 0 && length <= std::numeric_limits<uint16_t>::max()) {
        *packetLength = static_cast<uint16_t>(length);
        return kSOk;
    }
    *packetLength = kDefaultPacketLength;
    return FailStep(report, "读取包长度失败", kEFail);
}

Status DevReadDisplayVersion(XuDevice* device, uint32_t node, uint16_t* version) {
    const uint8_t request[2] = {0xFE, 0x07};
    uint8_t answer[2] = {0, 0};
    Status status = XuNodeSetChunked(device, node, kSelDisplayVersion, request, sizeof request);
    if (status != kSOk) {
        return Failed(status) ? status : kEFail;
    }
    status = XuNodeGetChunked(device, node, kSelDisplayVersion, answer, sizeof answer);
    if (status != kSOk) {
        return Failed(status) ? status : kEFail;
    }
    *version = static_cast<uint16_t>(answer[0] | answer[1] << 8);
    return kSOk;
}
