#include "image/file_io_platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace {

constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kDevicePathPrefix[] = L"\\\\.\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// An absolute form with the long-path prefix, which the calls need past MAX_PATH; the path itself
// when it is short enough or cannot be made absolute.
std::wstring WithoutLengthLimit(const std::wstring& path) {
    if (StartsWith(path, kLongPathPrefix) || StartsWith(path, kDevicePathPrefix)) {
        return path;
    }
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed || length < MAX_PATH) {
        return path;
    }
    full.resize(length);
    if (StartsWith(full, L"\\\\")) {
        return kLongUncPrefix + full.substr(2);
    }
    return kLongPathPrefix + full;
}

// The name the narrow calls would open, decoded from the ANSI code page. Bytes that are no text
// in it give the empty name, which every call refuses, rather than a look-alike.
std::wstring WidePath(const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length);
    wide.pop_back();  // the terminating zero
    return WithoutLengthLimit(wide);
}

}  // namespace

std::FILE* OpenPath(const char* path, FileAccess mode) {
    // Shared as the narrow fopen shares.
    return _wfsopen(WidePath(path).c_str(), mode == FileAccess::kRead ? L"rb" : L"wb", _SH_DENYNO);
}

// CREATE_NEW rather than fopen's "x" mode, which msvcrt.dll refuses.
std::FILE* CreateNewFile(const char* path, bool* nameTaken) {
    const std::wstring wide = WidePath(path);
    const HANDLE handle =
        CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    *nameTaken = handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileW(wide.c_str());
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
        DeleteFileW(wide.c_str());
    }
    return file;
}

TargetKind KindOfTarget(const char* path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TargetKind::kMissing
                                                                              : TargetKind::kOther;
    }
    if ((attributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return TargetKind::kOther;
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? TargetKind::kReadOnly
                                                       : TargetKind::kRegular;
}

bool MoveOver(const char* from, const char* to) {
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           0;
}

void RemoveFile(const char* path) {
    DeleteFileW(WidePath(path).c_str());
}

bool RegularFileSize(std::FILE* file, uint64_t* size) {
    struct _stat64 status {};
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        return false;
    }
    *size = static_cast<uint64_t>(status.st_size);
    return true;
}

// FILE_APPEND_DATA without FILE_WRITE_DATA: the system moves every write to the end of the file
// as one piece, for all handles that append to it.
intptr_t OpenForAppend(const char* path) {
    const HANDLE file = CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(file);
}

bool AppendWhole(intptr_t file, const void* data, size_t size) {
    DWORD written = 0;
    return size <= MAXDWORD &&
           WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(size), &written,
                     nullptr) != 0 &&
           written == size;
}

void CloseAppended(intptr_t file) {
    CloseHandle(reinterpret_cast<HANDLE>(file));
}
