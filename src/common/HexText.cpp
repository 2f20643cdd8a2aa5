#include "common/HexText.h"

namespace cac {

QString HexDigits(qint64 value) {
    return QString::number(value, 16).toUpper();
}

QString HexNumber(qint64 value) {
    return QStringLiteral("0x") + HexDigits(value);
}

} // namespace cac
