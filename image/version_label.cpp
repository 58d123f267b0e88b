#include "image/version_label.h"

#include "image/fw_image.h"
#include "image/hex_path.h"

QString FormatVersionLabel(uint16_t word) {
    const QChar fill(QLatin1Char('0'));
    return QStringLiteral("V%1.%2.%3")
        .arg(word >> 8, 1, 16, fill)
        .arg((word >> 4) & 0xF, 1, 16, fill)
        .arg(word & 0xF, 1, 16, fill);
}

std::optional<uint16_t> FileVersionWord(const QString& path) {
    if (IsHexPath(path)) {
        return std::nullopt;
    }
    const int version = ReadFwVersion(path.toLocal8Bit().constData());
    return version < 0 ? std::nullopt : std::optional<uint16_t>(static_cast<uint16_t>(version));
}
