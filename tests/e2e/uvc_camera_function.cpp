#include "tests/e2e/uvc_camera_function.h"

#include <algorithm>

#include "device/sim/sim_xu_protocol.h"
#include "tests/e2e/uvc_camera_descriptors.h"

namespace {

constexpr uint8_t kDirectionIn = 0x80;
constexpr uint8_t kTypeMask = 0x60;
constexpr uint8_t kTypeStandard = 0x00;
constexpr uint8_t kTypeClass = 0x20;
constexpr uint8_t kRecipientMask = 0x1F;
constexpr uint8_t kRecipientInterface = 0x01;

constexpr uint8_t kGetStatus = 0x00;
constexpr uint8_t kClearFeature = 0x01;
constexpr uint8_t kSetFeature = 0x03;
constexpr uint8_t kSetAddress = 0x05;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kGetConfiguration = 0x08;
constexpr uint8_t kSetConfiguration = 0x09;
constexpr uint8_t kGetInterface = 0x0A;
constexpr uint8_t kSetInterface = 0x0B;

constexpr uint8_t kDescriptorDevice = 0x01;
constexpr uint8_t kDescriptorConfiguration = 0x02;
constexpr uint8_t kDescriptorString = 0x03;

constexpr uint8_t kUvcSetCur = 0x01;
constexpr uint8_t kUvcGetCur = 0x81;
constexpr uint8_t kUvcGetMin = 0x82;
constexpr uint8_t kUvcGetMax = 0x83;
constexpr uint8_t kUvcGetLen = 0x85;
constexpr uint8_t kUvcGetInfo = 0x86;
constexpr uint8_t kUvcGetDef = 0x87;
constexpr uint8_t kInfoGetSet = 0x03;  // GET and SET supported

constexpr uint8_t kVcRequestErrorCode = 0x02;
constexpr uint8_t kVsProbe = 0x01;
constexpr uint8_t kVsCommit = 0x02;
constexpr uint16_t kProbeSize = 34;  // video probe and commit of UVC 1.1

ControlReply Answer(std::vector<uint8_t> data, uint16_t length) {
    if (data.size() > length) {
        data.resize(length);
    }
    return {false, std::move(data)};
}

ControlReply Ack() {
    return {};
}

ControlReply Stall() {
    return {true, {}};
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, static_cast<uint16_t>(value));
    Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

// The only streaming parameters the device offers: its one format and frame.
std::vector<uint8_t> DefaultProbe() {
    std::vector<uint8_t> probe(kProbeSize, 0);
    Put16(probe, 0, 1);  // bmHint: frame interval fixed
    probe[2] = 1;        // bFormatIndex
    probe[3] = 1;        // bFrameIndex
    Put32(probe, 4, kCameraFrameInterval);
    Put32(probe, 18, uint32_t{kCameraFrameWidth} * kCameraFrameHeight * 2);  // dwMaxVideoFrameSize
    Put32(probe, 22, 512);  // dwMaxPayloadTransferSize
    Put32(probe, 26, kCameraClockFrequency);
    probe[30] = 0x03;  // bmFramingInfo
    probe[31] = 1;     // bPreferedVersion
    probe[32] = 1;     // bMinVersion
    probe[33] = 1;     // bMaxVersion
    return probe;
}

}  // namespace

SetupPacket DecodeSetupPacket(const std::array<uint8_t, 8>& bytes) {
    const auto le16 = [&bytes](size_t at) {
        return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
    };
    return {bytes[0], bytes[1], le16(2), le16(4), le16(6)};
}

UvcCameraFunction::UvcCameraFunction(SimXuModel& model)
    : model_(model), probe_(DefaultProbe()), commit_(DefaultProbe()) {}

ControlReply UvcCameraFunction::Control(const SetupPacket& setup, const std::vector<uint8_t>& out) {
    switch (setup.requestType & kTypeMask) {
        case kTypeStandard:
            return Standard(setup);
        case kTypeClass:
            return ClassRequest(setup, out);
        default:
            return Stall();
    }
}

ControlReply UvcCameraFunction::Standard(const SetupPacket& setup) {
    switch (setup.request) {
        case kGetDescriptor: {
            const auto index = static_cast<uint8_t>(setup.value);
            switch (setup.value >> 8) {
                case kDescriptorDevice:
                    return Answer(CameraDeviceDescriptor(), setup.length);
                case kDescriptorConfiguration:
                    return index == 0 ? Answer(CameraConfigurationDescriptor(), setup.length)
                                      : Stall();
                case kDescriptorString: {
                    std::vector<uint8_t> text = CameraStringDescriptor(index);
                    return text.empty() ? Stall() : Answer(std::move(text), setup.length);
                }
                default:
                    return Stall();  // qualifier, BOS, debug: a USB 2.0 device has none
            }
        }
        case kSetConfiguration:
            if (setup.value > 1) {
                return Stall();
            }
            configuration_ = static_cast<uint8_t>(setup.value);
            return Ack();
        case kGetConfiguration:
            return Answer({configuration_}, setup.length);
        case kSetInterface:
            // One alternate setting per interface: the bulk endpoint needs no bandwidth choice.
            return setup.value == 0 && setup.index <= kCameraStreamingInterface ? Ack() : Stall();
        case kGetInterface:
            return Answer({0}, setup.length);
        case kGetStatus:
            return Answer({0, 0}, setup.length);
        case kClearFeature:
        case kSetFeature:
        case kSetAddress:
            return Ack();
        default:
            return Stall();
    }
}

ControlReply UvcCameraFunction::ClassRequest(const SetupPacket& setup,
                                             const std::vector<uint8_t>& out) {
    if ((setup.requestType & kRecipientMask) != kRecipientInterface) {
        return Stall();
    }
    switch (static_cast<uint8_t>(setup.index)) {
        case kCameraControlInterface:
            return VideoControl(setup, out);
        case kCameraStreamingInterface:
            return Streaming(setup, out);
        default:
            return Stall();
    }
}

ControlReply UvcCameraFunction::VideoControl(const SetupPacket& setup,
                                             const std::vector<uint8_t>& out) {
    const auto unit = static_cast<uint8_t>(setup.index >> 8);
    if (unit == 0) {
        // The interface itself: only the error code of the previous request.
        if (setup.request != kUvcGetCur || (setup.value >> 8) != kVcRequestErrorCode) {
            return Refuse(kUvcInvalidControl);
        }
        return Answer({lastError_}, setup.length);
    }
    if (unit != kCameraXuUnitId) {
        return Refuse(kUvcInvalidUnit);  // the terminals have no controls
    }
    ControlReply reply = ExtensionUnit(setup, out);
    if (!reply.stall) {
        lastError_ = kUvcNoError;
    }
    return reply;
}

ControlReply UvcCameraFunction::ExtensionUnit(const SetupPacket& setup,
                                              const std::vector<uint8_t>& out) {
    const uint32_t selector = setup.value >> 8;
    if (selector < 1 || selector > kCameraXuControls) {
        return Refuse(kUvcInvalidControl);
    }
    switch (setup.request) {
        case kUvcSetCur:
            if (out.size() != setup.length) {
                return Refuse(kUvcInvalidRequest);
            }
            if (Failed(model_.Set(kCameraXuUnitId, selector, out.data(), setup.length))) {
                return Refuse(kUvcWrongState);
            }
            dataPacketsServed_ += selector == kCtlData ? 1 : 0;
            return Ack();
        case kUvcGetCur: {
            std::vector<uint8_t> data(setup.length);
            return Succeeded(model_.Get(kCameraXuUnitId, selector, data.data(), setup.length))
                       ? Answer(std::move(data), setup.length)
                       : Refuse(kUvcWrongState);
        }
        case kUvcGetLen: {
            uint32_t size = 0;
            if (Failed(model_.GetLen(kCameraXuUnitId, selector, &size)) || size > 0xFFFF) {
                return Refuse(kUvcInvalidControl);
            }
            return Answer({static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)},
                          setup.length);
        }
        case kUvcGetInfo:
            return Answer({kInfoGetSet}, setup.length);
        default:
            return Refuse(kUvcInvalidRequest);
    }
}

ControlReply UvcCameraFunction::Streaming(const SetupPacket& setup,
                                          const std::vector<uint8_t>& out) {
    const uint8_t control = static_cast<uint8_t>(setup.value >> 8);
    if (control != kVsProbe && control != kVsCommit) {
        return Stall();
    }
    std::vector<uint8_t>& current = control == kVsProbe ? probe_ : commit_;
    switch (setup.request) {
        case kUvcSetCur:
            if (out.size() != kProbeSize) {
                return Stall();
            }
            current = out;
            return Ack();
        case kUvcGetCur:
            return Answer(current, setup.length);
        case kUvcGetMin:
        case kUvcGetMax:
        case kUvcGetDef:
            return Answer(DefaultProbe(), setup.length);
        case kUvcGetLen:
            return Answer({static_cast<uint8_t>(kProbeSize), 0}, setup.length);
        case kUvcGetInfo:
            return Answer({kInfoGetSet}, setup.length);
        default:
            return Stall();
    }
}

ControlReply UvcCameraFunction::Refuse(UvcRequestError error) {
    lastError_ = error;
    return Stall();
}
