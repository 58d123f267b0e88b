#pragma once

// File helpers shared by the firmware file routines. Paths are byte strings in the local 8-bit
// encoding; image/file_io_platform.h hands them to the system.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// Routines that take a whole file refuse one of 2 GiB or more: segment lengths and image sizes
// are signed 32-bit further on.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Binary reading; null for a null path or a file that cannot be opened.
FilePtr OpenForReading(const char* path);

enum class SizeResult { kOk, kUnknown, kTooLarge };
// The size of the open regular file, refused when it exceeds kMaxFileSize.
SizeResult SizeOfFile(std::FILE* file, size_t* size);

// False on a short read, whether from an error or an early end of file.
bool ReadExactly(std::FILE* file, uint8_t* data, size_t size);

struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};
enum class ReadResult { kOk, kOpenFailed, kTooLarge, kNoMemory, kReadFailed };
// The whole file or nothing. With a unit above 1 the buffer is rounded up to a whole number of
// units, the added bytes zero, and size is the rounded length.
ReadResult ReadWholeFile(const char* path, Bytes* bytes, size_t unit = 1);

enum class WriteResult { kOk, kOpenFailed, kWriteFailed };
// Creates or replaces the file at path with exactly these bytes. A regular file (or a new one)
// is written beside under a temporary name and renamed over path, so a failed write leaves the
// earlier file as it was; a file that cannot be opened for writing (read-only) is refused and
// kept; anything else (a device, a link) is written in place.
WriteResult ReplaceFile(const char* path, const uint8_t* data, size_t size);
