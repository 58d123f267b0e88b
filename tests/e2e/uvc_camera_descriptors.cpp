#include "tests/e2e/uvc_camera_descriptors.h"

#include "device/guid.h"

namespace {

constexpr uint8_t kDtDevice = 0x01;
constexpr uint8_t kDtConfiguration = 0x02;
constexpr uint8_t kDtString = 0x03;
constexpr uint8_t kDtInterface = 0x04;
constexpr uint8_t kDtEndpoint = 0x05;
constexpr uint8_t kDtInterfaceAssociation = 0x0B;
constexpr uint8_t kDtClassInterface = 0x24;

constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassControl = 0x01;
constexpr uint8_t kSubclassStreaming = 0x02;
constexpr uint8_t kSubclassCollection = 0x03;

constexpr uint8_t kVcHeader = 0x01;
constexpr uint8_t kVcInputTerminal = 0x02;
constexpr uint8_t kVcOutputTerminal = 0x03;
constexpr uint8_t kVcExtensionUnit = 0x06;
constexpr uint8_t kVsInputHeader = 0x01;
constexpr uint8_t kVsFormatUncompressed = 0x04;
constexpr uint8_t kVsFrameUncompressed = 0x05;

constexpr uint16_t kIttCamera = 0x0201;
constexpr uint16_t kTtStreaming = 0x0101;

constexpr uint32_t kBytesPerPixel = 2;
constexpr uint32_t kFrameBytes = uint32_t{kCameraFrameWidth} * kCameraFrameHeight * kBytesPerPixel;
constexpr uint32_t kBitRate = kFrameBytes * 8 * 30;

// Appends little-endian fields; each descriptor is written whole, then its length byte set.
class Writer {
  public:
    Writer& U8(uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    Writer& U16(uint16_t value) {
        return U8(static_cast<uint8_t>(value)).U8(static_cast<uint8_t>(value >> 8));
    }
    Writer& U32(uint32_t value) {
        return U16(static_cast<uint16_t>(value)).U16(static_cast<uint16_t>(value >> 16));
    }
    // A GUID as USB carries it: the three first fields little-endian, the last as stored.
    Writer& UsbGuid(const Guid& guid) {
        U32(guid.data1).U16(guid.data2).U16(guid.data3);
        for (uint8_t byte : guid.data4) {
            U8(byte);
        }
        return *this;
    }
    // Starts a descriptor whose bLength is filled in by End.
    Writer& Begin(uint8_t type) {
        start_ = bytes_.size();
        return U8(0).U8(type);
    }
    Writer& End() {
        bytes_[start_] = static_cast<uint8_t>(bytes_.size() - start_);
        return *this;
    }
    size_t Size() const { return bytes_.size(); }
    void Patch16(size_t at, uint16_t value) {
        bytes_[at] = static_cast<uint8_t>(value);
        bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
    size_t start_ = 0;
};

// The video-control interface and its class-specific descriptors; returns where the header's
// wTotalLength sits.
size_t WriteControlInterface(Writer& w) {
    w.Begin(kDtInterface)
        .U8(kCameraControlInterface)
        .U8(0)  // alternate setting
        .U8(0)  // no status endpoint: every exchange is a control request
        .U8(kClassVideo)
        .U8(kSubclassControl)
        .U8(0)
        .U8(0)
        .End();
    w.Begin(kDtClassInterface).U8(kVcHeader).U16(kCameraUvcVersion);
    const size_t totalAt = w.Size();
    w.U16(0).U32(kCameraClockFrequency).U8(1).U8(kCameraStreamingInterface).End();
    w.Begin(kDtClassInterface)
        .U8(kVcInputTerminal)
        .U8(kCameraInputTerminalId)
        .U16(kIttCamera)
        .U8(0)   // no associated terminal
        .U8(0)   // no name
        .U16(0)  // objective focal length min
        .U16(0)  // and max
        .U16(0)  // ocular focal length
        .U8(3)   // bControlSize
        .U8(0)
        .U8(0)
        .U8(0)  // no camera controls
        .End();
    w.Begin(kDtClassInterface)
        .U8(kVcExtensionUnit)
        .U8(kCameraXuUnitId)
        .UsbGuid(kXuPropertySet)
        .U8(kCameraXuControls)
        .U8(1)  // one input pin
        .U8(kCameraInputTerminalId)
        .U8(2)     // bControlSize
        .U8(0xFF)  // selectors 1 to 8
        .U8(0x01)  // and 9
        .U8(0)     // no name
        .End();
    w.Begin(kDtClassInterface)
        .U8(kVcOutputTerminal)
        .U8(kCameraOutputTerminalId)
        .U16(kTtStreaming)
        .U8(0)
        .U8(kCameraXuUnitId)
        .U8(0)
        .End();
    return totalAt;
}

// The video-streaming interface, its format, frame and bulk endpoint; returns where the input
// header's wTotalLength sits.
size_t WriteStreamingInterface(Writer& w) {
    w.Begin(kDtInterface)
        .U8(kCameraStreamingInterface)
        .U8(0)
        .U8(1)
        .U8(kClassVideo)
        .U8(kSubclassStreaming)
        .U8(0)
        .U8(0)
        .End();
    w.Begin(kDtClassInterface).U8(kVsInputHeader).U8(1);  // one format
    const size_t totalAt = w.Size();
    w.U16(0)
        .U8(kCameraStreamingEndpoint)
        .U8(0)  // bmInfo
        .U8(kCameraOutputTerminalId)
        .U8(0)  // no still capture
        .U8(0)  // no trigger
        .U8(0)
        .U8(1)  // bControlSize
        .U8(0)  // no per-format controls
        .End();
    const Guid yuy2{0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    w.Begin(kDtClassInterface)
        .U8(kVsFormatUncompressed)
        .U8(1)  // format index
        .U8(1)  // one frame
        .UsbGuid(yuy2)
        .U8(16)  // bits per pixel
        .U8(1)   // default frame
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .End();
    w.Begin(kDtClassInterface)
        .U8(kVsFrameUncompressed)
        .U8(1)  // frame index
        .U8(0)
        .U16(kCameraFrameWidth)
        .U16(kCameraFrameHeight)
        .U32(kBitRate)
        .U32(kBitRate)
        .U32(kFrameBytes)
        .U32(kCameraFrameInterval)
        .U8(1)  // one discrete interval
        .U32(kCameraFrameInterval)
        .End();
    return totalAt;
}

}  // namespace

std::vector<uint8_t> CameraDeviceDescriptor() {
    Writer w;
    w.Begin(kDtDevice)
        .U16(0x0200)  // USB 2.0: no BOS descriptor to ask for
        .U8(0xEF)     // miscellaneous class with interface associations
        .U8(0x02)
        .U8(0x01)
        .U8(64)
        .U16(kCameraVendorId)
        .U16(kCameraProductId)
        .U16(0x0100)
        .U8(kStringManufacturer)
        .U8(kStringProduct)
        .U8(kStringSerial)
        .U8(1)
        .End();
    return w.Take();
}

std::vector<uint8_t> CameraConfigurationDescriptor() {
    Writer w;
    w.Begin(kDtConfiguration).U16(0).U8(2).U8(1).U8(0).U8(0x80).U8(250).End();
    w.Begin(kDtInterfaceAssociation)
        .U8(kCameraControlInterface)
        .U8(2)
        .U8(kClassVideo)
        .U8(kSubclassCollection)
        .U8(0)
        .U8(kStringProduct)
        .End();
    const size_t controlStart = w.Size() + 9;  // the class-specific part follows the interface
    const size_t controlTotalAt = WriteControlInterface(w);
    w.Patch16(controlTotalAt, static_cast<uint16_t>(w.Size() - controlStart));
    const size_t streamingStart = w.Size() + 9;
    const size_t streamingTotalAt = WriteStreamingInterface(w);
    w.Patch16(streamingTotalAt, static_cast<uint16_t>(w.Size() - streamingStart));
    w.Begin(kDtEndpoint).U8(kCameraStreamingEndpoint).U8(0x02).U16(512).U8(0).End();
    w.Patch16(2, static_cast<uint16_t>(w.Size()));
    return w.Take();
}

std::vector<uint8_t> CameraStringDescriptor(uint8_t index) {
    const char* text = nullptr;
    switch (index) {
        case kStringLanguages: {
            Writer w;
            return w.Begin(kDtString).U16(0x0409).End().Take();
        }
        case kStringManufacturer:
            text = "Dovrane";
            break;
        case kStringProduct:
            text = kCameraProductName;
            break;
        case kStringSerial:
            text = "E2E0001";
            break;
        default:
            return {};
    }
    Writer w;
    w.Begin(kDtString);
    for (const char* c = text; *c != '\0'; ++c) {
        w.U16(static_cast<uint8_t>(*c));
    }
    return w.End().Take();
}
