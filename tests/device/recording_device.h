#pragma once

// A device whose property channel records every raw kernel-streaming request and answers from
// a script, for checks the simulated camera cannot show: the exact request record, buffer
// addresses and the platform's own answers.

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "device/platform.h"

struct RecordedCall {
    std::array<uint8_t, sizeof(KsPropertyNode)> record;
    const void* data;
    uint32_t length;
    uint32_t returnedOnEntry;
    std::vector<uint8_t> bytes;  // the buffer as the platform saw it (after a read: as answered)
};

class RecordingDevice : public XuDevice {
  public:
    static constexpr uint8_t kReadFillBase = 0x40;  // packet i of a read is filled with 0x40 + i
    static constexpr uint32_t kStaleCount = 0xDEADBEEF;

    Status openStatus = kSOk;
    bool withholdControl = false;  // claims success but hands out no channel
    uint32_t controlSize = 32;
    Status sizeAnswer = kMoreData;
    std::map<size_t, Status> statusOfCall;  // by call index; kSOk otherwise
    std::vector<RecordedCall> calls;
    int controlsOpened = 0;
    int controlsReleased = 0;

    Status OpenControl(std::unique_ptr<XuControl>* control) override {
        if (Failed(openStatus)) {
            return openStatus;
        }
        if (withholdControl) {
            return openStatus;
        }
        ++controlsOpened;
        *control = std::make_unique<Control>(*this);
        return openStatus;
    }
    Status OpenTopology(std::unique_ptr<Topology>*) override { return kENoInterface; }

  private:
    class Control : public XuControl {
      public:
        explicit Control(RecordingDevice& device) : device_(device) {}
        ~Control() override { ++device_.controlsReleased; }
        Status KsProperty(const KsPropertyNode& request, void* data, uint32_t length,
                          uint32_t* returned) override {
            return device_.Answer(request, data, length, returned);
        }

      private:
        RecordingDevice& device_;
    };

    Status Answer(const KsPropertyNode& request, void* data, uint32_t length, uint32_t* returned) {
        const size_t index = calls.size();
        RecordedCall call{{}, data, length, *returned, {}};
        std::memcpy(call.record.data(), &request, sizeof request);
        auto* bytes = static_cast<uint8_t*>(data);
        const bool read = (request.flags & kKsPropertyTypeGet) != 0;
        Status status = statusOfCall.count(index) ? statusOfCall[index] : kSOk;
        // A stale count shows whether the caller clears it before each call.
        *returned = kStaleCount;
        if (read && bytes == nullptr && length == 0) {
            *returned = controlSize;
            status = statusOfCall.count(index) ? status : sizeAnswer;
        } else if (read) {
            std::memset(bytes, kReadFillBase + static_cast<int>(index), length);
            *returned = length;
        }
        if (bytes != nullptr) {
            call.bytes.assign(bytes, bytes + length);
        }
        calls.push_back(std::move(call));
        return status;
    }
};

// The request record as kernel streaming expects it, built byte by byte.
inline std::array<uint8_t, 32> ExpectedRecord(uint32_t selector, uint32_t flags, uint32_t node) {
    std::array<uint8_t, 32> record{0x92, 0x42, 0x39, 0x46, 0xD0, 0x0C, 0xE3, 0x4A,
                                   0x87, 0x83, 0x31, 0x33, 0xF9, 0xEA, 0xAA, 0x3B};
    const uint32_t fields[] = {selector, flags, node, 0};
    for (size_t field = 0; field < 4; ++field) {
        for (size_t byte = 0; byte < 4; ++byte) {
            record[16 + field * 4 + byte] = static_cast<uint8_t>(fields[field] >> (8 * byte));
        }
    }
    return record;
}

inline constexpr uint32_t kReadRequest = 0x10000001;
inline constexpr uint32_t kWriteRequest = 0x10000002;
