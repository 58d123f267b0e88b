#include "image/file_io.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <new>
#include <string>

#include "image/file_faults.h"
#include "image/file_io_platform.h"

FilePtr OpenForReading(const char* path) {
    if (path == nullptr || TakeFileFault(FileFault::kOpen, path)) {
        return nullptr;
    }
    return FilePtr(OpenPath(path, FileAccess::kRead));
}

SizeResult SizeOfFile(std::FILE* file, size_t* size) {
    uint64_t bytes = 0;
    if (!RegularFileSize(file, &bytes)) {
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
    switch (SizeOfFile(file.get(), &size)) {
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

namespace {

WriteResult WriteAndClose(FilePtr file, const uint8_t* data, size_t size) {
    const bool written = std::fwrite(data, 1, size, file.get()) == size;
    // Buffered bytes may only fail to reach the disk at close.
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? WriteResult::kOk : WriteResult::kWriteFailed;
}

// A new file beside path that no one else uses; null when the directory refuses it.
FilePtr CreateTempBeside(const char* path, std::string* tempPath) {
    static std::atomic<uint64_t> serial{
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = std::string(path) + ".part" + std::to_string(serial++);
        bool nameTaken = false;
        if (std::FILE* file = CreateNewFile(tempPath->c_str(), &nameTaken)) {
            return FilePtr(file);
        }
        if (!nameTaken) {
            break;
        }
    }
    return nullptr;
}

}  // namespace

WriteResult ReplaceFile(const char* path, const uint8_t* data, size_t size) {
    if (path == nullptr) {
        return WriteResult::kOpenFailed;
    }
    switch (KindOfTarget(path)) {
        case TargetKind::kMissing:
        case TargetKind::kRegular:
            break;
        case TargetKind::kReadOnly:
            return WriteResult::kOpenFailed;
        case TargetKind::kOther: {
            FilePtr file(OpenPath(path, FileAccess::kWrite));
            if (!file) {
                return WriteResult::kOpenFailed;
            }
            return WriteAndClose(std::move(file), data, size);
        }
    }
    std::string tempPath;
    FilePtr temp = CreateTempBeside(path, &tempPath);
    if (!temp) {
        return WriteResult::kOpenFailed;
    }
    const WriteResult written = WriteAndClose(std::move(temp), data, size);
    if (written != WriteResult::kOk) {
        RemoveFile(tempPath.c_str());
        return written;
    }
    if (!MoveOver(tempPath.c_str(), path)) {
        RemoveFile(tempPath.c_str());
        return WriteResult::kOpenFailed;
    }
    return WriteResult::kOk;
}
