#include "tests/image/image_test_util.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN  // leaves out rpcndr.h and its global byte type
#include <windows.h>
#endif

#include "image/copy_fw_file.h"
#include "image/fw_image.h"
#include "image/hex_to_bin.h"
#include "tests/image/fw_image_reader.h"

namespace fs = std::filesystem;

#ifdef _WIN32
std::string LocalPath(const fs::path& path) {
    const std::wstring wide = path.wstring();
    if (wide.empty()) {
        return std::string();
    }
    const int wideLength = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                           nullptr, 0, nullptr, &lossy);
    std::string local(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, local.data(), length,
                        nullptr, &lossy);
    if (length == 0 || lossy) {
        throw std::runtime_error("code page " + std::to_string(GetACP()) + " cannot hold " +
                                 path.u8string());
    }
    return local;
}
#else
std::string LocalPath(const fs::path& path) {
    return path.string();
}
#endif

std::string PickName(const std::string& chinese, const std::string& latin) {
    try {
        LocalPath(fs::u8path(chinese));
        return chinese;
    } catch (const std::runtime_error&) {
        return latin;
    }
}

ScratchDir::ScratchDir() {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = fs::temp_directory_path() / ("dovrane-image-" + std::to_string(entropy()));
        if (fs::create_directory(path_)) {
            return;
        }
    }
    throw std::runtime_error("no scratch directory");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchDir::File(const std::string& name) const {
    return LocalPath(path_ / fs::u8path(name));
}

void WriteBytes(const std::string& path, const ByteVector& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, ByteVector(text.begin(), text.end()));
}

ByteVector ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListDir(const fs::path& dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string HexRecord(uint8_t type, uint16_t address, const ByteVector& data, bool lowerCase) {
    ByteVector fields = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                         static_cast<uint8_t>(address), type};
    fields.insert(fields.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t byte : fields) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    fields.push_back(static_cast<uint8_t>(-sum));
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string line = ":";
    for (uint8_t byte : fields) {
        line += digits[byte >> 4];
        line += digits[byte & 0xF];
    }
    return line + "\n";
}

SparseHex RandomSparseHex(uint32_t seed) {
    std::mt19937 random(seed);
    auto below = [&random](uint32_t bound) {
        return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random);
    };
    SparseHex result;
    ByteVector image(0x10000, 0xFF);
    size_t highest = 0;
    const uint32_t records = 1 + below(60);
    uint32_t previous = 0;
    for (uint32_t r = 0; r < records; ++r) {
        ByteVector data(below(256));
        for (uint8_t& byte : data) {
            byte = static_cast<uint8_t>(below(256));
        }
        // Every third record lands near the previous one, so records overlap.
        uint32_t address = below(3) == 0 ? previous + below(64) : below(0x10000);
        address = std::min<uint32_t>(address, 0x10000 - static_cast<uint32_t>(data.size()));
        previous = address;
        std::string line = HexRecord(0x00, static_cast<uint16_t>(address), data, below(2) == 0);
        if (below(2) == 0) {
            line.insert(line.size() - 1, "\r");
        }
        result.text += line;
        if (below(10) == 0) {
            result.text += HexRecord(0x01, 0, {});
        }
        std::copy(data.begin(), data.end(), image.begin() + address);
        if (!data.empty()) {
            highest = std::max<size_t>(highest, address + data.size() - 1);
        }
    }
    result.text += HexRecord(0x01, 0, {});
    result.image.assign(image.begin(), image.begin() + static_cast<ptrdiff_t>(highest) + 1);
    return result;
}

ByteVector UnpackFwImage(const ByteVector& image) {
    std::string problem;
    ByteVector data = ReadFwImageData(image, &problem);
    if (!problem.empty()) {
        ADD_FAILURE() << problem;
    }
    return data;
}

std::vector<WriterCase> WriterCases() {
    return {{"HexToBin", HexToBin, true, false, -1},
            {"CopyFwFile", CopyFwFile, false, false, -1},
            {"PackFwImage", PackFwImage, false, true, -2}};
}

void PrintTo(const WriterCase& row, std::ostream* out) {
    *out << row.name;
}

std::string WriterCaseName(const testing::TestParamInfo<WriterCase>& row) {
    return row.param.name;
}

ByteVector WriterData() {
    ByteVector data(4096);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    return data;
}

void WriteWriterSource(const WriterCase& writer, const std::string& path) {
    const ByteVector data = WriterData();
    if (!writer.hexSource) {
        WriteBytes(path, data);
        return;
    }
    std::string text;
    for (size_t at = 0; at < data.size(); at += 16) {
        text += HexRecord(0x00, static_cast<uint16_t>(at),
                          ByteVector(data.begin() + static_cast<ptrdiff_t>(at),
                                     data.begin() + static_cast<ptrdiff_t>(at + 16)));
    }
    WriteText(path, text);
}

ByteVector DataOfOutput(const WriterCase& writer, const ByteVector& output) {
    return writer.packs ? UnpackFwImage(output) : output;
}
