#pragma once

// What the fuzz targets share: a scratch directory of the process's own (the file routines take
// paths), whole-file access, and a check that stops the run when a promise is broken.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The path of name inside a directory made for this process under the system's temporary
// directory; the directory goes when the process ends.
std::string ScratchPath(const std::string& name);

void WriteFile(const std::string& path, const uint8_t* data, size_t size);
// Keeps the file's first `offset` bytes and puts these after them, as its new end.
void ReplaceTail(const std::string& path, size_t offset, const uint8_t* data, size_t size);
// False when the file cannot be read.
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);
bool FileExists(const std::string& path);
// How many entries the scratch directory holds.
size_t ScratchEntries();
void RemoveFile(const std::string& path);

// Aborts with the promise's text, which libFuzzer reports as a crash with its input.
void Require(bool holds, const char* promise);
