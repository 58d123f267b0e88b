#include "tests/image/fw_image_reader.h"

#include <algorithm>
#include <cstddef>

#include "image/fw_image.h"

std::vector<uint8_t> ReadFwImageData(const std::vector<uint8_t>& image, std::string* problem) {
    const std::vector<uint8_t> header = {0x08, 0x10, 0xF7, 0xEF, 0x00, 0x00, 0x00, 0x00};
    std::vector<uint8_t> data;
    problem->clear();
    if (image.size() < header.size() + 3 ||
        !std::equal(header.begin(), header.end(), image.begin())) {
        *problem = "no image header";
        return data;
    }
    size_t at = header.size();
    bool shortRecordSeen = false;
    while (at + 2 <= image.size()) {
        const auto length = static_cast<size_t>(image[at] << 8 | image[at + 1]);
        const std::string where = "record at " + std::to_string(at);
        if (length == 0 || at + 2 + length > image.size()) {
            *problem = where + " has length " + std::to_string(length);
            return data;
        }
        uint8_t sum = 0;
        for (size_t i = 0; i < length; ++i) {
            sum = static_cast<uint8_t>(sum + image[at + 2 + i]);
        }
        if (sum != 0) {
            *problem = where + " does not sum to 0";
            return data;
        }
        const size_t n = length - 1;
        if (n == 0) {
            if (at + 3 != image.size()) {
                *problem = "terminator before the end";
            }
            return data;
        }
        if (n > kFwRecordData || shortRecordSeen) {
            *problem = where + " carries " + std::to_string(n) + " bytes";
            return data;
        }
        shortRecordSeen = n < kFwRecordData;
        data.insert(data.end(), image.begin() + static_cast<ptrdiff_t>(at + 2),
                    image.begin() + static_cast<ptrdiff_t>(at + 2 + n));
        at += 2 + length;
    }
    *problem = "no terminator";
    return data;
}
