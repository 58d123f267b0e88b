#include "device/windows/device_broadcast.h"

#include <cstdint>
#include <cstring>

#include "device/windows/utf16.h"

namespace {

template <typename Field>
Field FieldAt(const unsigned char* record, size_t offset) {
    Field value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

}  // namespace

void ReadDeviceBroadcast(const void* record, DeviceChange* change) {
    const auto* bytes = static_cast<const unsigned char*>(record);
    change->deviceType = 0;
    change->name.clear();
    const auto size = FieldAt<uint32_t>(bytes, 0);
    if (size < kBroadcastHeaderSize) {
        return;
    }
    change->deviceType = FieldAt<uint32_t>(bytes, kBroadcastTypeOffset);
    if (change->deviceType != kDbtDevtypDeviceInterface || size <= kBroadcastNameOffset) {
        return;
    }
    const size_t units = (size - kBroadcastNameOffset) / sizeof(char16_t);
    std::u16string name;
    for (size_t i = 0; i < units; ++i) {
        const auto unit = FieldAt<char16_t>(bytes, kBroadcastNameOffset + i * sizeof(char16_t));
        if (unit == 0) {
            break;
        }
        name.push_back(unit);
    }
    change->name = Utf8FromUtf16(name);
}
