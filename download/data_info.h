#pragma once

#include <cstdint>

class XuDevice;

inline constexpr int kMaxSegments = 10;
inline constexpr uint8_t kSegmentBoot = 1;
inline constexpr uint8_t kSegmentFirmware = 2;

// One segment of a download job. The buffer belongs to the job (new (std::nothrow) uint8_t[]).
struct FwSegment {
    uint8_t* buffer;
    int32_t length;   // data length rounded up to the unit, the extra bytes zero
    uint8_t kind;     // kSegmentBoot or kSegmentFirmware; byte 0 of the segment header
    int32_t address;  // sent in the header as its 32-bit pattern
    uint32_t unit;    // the unit this buffer was rounded with
};

// The download job: a plain record, copied field by field; copies share the buffers and exactly
// one copy releases them with FreeFwBuffers.
struct data_info {  // NOLINT(readability-identifier-naming): the name the worker's signal carries
    int32_t count;  // segments in use, 0 to kMaxSegments
    uint32_t unit;  // rounding unit for segment lengths (low 16 bits; 0 means 1024)
    FwSegment segments[kMaxSegments];
    XuDevice* device;  // borrowed device handle
    uint32_t node;     // extension-unit node id
    uint8_t verify;    // 1: verify after a successful write
    uint8_t reset;     // 1: reset the device after a successful job
};

// A cleared job for one device with unit 1 and the two options; image preparation adds the
// segments.
data_info NewJob(XuDevice* device, uint32_t node, bool verify, bool reset);

// Releases the segment buffers from the last in use to the first and leaves count 0.
void FreeFwBuffers(data_info* job);
