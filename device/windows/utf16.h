#pragma once

#include <string>

// UTF-8 of UTF-16 text (device names, property strings); an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const std::u16string& text);
