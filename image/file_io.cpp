#include "image/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "image/file_faults.h"

namespace fs = std::filesystem;

FilePtr OpenForReading(const char* path) {
    if (path == nullptr || TakeFileFault(FileFault::kOpen, path)) {
        return nullptr;
    }
    return FilePtr(std::fopen(path, "rb"));
}

SizeResult SizeOfFile(const char* path, size_t* size) {
    std::error_code error;
    const fs::path where(path);
    if (!fs::is_regular_file(where, error)) {
        return SizeResult::kUnknown;
    }
    const uintmax_t bytes = fs::file_size(where, error);
    if (error) {
        return SizeResult::kUnknown;
    }
    if (bytes > kMaxFileSize) {
        return SizeResult::kTooLarge;
    }
    *size = static_cast<size_t>(bytes);
    return SizeResult::kOk;
}

bool ReadExactly(std::FILE* file, uint8_t* data, size_t size) {
    return std::fread(data, 1, size, file) == size;
}

ReadResult ReadWholeFile(const char* path, Bytes* bytes, size_t unit) {
    const FilePtr file = OpenForReading(path);
    if (!file) {
        return ReadResult::kOpenFailed;
    }
    size_t size = 0;
    switch (SizeOfFile(path, &size)) {
        case SizeResult::kOk:
            break;
        case SizeResult::kTooLarge:
            return ReadResult::kTooLarge;
        case SizeResult::kUnknown:
            return ReadResult::kReadFailed;
    }
    const size_t rounded = unit > 1 ? (size + unit - 1) / unit * unit : size;
    if (rounded > kMaxFileSize) {
        return ReadResult::kTooLarge;
    }
    std::unique_ptr<uint8_t[]> data(
        TakeFileFault(FileFault::kNoMemory, path) ? nullptr : new (std::nothrow) uint8_t[rounded]);
    if (!data) {
        return ReadResult::kNoMemory;
    }
    if (!ReadExactly(file.get(), data.get(), size)) {
        return ReadResult::kReadFailed;
    }
    std::memset(data.get() + size, 0, rounded - size);
    bytes->data = std::move(data);
    bytes->size = rounded;
    return ReadResult::kOk;
}

static WriteResult WriteAndClose(FilePtr file, const uint8_t* data, size_t size) {
    const bool written = std::fwrite(data, 1, size, file.get()) == size;
    // Buffered bytes may only fail to reach the disk at close.
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? WriteResult::kOk : WriteResult::kWriteFailed;
}

static bool IsRegularOrMissing(const char* path) {
    std::error_code error;
    const fs::file_type type = fs::symlink_status(fs::path(path), error).type();
    return type == fs::file_type::regular || type == fs::file_type::not_found;
}

// A new file beside path that no one else uses; null when the directory refuses it.
static FilePtr CreateTempBeside(const char* path, std::string* tempPath) {
    static std::atomic<uint64_t> serial{
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = std::string(path) + ".part" + std::to_string(serial++);
        errno = 0;
        if (std::FILE* file = std::fopen(tempPath->c_str(), "wbx")) {
            return FilePtr(file);
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return nullptr;
}

WriteResult ReplaceFile(const char* path, const uint8_t* data, size_t size) {
    if (path == nullptr) {
        return WriteResult::kOpenFailed;
    }
    if (!IsRegularOrMissing(path)) {
        FilePtr file(std::fopen(path, "wb"));
        if (!file) {
            return WriteResult::kOpenFailed;
        }
        return WriteAndClose(std::move(file), data, size);
    }
    std::string tempPath;
    FilePtr temp = CreateTempBeside(path, &tempPath);
    if (!temp) {
        return WriteResult::kOpenFailed;
    }
    const WriteResult written = WriteAndClose(std::move(temp), data, size);
    if (written != WriteResult::kOk) {
        std::remove(tempPath.c_str());
        return written;
    }
    std::error_code error;
    fs::rename(fs::path(tempPath), fs::path(path), error);
    if (error) {
        std::remove(tempPath.c_str());
        return WriteResult::kOpenFailed;
    }
    return WriteResult::kOk;
}
