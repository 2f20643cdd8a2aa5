#include "common/BoundedFileRead.h"

#include <QFileInfo>
#include <QIODevice>

#include <algorithm>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cac {
namespace {

// The first piece read; each next one is as large as all read before, so a
// large file takes few reads and the buffer never grows past twice the limit.
constexpr qint64 FirstPiece = 64 * 1024;

OpenedFile refused(FileRefusal refusal, const QString& reason) {
    return {nullptr, refusal, reason};
}

OpenedFile missing() {
    return refused(FileRefusal::Missing, QStringLiteral("no such file"));
}

OpenedFile notRegular(const char* kind) {
    return refused(FileRefusal::NotRegular,
                   QStringLiteral("it is %1, not a regular file").arg(QLatin1String(kind)));
}

#ifndef Q_OS_WIN
// Why a file of this kind is not read.
OpenedFile refusedKind(mode_t mode) {
    if (S_ISDIR(mode))
        return refused(FileRefusal::Folder, QStringLiteral("it is a folder, not a file"));
    if (S_ISCHR(mode))
        return notRegular("a character device");
    if (S_ISBLK(mode))
        return notRegular("a block device");
    if (S_ISFIFO(mode))
        return notRegular("a pipe (FIFO)");
    if (S_ISSOCK(mode))
        return notRegular("a socket");
    return notRegular("a special file");
}

OpenedFile cannotOpen(int error) {
    return refused(
        FileRefusal::CannotOpen,
        QStringLiteral("cannot open it: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
}
#endif

} // namespace

OpenedFile OpenRegularFile(const QString& path) {
    if (path.isEmpty())
        return missing();
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a pipe waits for a writer, a terminal or a
    // modem line for its carrier. What is opened is looked at before a byte
    // is read, so nothing that has no end is ever read from.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return missing();
        // A socket cannot be opened at all: say what it is.
        struct stat info {};
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return refusedKind(info.st_mode);
        return cannotOpen(error);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return cannotOpen(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return refusedKind(info.st_mode);
    }
    // A regular file's reads wait for the disk, as they should.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int error = errno;
        ::close(fd);
        return cannotOpen(error);
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused(FileRefusal::CannotOpen,
                       QStringLiteral("cannot open it: %1").arg(file->errorString()));
    }
    return {std::move(file), FileRefusal::None, {}};
#else
    const QFileInfo info(path);
    if (info.isDir())
        return refused(FileRefusal::Folder, QStringLiteral("it is a folder, not a file"));
    if (!info.exists())
        return missing();
    if (!info.isFile())
        return notRegular("a special file");
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return refused(FileRefusal::CannotOpen,
                       QStringLiteral("cannot open it: %1").arg(file->errorString()));
    // A console, a serial port or a pipe opens as a sequential device.
    if (file->isSequential())
        return notRegular("a device or a pipe");
    return {std::move(file), FileRefusal::None, {}};
#endif
}

qint64 BoundedInput::read(char* into, qint64 most) {
    const qint64 room = m_limit + 1 - m_total;
    if (m_failed || room <= 0 || most <= 0)
        return 0;
    const qint64 got = m_device.read(into, std::min(most, room));
    if (got < 0) {
        m_failed = true;
        return 0;
    }
    m_total += got;
    return got;
}

QByteArray ReadBounded(BoundedInput& input) {
    QByteArray bytes;
    for (;;) {
        const qsizetype used = bytes.size();
        const qint64 room = input.limit() + 1 - input.total();
        const qint64 piece = std::min(std::max(FirstPiece, qint64{used}), room);
        if (piece <= 0)
            break;
        bytes.resize(used + piece);
        const qint64 got = input.read(bytes.data() + used, piece);
        bytes.resize(used + got);
        if (got == 0)
            break;
    }
    return bytes;
}

QString TooLargeReason(qint64 limit, const QString& what) {
    return QStringLiteral("it holds more than %1 bytes, too large for %2").arg(limit).arg(what);
}

FileRead ReadRegularFile(const QString& path, qint64 limit, const QString& what) {
    OpenedFile opened = OpenRegularFile(path);
    if (!opened.file)
        return {{}, opened.refusal, opened.reason};
    // The size a regular file reports can only send a large file away early;
    // the bytes read decide, as the file may grow while it is read.
    if (opened.file->size() > limit)
        return {{}, FileRefusal::TooLarge, TooLargeReason(limit, what)};
    BoundedInput input(*opened.file, limit);
    QByteArray bytes = ReadBounded(input);
    if (input.failed())
        return {{},
                FileRefusal::ReadFailed,
                QStringLiteral("cannot read it: %1").arg(opened.file->errorString())};
    if (input.overLimit())
        return {{}, FileRefusal::TooLarge, TooLargeReason(limit, what)};
    return {std::move(bytes), FileRefusal::None, {}};
}

} // namespace cac
