#include "image/file_io_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::FILE* OpenPath(const char* path, FileAccess mode) {
    return std::fopen(path, mode == FileAccess::kRead ? "rb" : "wb");
}

std::FILE* CreateNewFile(const char* path, bool* nameTaken) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    *nameTaken = fd < 0 && errno == EEXIST;
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
        unlink(path);
    }
    return file;
}

TargetKind KindOfTarget(const char* path) {
    struct stat status {};
    if (lstat(path, &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? TargetKind::kMissing : TargetKind::kOther;
    }
    if (!S_ISREG(status.st_mode)) {
        return TargetKind::kOther;
    }
    return access(path, W_OK) == 0 ? TargetKind::kRegular : TargetKind::kReadOnly;
}

bool MoveOver(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

void RemoveFile(const char* path) {
    std::remove(path);
}

bool RegularFileSize(std::FILE* file, uint64_t* size) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    *size = static_cast<uint64_t>(status.st_size);
    return true;
}

intptr_t OpenForAppend(const char* path) {
    return open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

// One write with O_APPEND: the kernel places it at the end under the file's lock, so records
// of concurrent writers never interleave.
bool AppendWhole(intptr_t file, const void* data, size_t size) {
    return write(static_cast<int>(file), data, size) == static_cast<ssize_t>(size);
}

void CloseAppended(intptr_t file) {
    close(static_cast<int>(file));
}
