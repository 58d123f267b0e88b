#include "device/linux/uevent.h"

#include <cstring>

namespace {

// The strings of a message, each ended by a 0 byte or by the end of the message.
template <typename Visit>
void ForEachString(const char* data, size_t size, Visit visit) {
    size_t pos = 0;
    while (pos < size) {
        const void* zero = std::memchr(data + pos, 0, size - pos);
        const size_t end =
            zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size;
        visit(std::string(data + pos, end - pos));
        pos = end + 1;
    }
}

}  // namespace

std::string UEvent::Property(const std::string& key) const {
    const auto it = properties.find(key);
    return it == properties.end() ? std::string() : it->second;
}

std::optional<UEvent> ParseKernelUevent(const char* data, size_t size) {
    if (data == nullptr || size == 0) {
        return std::nullopt;
    }
    std::string header;
    UEvent event;
    bool first = true;
    ForEachString(data, size, [&](const std::string& text) {
        if (first) {
            header = text;
            first = false;
            return;
        }
        const size_t equals = text.find('=');
        if (equals != std::string::npos && equals > 0) {
            event.properties[text.substr(0, equals)] = text.substr(equals + 1);
        }
    });
    event.action = event.Property("ACTION");
    event.devPath = event.Property("DEVPATH");
    event.subsystem = event.Property("SUBSYSTEM");
    if (event.action.empty() || event.devPath.empty() || event.subsystem.empty() ||
        header != event.action + "@" + event.devPath) {
        return std::nullopt;
    }
    return event;
}
