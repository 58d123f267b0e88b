// The kernel uevent parser: never reads past its input, and an event it accepts is consistent:
// action, device path and subsystem are set and are the properties of those names, and the
// message opens with "action@devpath".

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "device/linux/uevent.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> message(data, data + size);
    const std::optional<UEvent> event = ParseKernelUevent(message.data(), message.size());
    if (!event) {
        return 0;
    }
    Require(!event->action.empty() && !event->devPath.empty() && !event->subsystem.empty(),
            "an accepted event names action, device path and subsystem");
    Require(event->Property("ACTION") == event->action &&
                event->Property("DEVPATH") == event->devPath &&
                event->Property("SUBSYSTEM") == event->subsystem,
            "the three are the properties of those names");
    const std::string header = event->action + "@" + event->devPath;
    Require(size > header.size() &&
                std::memcmp(message.data(), header.data(), header.size()) == 0 &&
                message[header.size()] == '\0',
            "the message opens with action@devpath");
    return 0;
}
