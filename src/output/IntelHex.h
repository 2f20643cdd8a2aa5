#pragma once

#include "common/AdapterMemory.h"

#include <QByteArray>
#include <QString>

namespace cac {

inline const QString HexFileName = QStringLiteral("TempConfig.hex");

// The Intel HEX text of an image loaded at 0x6000: address record, 16-byte
// data records, end record; CR LF after every line but the last.
QByteArray IntelHexText(const QByteArray& image);

// Writes IntelHexText(image) to path through a temporary file, replacing the
// target only when complete. Returns false on failure; an earlier file stays.
bool WriteIntelHex(const QByteArray& image, const QString& path, QString* error = nullptr);

} // namespace cac
