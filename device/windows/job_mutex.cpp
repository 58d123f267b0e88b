#include "device/windows/job_mutex.h"

#include <cctype>
#include <cstdint>
#include <cwchar>

std::wstring JobMutexName(const std::string& devicePath) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : devicePath) {
        hash ^= static_cast<uint8_t>(std::tolower(static_cast<unsigned char>(c)));
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    std::swprintf(name, sizeof name / sizeof name[0], L"Local\\Dovrane.Camera.%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

JobMutex::JobMutex(const std::string& devicePath) : name_(JobMutexName(devicePath)) {}

JobMutex::~JobMutex() {
    Release();
}

bool JobMutex::Claim() {
    if (owned_ != nullptr) {
        return true;
    }
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name_.c_str());
    if (mutex == nullptr) {
        return true;  // no mutex to be had: nothing tells of another job
    }
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        owned_ = mutex;
        return true;
    }
    CloseHandle(mutex);
    return false;
}

void JobMutex::Release() {
    if (owned_ != nullptr) {
        ReleaseMutex(owned_);
        CloseHandle(owned_);
        owned_ = nullptr;
    }
}

bool JobMutex::HeldElsewhere() {
    if (owned_ != nullptr) {
        return false;
    }
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name_.c_str());
    if (mutex == nullptr) {
        return false;  // no job has made it
    }
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        ReleaseMutex(mutex);
    }
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT;
}
