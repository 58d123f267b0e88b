#pragma once

#include <cstdint>
#include <optional>

#include <QString>

// "V<major>.<minor>.<patch>" from bits 15-8, 7-4 and 3-0 of a firmware version word, each in
// lower-case hexadecimal without leading zeros: 0x1A5F gives "V1a.5.f".
QString FormatVersionLabel(uint16_t word);

// The version word a firmware file carries, as the file-version label shows it: a binary file
// longer than 81925 bytes carries one; a HEX file, or one that cannot be read, carries none.
std::optional<uint16_t> FileVersionWord(const QString& path);
