#pragma once

#include "image/file_codes.h"

// Copies src to dst unchanged. Returns
//    0 on success;
//   -1 when src cannot be read completely or dst cannot be written;
//   -2 when memory for the contents cannot be obtained;
//   kFileTooLarge (-4) for a source of 2 GiB or more.
// dst is replaced only by a complete copy; src and dst may name the same file.
int CopyFwFile(const char* src, const char* dst);
