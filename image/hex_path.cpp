#include "image/hex_path.h"

#include <QRegExp>

bool IsHexPath(const QString& path) {
    QRegExp hexName(QStringLiteral(".*.HEX"), Qt::CaseSensitive, QRegExp::RegExp);
    return hexName.exactMatch(path.toUpper());
}
