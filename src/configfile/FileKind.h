#pragma once

#include <QByteArray>
#include <QString>

namespace cac {

// The files the window opens when it is handed one (on its command line, or
// dropped on it).
enum class FileKind { Unknown, Configuration, CanDatabase, HexImage };

// How many bytes from the start of a file KindOfFile looks at.
inline constexpr qint64 FileKindHeadSize = 4096;

// What a file is, from its first bytes where they tell (a file manager's
// name is not always right), otherwise from the name's extension (.ccf, .dbc,
// .hex, in any letter case).
FileKind KindOfFile(const QString& fileName, const QByteArray& head);

// The kind from the extension alone.
FileKind KindOfName(const QString& fileName);

} // namespace cac
