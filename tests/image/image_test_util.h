#pragma once

// Helpers for the firmware file tests: scratch directories, whole-file access, Intel HEX text
// made from known images, and a reader for the chunked download image. Tests spell names in
// UTF-8; the routines get paths in the local 8-bit encoding (the ANSI code page on Windows).

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using ByteVector = std::vector<uint8_t>;

// The path as a byte string in the local 8-bit encoding, as the file routines take it; throws
// when the encoding cannot hold it.
std::string LocalPath(const std::filesystem::path& path);
// The Chinese name where the local 8-bit encoding holds Chinese (UTF-8 on Linux, GBK under code
// page 936), else the Latin one (code page 1252), both spelt in UTF-8.
std::string PickName(const std::string& chinese, const std::string& latin);

// A fresh directory under the system's temporary directory, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The local 8-bit path of the UTF-8 name inside the directory.
    std::string File(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const ByteVector& bytes);
void WriteText(const std::string& path, const std::string& text);
ByteVector ReadBytes(const std::string& path);
// The names in a directory in UTF-8, sorted, to see that nothing was left behind.
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

// The three routines that write a file from a source, for what holds for each of them.
struct WriterCase {
    const char* name;
    int (*routine)(const char* src, const char* dst);
    bool hexSource;    // the source is Intel HEX
    bool packs;        // the output is the chunked download image of the source's data
    int writeFailure;  // the result when the destination cannot be written
};
std::vector<WriterCase> WriterCases();
// Names the row in failure output instead of dumping its bytes.
void PrintTo(const WriterCase& row, std::ostream* out);
std::string WriterCaseName(const testing::TestParamInfo<WriterCase>& row);
// The 4096 bytes of data that every writer's source carries.
ByteVector WriterData();
// The writer's source of WriterData: Intel HEX or the bytes themselves.
void WriteWriterSource(const WriterCase& writer, const std::string& path);
// The data in a writer's output: the output itself, or unpacked.
ByteVector DataOfOutput(const WriterCase& writer, const ByteVector& output);
