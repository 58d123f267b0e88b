#pragma once

// The one platform part of the file helpers: every call that hands a path to the system. Paths
// are byte strings in the local 8-bit encoding. Linux takes them as they are; Windows decodes
// them with the ANSI code page, as its narrow calls do, and uses the wide-character calls, so the
// name opened, sized, created and replaced is always the same one.

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class FileAccess { kRead, kWrite };
// Binary reading, or binary writing that creates or truncates; null when refused.
std::FILE* OpenPath(const char* path, FileAccess mode);

// Creates path for binary writing only when nothing has that name yet; null when refused,
// *nameTaken saying whether something had the name.
std::FILE* CreateNewFile(const char* path, bool* nameTaken);

enum class TargetKind { kMissing, kRegular, kReadOnly, kOther };
// What a write to path meets, links not followed: nothing, a regular file, a regular file that
// cannot be opened for writing, or anything else (a directory, a device, a link).
TargetKind KindOfTarget(const char* path);

// Renames from to to, replacing a file there.
bool MoveOver(const char* from, const char* to);

void RemoveFile(const char* path);

// The size of an open regular file; false for anything else.
bool RegularFileSize(std::FILE* file, uint64_t* size);

// A file opened for appending records, created when missing; -1 when refused. Each
// AppendWhole lands whole at the file's end, whatever other threads and processes append.
intptr_t OpenForAppend(const char* path);
bool AppendWhole(intptr_t file, const void* data, size_t size);
void CloseAppended(intptr_t file);
