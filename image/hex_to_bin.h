#pragma once

// Intel HEX (16-bit addressing only) to a flat binary image, and a plain file copy. Paths are
// byte strings in the local 8-bit encoding.

#include <cstdint>

#include "image/file_codes.h"

// Writes image bytes 0 up to the highest address that received data (at least 1 byte), gaps
// 0xFF; checksums are not verified. Returns
//    0 on success;
//   -1 when the input cannot be read completely, holds an extended address record (02 or 04),
//      a record cut short by the end of the input, or data above 0xFFFF, or when the output
//      cannot be written;
//   kFileTooLarge (-4) for an input of 2 GiB or more.
// The output is written only after the whole input was accepted and replaces any earlier file
// only when completely written.
int HexToBin(const char* hexPath, const char* binPath);

// Two digits, the high one first; a character that is no hexadecimal digit counts as its own
// character code: (high << 4 | low) truncated to 8 bits.
uint8_t HexPairToByte(char high, char low);
