#pragma once

// The USB/IP messages that pass between the kernel's virtual host controller (vhci_hcd) and a
// device served from user space: 48-byte headers in network byte order, OUT data after a
// submit, IN data after its answer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr uint32_t kUsbipCmdSubmit = 1;
inline constexpr uint32_t kUsbipCmdUnlink = 2;
inline constexpr uint32_t kUsbipRetSubmit = 3;
inline constexpr uint32_t kUsbipRetUnlink = 4;
inline constexpr uint32_t kUsbipDirOut = 0;
inline constexpr uint32_t kUsbipDirIn = 1;
inline constexpr size_t kUsbipHeaderSize = 48;

using UsbipHeaderBytes = std::array<uint8_t, kUsbipHeaderSize>;

// A command from the host: a submit (an URB) or an unlink of an earlier submit.
struct UsbipCommand {
    uint32_t command = 0;
    uint32_t seqnum = 0;
    uint32_t devid = 0;
    uint32_t direction = 0;
    uint32_t endpoint = 0;
    uint32_t transferLength = 0;     // submit: the URB's buffer length
    std::array<uint8_t, 8> setup{};  // submit on endpoint 0: the setup packet as sent on the bus
    uint32_t unlinkSeqnum = 0;       // unlink: the submit to cancel
};

// Decodes a command header; false for a header that no vhci sends (unknown command, a
// negative buffer length).
bool DecodeUsbipCommand(const UsbipHeaderBytes& bytes, UsbipCommand* command);

// The answer to a submit; `status` is 0 or a negative errno (-EPIPE for a stall).
UsbipHeaderBytes EncodeRetSubmit(uint32_t seqnum, int32_t status, uint32_t actualLength);
// The answer to an unlink: -ECONNRESET when the submit was still pending, else 0.
UsbipHeaderBytes EncodeRetUnlink(uint32_t seqnum, int32_t status);

// The header of a command, as vhci would send it; for tests.
UsbipHeaderBytes EncodeUsbipCommand(const UsbipCommand& command);
