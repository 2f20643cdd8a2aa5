#pragma once

// The one way every reader of the program takes bytes from a file: only a
// regular file is opened, without ever waiting on a pipe or a device, and no
// more is read than the format allows, however large the file says it is or
// however long it keeps growing.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

class QIODevice;

namespace cac {

// Why a file was not read.
enum class FileRefusal {
    None,
    Missing,
    Folder,
    NotRegular, // a device, a pipe or a socket: it may never end, or never begin
    CannotOpen,
    TooLarge, // more bytes were read than the format allows
    ReadFailed,
};

// A file opened for reading, or why it could not be.
struct OpenedFile {
    std::unique_ptr<QFile> file; // open, read-only, blocking reads; null when refused
    FileRefusal refusal = FileRefusal::None;
    QString reason; // a clause such as "it is a folder, not a file"; empty when opened
};

// Opens path when it names a regular file (through links). Never blocks: a
// pipe without a writer, a terminal or a device is looked at without waiting
// and refused. Stream readers read the file in pieces through BoundedInput.
OpenedFile OpenRegularFile(const QString& path);

// Reads a device in pieces and stops after `limit` + 1 bytes, whatever the
// device would still give: one byte past the limit is enough to know the
// input is larger than its format allows.
class BoundedInput {
public:
    BoundedInput(QIODevice& device, qint64 limit) : m_device(device), m_limit(limit) {}

    // Up to `most` bytes into `into`; 0 at the end, after an error or once
    // `limit` + 1 bytes have been read in all.
    qint64 read(char* into, qint64 most);
    // More than `limit` bytes were there.
    bool overLimit() const { return m_total > m_limit; }
    bool failed() const { return m_failed; }
    qint64 total() const { return m_total; }
    qint64 limit() const { return m_limit; }

private:
    QIODevice& m_device;
    qint64 m_limit;
    qint64 m_total = 0;
    bool m_failed = false;
};

// At most `limit` + 1 bytes of the device, from where it stands.
QByteArray ReadBounded(BoundedInput& input);

// The bytes of a file, or why there are none.
struct FileRead {
    QByteArray bytes;
    FileRefusal refusal = FileRefusal::None;
    QString reason;
    bool ok() const { return refusal == FileRefusal::None; }
};

// The whole file when it is a regular file of at most `limit` bytes. `what`
// names what such a file is ("a configuration file") for the reason given
// when it is larger.
FileRead ReadRegularFile(const QString& path, qint64 limit, const QString& what);

// The reason for a file that holds more than `limit` bytes.
QString TooLargeReason(qint64 limit, const QString& what);

} // namespace cac
