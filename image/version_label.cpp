#include "image/version_label.h"

QString FormatVersionLabel(uint16_t word) {
    const QChar fill(QLatin1Char('0'));
    return QStringLiteral("V%1.%2.%3")
        .arg(word >> 8, 1, 16, fill)
        .arg((word >> 4) & 0xF, 1, 16, fill)
        .arg(word & 0xF, 1, 16, fill);
}
