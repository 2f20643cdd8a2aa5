#pragma once

#include <QByteArray>
#include <QString>

namespace cac {

// Writes bytes to path through a temporary file in the same folder and
// replaces the target only when every byte has reached the disk, so a failed
// write (full disk, read-only folder) leaves an earlier file byte-identical
// and no reader ever sees a half-written file. Returns false on failure.
bool WriteFileSafely(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace cac
