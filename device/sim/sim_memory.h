#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

// One sparse 32-bit address space of the simulated device, read as 0xFF where nothing was
// written (erased flash). Addresses wrap at 2^32 like the header's address field.
class SimMemory {
  public:
    void Write(uint32_t address, const uint8_t* data, uint32_t length);
    void Read(uint32_t address, uint8_t* data, uint32_t length) const;

  private:
    static constexpr uint32_t kPageSize = 4096;
    using Page = std::array<uint8_t, kPageSize>;

    // Calls visit(page number, offset in page, offset in caller's data, byte count) per page.
    template <typename Visit>
    static void ForEachPage(uint32_t address, uint32_t length, Visit visit);

    std::unordered_map<uint32_t, Page> pages_;
};
