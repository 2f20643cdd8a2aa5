#include "common/SafeFileWrite.h"

#include <QSaveFile>

namespace cac {

bool WriteFileSafely(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // commit() alone still renames after a failed final flush, so the flush is
    // checked separately.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
        file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace cac
