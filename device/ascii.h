#pragma once

#include <string>

// Device paths and GUID texts are ASCII; other bytes (UTF-8 names) pass through unchanged.
inline std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}
