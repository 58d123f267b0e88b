#pragma once

// The descriptors of the emulated camera: a UVC 1.1 device with one video function (an
// interface association of a control and a streaming interface). The control interface chains
// a camera input terminal, the vendor extension unit and a streaming output terminal; the
// streaming interface offers one YUYV frame size on a bulk endpoint.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kCameraVendorId = 0x1D6B;
inline constexpr uint16_t kCameraProductId = 0x0104;
inline constexpr uint16_t kCameraUvcVersion = 0x0110;
inline constexpr uint8_t kCameraInputTerminalId = 1;
inline constexpr uint8_t kCameraOutputTerminalId = 3;
// Not 1, so that a host that addresses topology node 1 instead of the unit misses it.
inline constexpr uint8_t kCameraXuUnitId = 4;
inline constexpr uint8_t kCameraXuControls = 9;  // selectors 1 to 9
inline constexpr uint8_t kCameraControlInterface = 0;
inline constexpr uint8_t kCameraStreamingInterface = 1;
inline constexpr uint8_t kCameraStreamingEndpoint = 0x81;
inline constexpr uint16_t kCameraFrameWidth = 160;
inline constexpr uint16_t kCameraFrameHeight = 120;
inline constexpr uint32_t kCameraFrameInterval = 333333;  // 100 ns units: 30 frames a second
inline constexpr uint32_t kCameraClockFrequency = 48000000;

// Indexes of the string descriptors; 0 is the language list.
enum CameraString : uint8_t {
    kStringLanguages = 0,
    kStringManufacturer = 1,
    kStringProduct = 2,
    kStringSerial = 3,
};

inline constexpr char kCameraProductName[] = "Dovrane USB/IP Camera";

std::vector<uint8_t> CameraDeviceDescriptor();
// The whole configuration: configuration, association, interfaces, class-specific descriptors
// and the endpoint, with every total length filled in.
std::vector<uint8_t> CameraConfigurationDescriptor();
// The string descriptor of an index, empty for an index the device does not have.
std::vector<uint8_t> CameraStringDescriptor(uint8_t index);
