#include "device/status_text.h"

#include <cstdint>
#include <cstdio>

namespace {

struct StatusWords {
    uint32_t status;
    const char* words;
};

// The failures a device request meets, in the codes every backend reports them with.
constexpr StatusWords kWords[] = {
    {0x8007001Fu, "device stalled the request"},
    {0x8007048Fu, "device not connected"},
    {0x80070005u, "access denied"},
    {0x8007045Du, "I/O error on the device"},
    {0x80070490u, "no such control"},
    {0x80070492u, "the node does not carry the extension unit"},
    {0x8007007Au, "length differs from the control's size"},
    {0x8007000Du, "the control refused the value"},
    {0x80070079u, "the request timed out"},
    {0x800700AAu, "device busy"},
    {0x80070001u, "the control does not take the request"},
    {0x800703E3u, "the request was interrupted"},
    {0x8007000Eu, "out of memory"},
    {0x800704C7u, "the job was stopped"},
};

}  // namespace

std::string DescribeStatus(Status status) {
    const auto code = static_cast<uint32_t>(status);
    for (const StatusWords& entry : kWords) {
        if (entry.status == code) {
            return entry.words;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "status 0x%08x", code);
    return text;
}
