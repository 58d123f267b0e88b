#include "image/hex_to_bin.h"

#include <array>
#include <cstring>
#include <new>

#include "image/file_io.h"

namespace {

constexpr size_t kImageSize = 0x10000;
constexpr uint8_t kTypeData = 0x00;
constexpr uint8_t kTypeExtendedSegment = 0x02;
constexpr uint8_t kTypeExtendedLinear = 0x04;
// ':' is followed by byte count, address high, address low and type, two digits each.
constexpr size_t kHeaderChars = 8;

// Digit values, and every other character's own code, so decoding needs no branches.
constexpr std::array<uint8_t, 256> MakeDigitTable() {
    std::array<uint8_t, 256> table{};
    for (size_t c = 0; c < table.size(); ++c) {
        table[c] = static_cast<uint8_t>(c);
    }
    for (uint8_t d = 0; d < 10; ++d) {
        table[static_cast<size_t>('0' + d)] = d;
    }
    for (uint8_t d = 0; d < 6; ++d) {
        table[static_cast<size_t>('a' + d)] = static_cast<uint8_t>(10 + d);
        table[static_cast<size_t>('A' + d)] = static_cast<uint8_t>(10 + d);
    }
    return table;
}
constexpr std::array<uint8_t, 256> kDigit = MakeDigitTable();

uint8_t DecodePair(const uint8_t* text) {
    return static_cast<uint8_t>((kDigit[text[0]] << 4) | kDigit[text[1]]);
}

// Stores the data records of text into image; *highest ends at the highest written address.
// Returns false for input the converter refuses.
bool ScanRecords(const uint8_t* text, size_t size, uint8_t* image, size_t* highest) {
    const uint8_t* const end = text + size;
    const uint8_t* p = text;
    while (p < end) {
        const void* colon = std::memchr(p, ':', static_cast<size_t>(end - p));
        if (colon == nullptr) {
            break;
        }
        p = static_cast<const uint8_t*>(colon) + 1;
        if (static_cast<size_t>(end - p) < kHeaderChars) {
            return false;
        }
        const size_t count = DecodePair(p);
        const size_t address = (static_cast<size_t>(DecodePair(p + 2)) << 8) | DecodePair(p + 4);
        const uint8_t type = DecodePair(p + 6);
        p += kHeaderChars;
        if (type == kTypeExtendedSegment || type == kTypeExtendedLinear) {
            return false;
        }
        if (type != kTypeData || count == 0) {
            continue;
        }
        const size_t last = address + count - 1;
        if (last >= kImageSize || static_cast<size_t>(end - p) < 2 * count) {
            return false;
        }
        for (size_t i = 0; i < count; ++i, p += 2) {
            image[address + i] = DecodePair(p);
        }
        if (last > *highest) {
            *highest = last;
        }
    }
    return true;
}

}  // namespace

uint8_t HexPairToByte(char high, char low) {
    const uint8_t pair[2] = {static_cast<uint8_t>(high), static_cast<uint8_t>(low)};
    return DecodePair(pair);
}

int HexToBin(const char* hexPath, const char* binPath) {
    Bytes text;
    switch (ReadWholeFile(hexPath, &text)) {
        case ReadResult::kOk:
            break;
        case ReadResult::kTooLarge:
            return kFileTooLarge;
        case ReadResult::kOpenFailed:
        case ReadResult::kNoMemory:
        case ReadResult::kReadFailed:
            return -1;
    }
    std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[kImageSize]);
    if (!image) {
        return -1;
    }
    std::memset(image.get(), 0xFF, kImageSize);
    size_t highest = 0;
    if (!ScanRecords(text.data.get(), text.size, image.get(), &highest)) {
        return -1;
    }
    text = Bytes();
    return ReplaceFile(binPath, image.get(), highest + 1) == WriteResult::kOk ? 0 : -1;
}
