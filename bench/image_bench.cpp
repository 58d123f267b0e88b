// Throughput of the firmware file routines: HexToBin on a HEX file that fills the whole 64 KiB
// space, against `objcopy -I ihex -O binary` on the same file, and PackFwImage on 1 MiB.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "image/fw_image.h"
#include "image/hex_to_bin.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

static std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

static void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The image as 16-byte data records and an end record, as linkers write it.
static std::string HexText(const std::vector<uint8_t>& image) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    auto put = [&text](uint8_t byte, uint8_t* sum) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
        *sum = static_cast<uint8_t>(*sum + byte);
    };
    for (size_t at = 0; at < image.size(); at += 16) {
        uint8_t sum = 0;
        text += ':';
        put(16, &sum);
        put(static_cast<uint8_t>(at >> 8), &sum);
        put(static_cast<uint8_t>(at), &sum);
        put(0, &sum);
        for (size_t i = 0; i < 16; ++i) {
            put(image[at + i], &sum);
        }
        uint8_t ignored = 0;
        put(static_cast<uint8_t>(-sum), &ignored);
        text += '\n';
    }
    return text + ":00000001FF\n";
}

// Seconds per run, over as many runs as fit in about half a second.
template <typename Run>
static double SecondsPerRun(Run run) {
    run();  // warm the cache and the file system
    int runs = 0;
    const Clock::time_point start = Clock::now();
    std::chrono::duration<double> elapsed{};
    do {
        if (!run()) {
            return -1;
        }
        ++runs;
        elapsed = Clock::now() - start;
    } while (elapsed.count() < 0.5);
    return elapsed.count() / runs;
}

static double MegabytesPerSecond(size_t bytes, double seconds) {
    return static_cast<double>(bytes) / 1e6 / seconds;
}

int main() {
    const fs::path dir = fs::temp_directory_path() /
                         ("dovrane-image-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::string hexPath = (dir / "full.hex").string();
    const std::string binPath = (dir / "full.bin").string();
    const std::string objcopyPath = (dir / "objcopy.bin").string();
    const std::string rawPath = (dir / "raw.bin").string();
    const std::string packedPath = (dir / "packed.bin").string();

    const std::vector<uint8_t> image = RandomBytes(0x10000, 1);
    const std::string hex = HexText(image);
    WriteAll(hexPath, hex);

    const double hexSeconds =
        SecondsPerRun([&] { return HexToBin(hexPath.c_str(), binPath.c_str()) == 0; });
    std::printf("HexToBin      %7zu bytes of HEX  %8.3f ms  %8.1f MB/s of text\n", hex.size(),
                hexSeconds * 1e3, MegabytesPerSecond(hex.size(), hexSeconds));
    const bool ours = ReadAll(binPath) == image;
    std::printf("              output equals the source image: %s\n", ours ? "yes" : "NO");

    const std::string objcopy = "objcopy -I ihex -O binary '" + hexPath + "' '" + objcopyPath + "'";
    const double objcopySeconds = SecondsPerRun([&] { return std::system(objcopy.c_str()) == 0; });
    if (objcopySeconds < 0) {
        std::printf("objcopy       not available\n");
    } else {
        std::printf("objcopy       %7zu bytes of HEX  %8.3f ms  %8.1f MB/s of text  (%.1fx ours)\n",
                    hex.size(), objcopySeconds * 1e3,
                    MegabytesPerSecond(hex.size(), objcopySeconds), objcopySeconds / hexSeconds);
        // objcopy's output starts at the lowest address; this file starts at 0 as ours does.
        std::printf("              outputs identical over the same range: %s\n",
                    ReadAll(objcopyPath) == ReadAll(binPath) ? "yes" : "NO");
    }

    const std::vector<uint8_t> raw = RandomBytes(1 << 20, 2);
    WriteAll(rawPath, std::string(raw.begin(), raw.end()));
    const double packSeconds =
        SecondsPerRun([&] { return PackFwImage(rawPath.c_str(), packedPath.c_str()) == 0; });
    std::printf("PackFwImage   %7zu bytes         %8.3f ms  %8.1f MB/s\n", raw.size(),
                packSeconds * 1e3, MegabytesPerSecond(raw.size(), packSeconds));

    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ours ? 0 : 1;
}
