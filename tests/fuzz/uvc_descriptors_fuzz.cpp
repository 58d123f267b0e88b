// The USB descriptor parser: never reads past its input (the sanitizers watch that), and every
// function it returns is consistent: unit ids are non-zero and unique, each is found by its
// id, and the function is found by its VideoControl interface.

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "device/linux/uvc_descriptors.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the configuration; the rest is the descriptors file.
    const uint8_t configuration = data[0];
    const std::vector<uint8_t> descriptors(data + 1, data + size);
    const std::vector<VideoFunction> functions =
        ParseVideoFunctions(descriptors.data(), descriptors.size(), configuration);

    for (const VideoFunction& function : functions) {
        std::set<uint8_t> ids;
        for (const UvcEntity& entity : function.entities) {
            Require(entity.id != 0, "no entity has id 0");
            Require(ids.insert(entity.id).second, "entity ids are unique in a function");
            Require(function.Entity(entity.id) == &entity, "each entity is found by its id");
        }
        Require(function.Entity(0) == nullptr, "id 0 finds nothing");
        const VideoFunction* found = FindVideoFunction(functions, function.controlInterface);
        Require(found != nullptr && found->controlInterface == function.controlInterface,
                "a function is found by its VideoControl interface");
    }
    return 0;
}
