#include "image/fw_image.h"

#include <new>

#include "image/file_io.h"

static constexpr size_t kHeaderSize = 8;
static constexpr size_t kRecordOverhead = 3;  // length field and checksum
static constexpr uint8_t kTerminator[kRecordOverhead] = {0x00, 0x01, 0x00};

static size_t PackedSize(size_t sourceSize) {
    const size_t records = (sourceSize + kFwRecordData - 1) / kFwRecordData;
    return kHeaderSize + sourceSize + kRecordOverhead * records + sizeof kTerminator;
}

static void StoreHeader(uint8_t* image) {
    for (size_t i = 0; i < 4; ++i) {
        image[i] = static_cast<uint8_t>(kFwImageMagic >> (8 * i));
        image[4 + i] = 0;
    }
}

// Reads the source record by record straight into place; false on a short read.
static bool StoreRecords(std::FILE* source, size_t sourceSize, uint8_t* image) {
    uint8_t* out = image + kHeaderSize;
    for (size_t remaining = sourceSize; remaining > 0;) {
        const size_t n = remaining < kFwRecordData ? remaining : kFwRecordData;
        out[0] = static_cast<uint8_t>((n + 1) >> 8);
        out[1] = static_cast<uint8_t>(n + 1);
        uint8_t* data = out + 2;
        if (!ReadExactly(source, data, n)) {
            return false;
        }
        uint8_t sum = 0;
        for (size_t i = 0; i < n; ++i) {
            sum = static_cast<uint8_t>(sum + data[i]);
        }
        data[n] = static_cast<uint8_t>(-sum);
        out += n + kRecordOverhead;
        remaining -= n;
    }
    for (uint8_t byte : kTerminator) {
        *out++ = byte;
    }
    return true;
}

int PackFwImage(const char* src, const char* dst) {
    FilePtr source = OpenForReading(src);
    if (!source) {
        return -1;
    }
    size_t sourceSize = 0;
    switch (SizeOfFile(source.get(), &sourceSize)) {
        case SizeResult::kOk:
            break;
        case SizeResult::kTooLarge:
            return kFileTooLarge;
        case SizeResult::kUnknown:
            return -1;
    }
    const size_t imageSize = PackedSize(sourceSize);
    std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[imageSize]);
    if (!image) {
        return -3;
    }
    StoreHeader(image.get());
    if (!StoreRecords(source.get(), sourceSize, image.get())) {
        return -1;
    }
    // Closed first: src and dst may be one file, which some platforms cannot replace while open.
    source.reset();
    return ReplaceFile(dst, image.get(), imageSize) == WriteResult::kOk ? 0 : -2;
}

int ReadFwVersion(const char* path) {
    const FilePtr file = OpenForReading(path);
    uint8_t word[2];
    if (!file || std::fseek(file.get(), kFwVersionOffset, SEEK_SET) != 0 ||
        !ReadExactly(file.get(), word, sizeof word)) {
        return -1;
    }
    return (word[0] << 8) | word[1];
}
