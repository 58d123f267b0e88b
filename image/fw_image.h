#pragma once

// Binary firmware files: the chunked download image and the version word. Paths are byte strings
// in the local 8-bit encoding.

#include <cstdint>

#include "image/file_codes.h"

// Header magic, stored little-endian (08 10 F7 EF), followed by a zero word.
inline constexpr uint32_t kFwImageMagic = 0xEFF71008;
inline constexpr uint32_t kFwRecordData = 1024;
// The version word sits big-endian at these offsets of a binary firmware file.
inline constexpr long kFwVersionOffset = 81924;

// Writes the header, then the source in records of at most kFwRecordData bytes (big-endian
// length of data + checksum, data, checksum making the 8-bit sum 0), then the record 00 01 00.
// src and dst may name the same file. Returns
//    0 on success;
//   -1 when the source cannot be read completely;
//   -2 when the destination cannot be written;
//   -3 when memory for the image cannot be obtained;
//   kFileTooLarge (-4) for a source of 2 GiB or more.
// On failure the destination is left as it was.
int PackFwImage(const char* src, const char* dst);

// The version word 0..65535, or
//   -1 when the file cannot be opened or read, or is not longer than 81925 bytes;
//   -3 when memory cannot be obtained; kept for callers, it no longer happens since only the two
//      bytes are read.
int ReadFwVersion(const char* path);
