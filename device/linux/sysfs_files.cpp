#include "device/linux/sysfs_files.h"

#include <cstdlib>
#include <fstream>

std::optional<std::string> ReadAttribute(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::optional<std::vector<uint8_t>> ReadBinaryAttribute(const std::string& path, size_t limit) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    // Sysfs reports a size that says nothing of the content: read until the end.
    std::vector<uint8_t> bytes;
    char chunk[4096];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        const auto count = static_cast<size_t>(file.gcount());
        if (bytes.size() + count > limit) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<uint32_t> ParseNumber(const std::string& text, int base, uint32_t max) {
    if (text.empty() || text.size() > 16) {
        return std::nullopt;
    }
    for (const char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(base == 16 && hexLetter)) {
            return std::nullopt;
        }
    }
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, base);
    if (value > max) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}
