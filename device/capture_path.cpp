#include "device/capture_path.h"

#include <algorithm>
#include <cstdio>

#include "device/guid.h"

std::string CaptureInterfacePath(uint16_t vendorId, uint16_t productId, uint8_t interfaceNumber,
                                 const std::string& instance) {
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "usb#vid_%04x&pid_%04x&mi_%02x#", vendorId, productId,
                  interfaceNumber);
    std::string category = GuidText(kCaptureCategory);
    std::transform(category.begin(), category.end(), category.begin(), [](char c) {
        return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return prefix + instance + "#{" + category + "}";
}
