#pragma once

// The emulated camera's control endpoint: the standard requests of enumeration, the streaming
// probe and commit that uvcvideo runs at probe time, and the extension unit, whose requests the
// simulated device model serves as they stand. A refused request is a stall, after which the
// request-error-code control tells the host why, as the driver asks.

#include <array>
#include <cstdint>
#include <vector>

#include "device/sim/sim_xu_model.h"

struct SetupPacket {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
};

SetupPacket DecodeSetupPacket(const std::array<uint8_t, 8>& bytes);

struct ControlReply {
    bool stall = false;
    std::vector<uint8_t> data;  // an IN request's answer, never longer than wLength
};

// bRequestErrorCode values of the request-error-code control.
enum UvcRequestError : uint8_t {
    kUvcNoError = 0x00,
    kUvcWrongState = 0x02,
    kUvcInvalidUnit = 0x05,
    kUvcInvalidControl = 0x06,
    kUvcInvalidRequest = 0x07,
};

class UvcCameraFunction {
  public:
    explicit UvcCameraFunction(SimXuModel& model);

    // One control transfer; `out` is the data stage of an OUT request.
    ControlReply Control(const SetupPacket& setup, const std::vector<uint8_t>& out);
    // The data packets the device took, so that an unplug can come in the middle of a write.
    uint32_t DataPacketsServed() const { return dataPacketsServed_; }

  private:
    ControlReply Standard(const SetupPacket& setup);
    ControlReply ClassRequest(const SetupPacket& setup, const std::vector<uint8_t>& out);
    ControlReply VideoControl(const SetupPacket& setup, const std::vector<uint8_t>& out);
    ControlReply ExtensionUnit(const SetupPacket& setup, const std::vector<uint8_t>& out);
    ControlReply Streaming(const SetupPacket& setup, const std::vector<uint8_t>& out);
    ControlReply Refuse(UvcRequestError error);

    SimXuModel& model_;
    uint8_t configuration_ = 0;
    uint8_t lastError_ = kUvcNoError;
    uint32_t dataPacketsServed_ = 0;
    std::vector<uint8_t> probe_;  // the streaming parameters the host last set
    std::vector<uint8_t> commit_;
};
