#pragma once

// Reads a chunked download image back into its data, checking its whole shape. Free of any
// test framework, so that the fuzz targets can use it too.

#include <cstdint>
#include <string>
#include <vector>

// The data of the image; *problem stays empty for a well-formed image and otherwise says what
// is wrong with it: the header, a record's length or checksum, a record shorter than 1024 bytes
// before the last, or a missing or early terminator.
std::vector<uint8_t> ReadFwImageData(const std::vector<uint8_t>& image, std::string* problem);
