#pragma once

// A record log kept by appending: each record is one write at the file's end, so records of
// concurrent jobs and processes neither interleave nor get lost. The path is in the local 8-bit
// encoding, as for every file helper.

#include <cstdint>
#include <string>

class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens path for appending, creating it when missing; false when it cannot be.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ >= 0; }
    // Appends the record whole; false when it did not go in whole (the disk is full, say).
    bool Append(const std::string& record);

  private:
    intptr_t file_ = -1;
};
