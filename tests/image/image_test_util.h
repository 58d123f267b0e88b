#pragma once

// Helpers for the firmware file tests: scratch directories, whole-file access, Intel HEX text
// made from known images, and a reader for the chunked download image.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using ByteVector = std::vector<uint8_t>;

// A fresh directory under the system's temporary directory, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path of name inside the directory, as the byte string the file routines take.
    std::string File(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const ByteVector& bytes);
void WriteText(const std::string& path, const std::string& text);
ByteVector ReadBytes(const std::string& path);
// The names in a directory, sorted, to see that nothing was left behind.
std::vector<std::string> ListDir(const std::filesystem::path& dir);

// One Intel HEX record line with a correct checksum, ending in "\n".
std::string HexRecord(uint8_t type, uint16_t address, const ByteVector& data,
                      bool lowerCase = false);

// HEX text from random data records (lengths 0 to 255, any order, overlaps, both digit cases,
// both line ends, end-of-file records in between) and the flat binary it stands for: later
// records win, gaps are 0xFF, and the image ends at the highest written address.
struct SparseHex {
    std::string text;
    ByteVector image;
};
SparseHex RandomSparseHex(uint32_t seed);

// The data of a chunked download image, checking its header, that every record but the last
// carries 1024 bytes, that every record's bytes sum to 0, and that the terminator ends it.
ByteVector UnpackFwImage(const ByteVector& image);
