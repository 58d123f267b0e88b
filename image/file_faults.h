#pragma once

// Test-only: makes a file helper fail on demand where no real file can be made to fail, so that
// the failure paths of the routines above them can be reached. Nothing but tests arms a fault.

#include <string>

enum class FileFault {
    kOpen,      // opening the file for reading fails
    kNoMemory,  // the memory to read the file into cannot be obtained
};

// The next time a file helper takes that step for a path ending in pathEnd, the step fails;
// the fault is then spent. One fault is armed at a time.
void ArmFileFault(FileFault fault, const std::string& pathEnd);
void DisarmFileFault();

// For the file helpers: whether an armed fault hits this step, spending it if so.
bool TakeFileFault(FileFault fault, const char* path);
