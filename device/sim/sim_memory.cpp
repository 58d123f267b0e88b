#include "device/sim/sim_memory.h"

#include <algorithm>
#include <cstring>

template <typename Visit>
void SimMemory::ForEachPage(uint32_t address, uint32_t length, Visit visit) {
    uint32_t done = 0;
    while (done < length) {
        const uint32_t at = address + done;
        const uint32_t inPage = at % kPageSize;
        const uint32_t count = std::min(length - done, kPageSize - inPage);
        visit(at / kPageSize, inPage, done, count);
        done += count;
    }
}

void SimMemory::Write(uint32_t address, const uint8_t* data, uint32_t length) {
    ForEachPage(address, length, [&](uint32_t page, uint32_t inPage, uint32_t from, uint32_t n) {
        auto [slot, created] = pages_.try_emplace(page);
        if (created) {
            slot->second.fill(0xFF);
        }
        std::memcpy(slot->second.data() + inPage, data + from, n);
    });
}

void SimMemory::Read(uint32_t address, uint8_t* data, uint32_t length) const {
    ForEachPage(address, length, [&](uint32_t page, uint32_t inPage, uint32_t to, uint32_t n) {
        const auto slot = pages_.find(page);
        if (slot == pages_.end()) {
            std::memset(data + to, 0xFF, n);
        } else {
            std::memcpy(data + to, slot->second.data() + inPage, n);
        }
    });
}
