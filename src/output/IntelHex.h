#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <cstdint>

namespace cac {

inline constexpr std::uint32_t ImageLoadAddress = 0x6000;
inline const QString HexFileName = QStringLiteral("TempConfig.hex");

// Two upper-case hexadecimal digits, from a static table.
QLatin1String HexByte(std::uint8_t value);

// The Intel HEX text of an image loaded at 0x6000: address record, 16-byte
// data records, end record; CR LF after every line but the last.
QByteArray IntelHexText(const QByteArray& image);

// Writes IntelHexText(image) to path through a temporary file, replacing the
// target only when complete. Returns false on failure; an earlier file stays.
bool WriteIntelHex(const QByteArray& image, const QString& path, QString* error = nullptr);

} // namespace cac
