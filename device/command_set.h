#pragma once

// The device command set: the numbered extension-unit controls, the open sequence and the
// segment header. Commands go either to topology node 1 or to a given node id.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "device/platform.h"

struct NodeAddress {
    bool fixedNode1;  // true: node 1 through the fixed-node family
    uint32_t node;    // the node id otherwise

    static NodeAddress Node1() { return {true, 1}; }
    static NodeAddress Id(uint32_t node) { return {false, node}; }
};

inline constexpr uint32_t kSelInit = 1;            // 0xAA initialise, 0x76 reset
inline constexpr uint32_t kSelHandshake = 2;       // 0x87, read 0x78, 0xC3
inline constexpr uint32_t kSelVersion = 3;         // 2-byte device version word
inline constexpr uint32_t kSelBegin = 4;           // 0x33
inline constexpr uint32_t kSelHeader = 5;          // 10-byte segment header
inline constexpr uint32_t kSelData = 6;            // data packets; its size is the packet length
inline constexpr uint32_t kSelEnd = 8;             // 0x44
inline constexpr uint32_t kSelDisplayVersion = 9;  // chunked FE 07 request, 2-byte answer

inline constexpr uint8_t kCmdInit = 0xAA;
inline constexpr uint8_t kCmdReset = 0x76;
inline constexpr uint8_t kCmdHandshake1 = 0x87;
inline constexpr uint8_t kHandshakeAnswer = 0x78;
inline constexpr uint8_t kCmdHandshake3 = 0xC3;
inline constexpr uint8_t kCmdBegin = 0x33;
inline constexpr uint8_t kCmdEnd = 0x44;
inline constexpr uint8_t kReadBackFlag = 0x80;
inline constexpr uint16_t kDefaultPacketLength = 32;

using SegmentHeader = std::array<uint8_t, 10>;

// kind, address and count big-endian, then the complement of the 8-bit sum of bytes 0..8.
SegmentHeader BuildSegmentHeader(uint8_t kind, uint32_t address, uint32_t count);

Status DevInit(XuDevice* device, NodeAddress at);
Status DevHandshake(XuDevice* device, NodeAddress at);
// A null version discards the word, as the discovery probe does.
Status DevReadVersion(XuDevice* device, NodeAddress at, uint16_t* version);
// The size of control 6, or 0 when the query fails.
int32_t DevPacketLength(XuDevice* device, NodeAddress at);
Status DevReset(XuDevice* device, NodeAddress at);
Status DevBeginTransfer(XuDevice* device, NodeAddress at);
Status DevSendHeader(XuDevice* device, NodeAddress at, uint8_t kind, uint32_t address,
                     uint32_t count);
// One data packet of the open transfer; `length` is the packet length.
Status DevWritePacket(XuDevice* device, NodeAddress at, const uint8_t* packet, uint32_t length);
Status DevReadPacket(XuDevice* device, NodeAddress at, uint8_t* packet, uint32_t length);
Status DevEndTransfer(XuDevice* device, NodeAddress at);

// The device-version display's exchange on selector 9: the chunked request FE 07, then the
// 2-byte answer, low byte first. Node-id addressing only.
Status DevReadDisplayVersion(XuDevice* device, uint32_t node, uint16_t* version);

// Shows one step's failure text; an empty function is the report flag clear.
using OpenReport = std::function<void(const std::string& text)>;

// The open sequence: initialise, handshake, version word, packet length. 0 on success.
Status DevOpen(XuDevice* device, NodeAddress at, uint16_t* version, uint16_t* packetLength,
               const OpenReport& report = {});
