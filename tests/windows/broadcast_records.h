#pragma once

// DEV_BROADCAST records as WM_DEVICECHANGE carries them, built byte by byte. A record's
// vector is exactly its dbch_size long unless a test says otherwise, so a read beyond it is a
// read beyond the allocation.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device/guid.h"

inline void PutU32(std::vector<uint8_t>* record, size_t offset, uint32_t value) {
    std::memcpy(record->data() + offset, &value, sizeof value);
}

// A header of `type` with `size` bytes of record.
inline std::vector<uint8_t> BroadcastRecord(uint32_t type, uint32_t size) {
    std::vector<uint8_t> record(size < 12 ? 12 : size, 0);
    PutU32(&record, 0, size);
    PutU32(&record, 4, type);
    record.resize(size);
    return record;
}

// A device interface of the capture class: `units` UTF-16 code units after the class GUID,
// nothing more (add the terminator to `units` when the test wants one).
inline std::vector<uint8_t> InterfaceRecord(const std::u16string& units) {
    const auto size = static_cast<uint32_t>(28 + units.size() * 2);
    std::vector<uint8_t> record = BroadcastRecord(5, size);
    std::memcpy(record.data() + 12, &kCaptureCategory, sizeof kCaptureCategory);
    for (size_t i = 0; i < units.size(); ++i) {
        record[28 + 2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
        record[28 + 2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
    }
    return record;
}
