// The packer and the version reader: a file packed in place, as the preparation does it, reads
// back to exactly its source in the documented size; the version word is the big-endian pair at
// its offset, or -1 for a file too short to carry it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/fw_image.h"
#include "tests/fuzz/fuzz_files.h"
#include "tests/image/fw_image_reader.h"

namespace {

void CheckPacking(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("mcu.bin");
    WriteFile(path, data, size);
    Require(PackFwImage(path.c_str(), path.c_str()) == 0, "a readable file packs");
    std::vector<uint8_t> image;
    Require(ReadFile(path, &image), "the packed file is there");
    const size_t records = (size + kFwRecordData - 1) / kFwRecordData;
    Require(image.size() == size + 3 * records + 11, "the image is S + 3N + 11 bytes");
    std::string problem;
    const std::vector<uint8_t> unpacked = ReadFwImageData(image, &problem);
    Require(problem.empty(), "the image is well formed");
    Require(unpacked == std::vector<uint8_t>(data, data + size), "the image holds the source");
}

void CheckVersion(const uint8_t* data, size_t size) {
    // The input follows the offset of the version word, so its first two bytes are the word.
    static const std::string path = [] {
        const std::string where = ScratchPath("versioned.bin");
        const std::vector<uint8_t> lead(static_cast<size_t>(kFwVersionOffset), 0x5A);
        WriteFile(where, lead.data(), lead.size());
        return where;
    }();
    ReplaceTail(path, static_cast<size_t>(kFwVersionOffset), data, size);
    const int expected = size >= 2 ? (data[0] << 8 | data[1]) : -1;
    Require(ReadFwVersion(path.c_str()) == expected, "the version word is read big-endian");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckPacking(data, size);
    CheckVersion(data, size);
    return 0;
}
