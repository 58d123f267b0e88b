#pragma once

// One camera, one job on Windows: a named mutex in the session's namespace, named after the
// camera's device path, that a job owns from its open to its end. Every program that flashes
// the camera meets the same name.

#include <string>

#include "device/windows/win_sdk.h"

// "Local\Dovrane.Camera.<16 hex digits>": the path's case-blind hash, as mutex names may not
// hold the path's backslashes.
std::wstring JobMutexName(const std::string& devicePath);

class JobMutex {
  public:
    explicit JobMutex(const std::string& devicePath);
    ~JobMutex();
    JobMutex(const JobMutex&) = delete;
    JobMutex& operator=(const JobMutex&) = delete;

    // True when the calling thread owns the mutex now; the same thread releases it.
    bool Claim();
    void Release();
    // Whether someone else owns it (another process, or another thread of this one).
    bool HeldElsewhere();

  private:
    const std::wstring name_;
    HANDLE owned_ = nullptr;
};
