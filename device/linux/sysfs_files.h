#pragma once

// Reading sysfs attributes: small text files of one value, and binary attributes of bounded
// size. Every reader answers nothing rather than a partial value.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The first line without its line end; nothing when the file cannot be read.
std::optional<std::string> ReadAttribute(const std::string& path);

// The whole file when it can be read and holds at most `limit` bytes.
std::optional<std::vector<uint8_t>> ReadBinaryAttribute(const std::string& path, size_t limit);

// A number in `base` (16 for idVendor, 10 for bConfigurationValue) not above `max`.
std::optional<uint32_t> ParseNumber(const std::string& text, int base, uint32_t max);
