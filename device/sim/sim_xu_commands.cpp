// What the simulated device does with each command it accepts, and what it refuses.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "device/sim/sim_xu_model.h"
#include "device/sim/sim_xu_protocol.h"

namespace {

uint32_t BigEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

Status SimXuModel::OnSet(uint32_t selector, const uint8_t* data) {
    switch (selector) {
        case kCtlInit:
            return OnInitControl(data[0]);
        case kCtlHandshake:
            return OnHandshakeWrite(data[0]);
        case kCtlBegin:
            return OnBegin(data[0]);
        case kCtlHeader:
            return OnHeader(data);
        case kCtlData:
            return OnDataOut(data);
        case kCtlEnd:
            return OnEnd(data[0]);
        default:
            return OnDisplayVersionRequest(data);
    }
}

Status SimXuModel::OnGet(uint32_t selector, uint8_t* data) {
    switch (selector) {
        case kCtlHandshake:
            return OnHandshakeRead(data);
        case kCtlVersion:
            return OnVersionRead(data);
        case kCtlData:
            return OnDataIn(data);
        default:
            return OnDisplayVersionRead(data);
    }
}

Status SimXuModel::OnInitControl(uint8_t command) {
    if (command == kSimInitialise) {
        // A new handshake may start; a running session and transfer carry on, so a host that
        // probes the device again in the middle of a download does not break it.
        initialised_ = true;
        handshake_ = Handshake::kIdle;
        return kSOk;
    }
    if (command != kSimReset) {
        return ProtocolError(kCtlInit, "unknown command " + Hex(command));
    }
    if (!session_) {
        return ProtocolError(kCtlInit, "reset before the handshake");
    }
    initialised_ = false;
    handshake_ = Handshake::kIdle;
    session_ = false;
    transfer_ = Transfer{};
    displayVersionArmed_ = false;
    ++resets_;
    if (onReset_) {
        onReset_();
    }
    return kSOk;
}

Status SimXuModel::OnHandshakeWrite(uint8_t command) {
    if (command == kSimHello) {
        if (!initialised_) {
            return ProtocolError(kCtlHandshake, "handshake before initialise");
        }
        handshake_ = Handshake::kAwaitingRead;
        return kSOk;
    }
    if (command == kSimHelloDone) {
        if (handshake_ != Handshake::kAnswered) {
            return ProtocolError(kCtlHandshake, "handshake completed before it was answered");
        }
        handshake_ = Handshake::kIdle;
        session_ = true;
        return kSOk;
    }
    return ProtocolError(kCtlHandshake, "unknown command " + Hex(command));
}

Status SimXuModel::OnHandshakeRead(uint8_t* answer) {
    if (handshake_ != Handshake::kAwaitingRead) {
        return ProtocolError(kCtlHandshake, "handshake read without a handshake");
    }
    *answer = handshakeAnswer_;
    handshake_ = handshakeAnswer_ == kSimHelloAnswer ? Handshake::kAnswered : Handshake::kIdle;
    return kSOk;
}

Status SimXuModel::OnVersionRead(uint8_t* word) {
    if (!session_) {
        return ProtocolError(kCtlVersion, "version read before the handshake");
    }
    word[0] = static_cast<uint8_t>(config_.versionWord);
    word[1] = static_cast<uint8_t>(config_.versionWord >> 8);
    return kSOk;
}

Status SimXuModel::OnBegin(uint8_t command) {
    if (command != kSimBegin) {
        return ProtocolError(kCtlBegin, "unknown command " + Hex(command));
    }
    if (!session_) {
        return ProtocolError(kCtlBegin, "begin before the handshake");
    }
    // A host that gave up on a transfer starts the next one with a begin: the old one is dropped.
    transfer_ = Transfer{};
    transfer_.stage = Stage::kBegun;
    return kSOk;
}

Status SimXuModel::OnHeader(const uint8_t* header) {
    if (transfer_.stage != Stage::kBegun) {
        return ProtocolError(kCtlHeader, transfer_.stage == Stage::kNone
                                             ? "header without begin"
                                             : "second header in one transfer");
    }
    uint8_t sum = 0;
    for (uint32_t i = 0; i + 1 < kSimHeaderSize; ++i) {
        sum = static_cast<uint8_t>(sum + header[i]);
    }
    if (header[kSimHeaderSize - 1] != static_cast<uint8_t>(~sum)) {
        return ProtocolError(kCtlHeader, "bad checksum " + Hex(header[kSimHeaderSize - 1]) +
                                             ", expected " + Hex(static_cast<uint8_t>(~sum)));
    }
    transfer_.stage = Stage::kAnnounced;
    transfer_.readBack = (header[0] & kSimReadBack) != 0;
    transfer_.kind = static_cast<uint8_t>(header[0] & ~kSimReadBack);
    transfer_.address = BigEndian32(header + 1);
    transfer_.count = BigEndian32(header + 5);
    transfer_.done = 0;
    return kSOk;
}

Status SimXuModel::OnDataOut(const uint8_t* packet) {
    if (transfer_.stage != Stage::kAnnounced || transfer_.readBack) {
        return ProtocolError(kCtlData, "data packet without a write header");
    }
    const uint32_t size = config_.packetLength;
    if (transfer_.count - transfer_.done < size) {
        return ProtocolError(
            kCtlData, "packet beyond the announced count " + std::to_string(transfer_.count));
    }
    memory_[transfer_.kind].Write(transfer_.address + transfer_.done, packet, size);
    transfer_.done += size;
    return kSOk;
}

Status SimXuModel::OnDataIn(uint8_t* packet) {
    if (transfer_.stage != Stage::kAnnounced || !transfer_.readBack) {
        return ProtocolError(kCtlData, "data read without a read-back header");
    }
    if (transfer_.done >= transfer_.count) {
        return ProtocolError(kCtlData,
                             "read beyond the announced count " + std::to_string(transfer_.count));
    }
    const uint32_t size = config_.packetLength;
    const uint32_t served = std::min(size, transfer_.count - transfer_.done);
    std::memset(packet, 0xFF, size);
    auto found = memory_.find(transfer_.kind);
    if (found != memory_.end()) {
        found->second.Read(transfer_.address + transfer_.done, packet, served);
    }
    if (corruptOffset_ && *corruptOffset_ >= transfer_.done &&
        *corruptOffset_ - transfer_.done < served) {
        packet[*corruptOffset_ - transfer_.done] ^= 0xFF;
    }
    transfer_.done += served;
    return kSOk;
}

Status SimXuModel::OnEnd(uint8_t command) {
    if (command != kSimEnd) {
        return ProtocolError(kCtlEnd, "unknown command " + Hex(command));
    }
    if (transfer_.stage != Stage::kAnnounced) {
        return ProtocolError(kCtlEnd, "end without a header");
    }
    if (transfer_.done != transfer_.count) {
        return ProtocolError(kCtlEnd, "end after " + std::to_string(transfer_.done) + " of " +
                                          std::to_string(transfer_.count) + " bytes");
    }
    if (!transfer_.readBack && transfer_.kind == kSimFirmwareSegment) {
        receivedVersion_.reset();
        if (transfer_.count >= kSimFirmwareVersionOffset + 2) {
            uint8_t word[2];
            memory_[transfer_.kind].Read(transfer_.address + kSimFirmwareVersionOffset, word, 2);
            receivedVersion_ = static_cast<uint16_t>(word[0] << 8 | word[1]);
        }
    }
    transfer_ = Transfer{};
    return kSOk;
}

Status SimXuModel::OnDisplayVersionRequest(const uint8_t* request) {
    constexpr uint32_t kRequestSize = sizeof kSimDisplayVersionRequest;
    const uint32_t size = config_.displayVersionSize;
    const bool valid =
        size >= kRequestSize &&
        std::memcmp(request, kSimDisplayVersionRequest, kRequestSize) == 0 &&
        std::all_of(request + kRequestSize, request + size, [](uint8_t byte) { return byte == 0; });
    if (!valid) {
        return ProtocolError(kCtlDisplayVersion, "not a version request");
    }
    displayVersionArmed_ = true;
    return kSOk;
}

Status SimXuModel::OnDisplayVersionRead(uint8_t* answer) {
    if (!displayVersionArmed_) {
        return ProtocolError(kCtlDisplayVersion, "version read without a request");
    }
    displayVersionArmed_ = false;
    std::memset(answer, 0, config_.displayVersionSize);
    answer[0] = static_cast<uint8_t>(displayVersion_);
    if (config_.displayVersionSize > 1) {
        answer[1] = static_cast<uint8_t>(displayVersion_ >> 8);
    }
    return kSOk;
}
