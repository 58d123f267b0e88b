#include "tests/e2e/usbip_wire.h"

#include <algorithm>
#include <limits>

namespace {

// Field offsets of the header: the basic part, then the command-specific union.
constexpr size_t kCommand = 0;
constexpr size_t kSeqnum = 4;
constexpr size_t kDevid = 8;
constexpr size_t kDirection = 12;
constexpr size_t kEndpoint = 16;
constexpr size_t kSpecific = 20;        // submit: transfer_flags; ret: status; unlink: seqnum
constexpr size_t kTransferLength = 24;  // cmd_submit; actual_length in ret_submit
constexpr size_t kSetup = 40;

uint32_t Load32(const UsbipHeaderBytes& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

void Store32(UsbipHeaderBytes& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<uint8_t>(value);
}

}  // namespace

bool DecodeUsbipCommand(const UsbipHeaderBytes& bytes, UsbipCommand* command) {
    UsbipCommand decoded;
    decoded.command = Load32(bytes, kCommand);
    decoded.seqnum = Load32(bytes, kSeqnum);
    decoded.devid = Load32(bytes, kDevid);
    decoded.direction = Load32(bytes, kDirection);
    decoded.endpoint = Load32(bytes, kEndpoint);
    if (decoded.command == kUsbipCmdSubmit) {
        decoded.transferLength = Load32(bytes, kTransferLength);
        if (decoded.transferLength > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
            return false;
        }
        std::copy_n(bytes.begin() + kSetup, decoded.setup.size(), decoded.setup.begin());
    } else if (decoded.command == kUsbipCmdUnlink) {
        decoded.unlinkSeqnum = Load32(bytes, kSpecific);
    } else {
        return false;
    }
    *command = decoded;
    return true;
}

UsbipHeaderBytes EncodeRetSubmit(uint32_t seqnum, int32_t status, uint32_t actualLength) {
    UsbipHeaderBytes bytes{};
    Store32(bytes, kCommand, kUsbipRetSubmit);
    Store32(bytes, kSeqnum, seqnum);
    Store32(bytes, kSpecific, static_cast<uint32_t>(status));
    Store32(bytes, kTransferLength, actualLength);
    return bytes;
}

UsbipHeaderBytes EncodeRetUnlink(uint32_t seqnum, int32_t status) {
    UsbipHeaderBytes bytes{};
    Store32(bytes, kCommand, kUsbipRetUnlink);
    Store32(bytes, kSeqnum, seqnum);
    Store32(bytes, kSpecific, static_cast<uint32_t>(status));
    return bytes;
}

UsbipHeaderBytes EncodeUsbipCommand(const UsbipCommand& command) {
    UsbipHeaderBytes bytes{};
    Store32(bytes, kCommand, command.command);
    Store32(bytes, kSeqnum, command.seqnum);
    Store32(bytes, kDevid, command.devid);
    Store32(bytes, kDirection, command.direction);
    Store32(bytes, kEndpoint, command.endpoint);
    if (command.command == kUsbipCmdUnlink) {
        Store32(bytes, kSpecific, command.unlinkSeqnum);
    } else {
        Store32(bytes, kTransferLength, command.transferLength);
        std::copy(command.setup.begin(), command.setup.end(), bytes.begin() + kSetup);
    }
    return bytes;
}
