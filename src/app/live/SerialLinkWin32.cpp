// The serial link through the Win32 serial API: the port is opened as the
// port probe opens it, and a thread of its own reads it with a short total
// time-out, so that it also sees the window's writes and its stop between
// reads. The window never waits on the port, except for that short read
// when the link is destroyed.
#include "app/live/SerialLink.h"

#include "app/platform/SerialPortDevices.h"

#include <QMutex>
#include <QThread>
#include <utility>

#include <windows.h>

namespace cac::app {

namespace {

constexpr DWORD ReadWaitMs = 50;

QString SystemError(DWORD code) {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed()
                           : QStringLiteral("system error %1").arg(code);
    ::LocalFree(text);
    return message;
}

// Owns the port's handle from open to close.
class PortReader final : public QThread {
    Q_OBJECT
public:
    explicit PortReader(HANDLE port) : m_port(port) {}

    void queue(const QByteArray& bytes) {
        const QMutexLocker lock(&m_mutex);
        m_pending += bytes;
    }
    void stop(const QByteArray& last) {
        const QMutexLocker lock(&m_mutex);
        m_pending += last;
        m_stop = true;
    }

signals:
    void received(const QByteArray& bytes);
    void ended(const QString& reason);

protected:
    void run() override {
        QByteArray buffer(4096, Qt::Uninitialized);
        for (;;) {
            bool stopping = false;
            if (!writePending(&stopping) || stopping)
                break;
            DWORD got = 0;
            if (!::ReadFile(m_port, buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
                emit ended(SystemError(::GetLastError()));
                break;
            }
            if (got > 0) {
                emit received(buffer.left(int(got)));
                continue;
            }
            // Nothing came: the port may be gone. A vanished device does not
            // always fail the read (a closed pseudo-terminal under Wine keeps
            // giving nothing), but asking for the port's state fails then.
            DWORD errors = 0;
            COMSTAT state{};
            if (!::ClearCommError(m_port, &errors, &state)) {
                emit ended(SystemError(::GetLastError()));
                break;
            }
        }
        ::CloseHandle(m_port);
    }

private:
    bool writePending(bool* stopping) {
        QByteArray bytes;
        {
            const QMutexLocker lock(&m_mutex);
            bytes = std::exchange(m_pending, QByteArray());
            *stopping = m_stop;
        }
        DWORD written = 0;
        if (!bytes.isEmpty() &&
            !::WriteFile(m_port, bytes.constData(), DWORD(bytes.size()), &written, nullptr)) {
            if (!*stopping)
                emit ended(SystemError(::GetLastError()));
            return false;
        }
        return true;
    }

    HANDLE m_port;
    QMutex m_mutex;
    QByteArray m_pending;
    bool m_stop = false;
};

class Win32SerialLink final : public SerialLink {
public:
    using SerialLink::SerialLink;
    ~Win32SerialLink() override {
        if (m_reader) {
            m_reader->stop({});
            m_reader->wait(); // at most one short read
            delete m_reader;
        }
    }

    bool open(const QString& device, QString* error) override {
        const std::wstring path = Win32DevicePath(device).toStdWString();
        const HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (port == INVALID_HANDLE_VALUE) {
            *error = SystemError(::GetLastError());
            return false;
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ::GetCommState(port, &dcb);
        dcb.BaudRate = CBR_115200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
        // A read returns what has come as soon as anything has, or nothing
        // after ReadWaitMs.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
        timeouts.ReadTotalTimeoutConstant = ReadWaitMs;
        timeouts.WriteTotalTimeoutConstant = 500;
        if (!::SetCommState(port, &dcb) || !::SetCommTimeouts(port, &timeouts)) {
            *error = SystemError(::GetLastError());
            ::CloseHandle(port);
            return false;
        }
        m_reader = new PortReader(port);
        connect(m_reader, &PortReader::received, this, &SerialLink::received);
        connect(m_reader, &PortReader::ended, this, &SerialLink::ended);
        m_reader->start();
        return true;
    }

    void write(const QByteArray& bytes) override {
        if (m_reader)
            m_reader->queue(bytes);
    }

    void close(const QByteArray& last) override {
        if (!m_reader)
            return;
        m_reader->disconnect(this);
        m_reader->stop(last);
    }

private:
    PortReader* m_reader = nullptr;
};

} // namespace

SerialLink* SerialLink::create(QObject* parent) {
    return new Win32SerialLink(parent);
}

} // namespace cac::app

#include "SerialLinkWin32.moc"
