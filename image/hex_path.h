#pragma once

#include <QString>

// True when the path names an Intel HEX file: its upper-cased form matches ".*.HEX" as a whole,
// so any path of at least four characters ending in hex, in any case and with or without a dot.
bool IsHexPath(const QString& path);
