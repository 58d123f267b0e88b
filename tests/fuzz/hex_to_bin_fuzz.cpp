// The HEX converter: an accepted input gives 1 to 64 KiB of image; a refused one leaves no
// output behind, nor any temporary file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/hex_to_bin.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string hexPath = ScratchPath("in.hex");
    static const std::string binPath = ScratchPath("out.bin");
    WriteFile(hexPath, data, size);
    RemoveFile(binPath);

    const int result = HexToBin(hexPath.c_str(), binPath.c_str());

    Require(result == 0 || result == -1, "the result is 0 or -1");
    std::vector<uint8_t> image;
    if (result == 0) {
        Require(ReadFile(binPath, &image), "an accepted input leaves its image");
        Require(!image.empty() && image.size() <= 0x10000, "the image holds 1 byte to 64 KiB");
        Require(ScratchEntries() == 2, "nothing but input and image remain");
    } else {
        Require(!FileExists(binPath), "a refused input leaves no output");
        Require(ScratchEntries() == 1, "a refused input leaves no temporary file");
    }
    return 0;
}
