#include "image/file_faults.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

struct ArmedFault {
    std::mutex mutex;
    std::atomic<bool> armed{false};  // read without the lock on every helper call
    FileFault fault = FileFault::kOpen;
    std::string pathEnd;
};

ArmedFault& Armed() {
    static ArmedFault armed;
    return armed;
}

bool EndsWith(const char* path, const std::string& end) {
    const size_t length = std::strlen(path);
    return length >= end.size() && end.compare(0, end.size(), path + length - end.size()) == 0;
}

}  // namespace

void ArmFileFault(FileFault fault, const std::string& pathEnd) {
    ArmedFault& armed = Armed();
    const std::lock_guard<std::mutex> lock(armed.mutex);
    armed.fault = fault;
    armed.pathEnd = pathEnd;
    armed.armed = true;
}

void DisarmFileFault() {
    ArmedFault& armed = Armed();
    const std::lock_guard<std::mutex> lock(armed.mutex);
    armed.armed = false;
}

bool TakeFileFault(FileFault fault, const char* path) {
    ArmedFault& armed = Armed();
    if (!armed.armed || path == nullptr) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(armed.mutex);
    if (!armed.armed || armed.fault != fault || !EndsWith(path, armed.pathEnd)) {
        return false;
    }
    armed.armed = false;
    return true;
}
