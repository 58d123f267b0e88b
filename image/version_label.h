#pragma once

#include <cstdint>

#include <QString>

// "V<major>.<minor>.<patch>" from bits 15-8, 7-4 and 3-0 of a firmware version word, each in
// lower-case hexadecimal without leading zeros: 0x1A5F gives "V1a.5.f".
QString FormatVersionLabel(uint16_t word);
