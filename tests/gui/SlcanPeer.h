#pragma once

// An SLCAN adapter played on a pseudo-terminal, for tests of live traffic:
// the program opens the terminal's other end as the adapter's serial port.

#include "canlog/CanFrame.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace cac::testing {

// A frame as an SLCAN adapter sends it, stamped or not.
inline QByteArray SlcanLine(const CanFrame& f, int stampMs) {
    QByteArray line;
    line += f.remote ? (f.extended ? 'R' : 'r') : (f.extended ? 'T' : 't');
    line += QByteArray::number(f.id, 16).toUpper().rightJustified(f.extended ? 8 : 3, '0');
    line += char('0' + f.length);
    for (int i = 0; !f.remote && i < f.length; ++i)
        line += QByteArray::number(f.data[i], 16).toUpper().rightJustified(2, '0');
    if (stampMs >= 0)
        line += QByteArray::number(stampMs, 16).toUpper().rightJustified(4, '0');
    return line + '\r';
}

// The adapter's end of a pseudo-terminal: the program opens the other end
// as the adapter's serial port.
class SlcanPeer {
public:
    SlcanPeer() : m_fd(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_fd >= 0 && (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0))
            hangUp();
    }
    ~SlcanPeer() { hangUp(); }
    bool isValid() const { return m_fd >= 0; }
    QString device() const { return QString::fromLocal8Bit(::ptsname(m_fd)); }
    // What the program sent so far.
    QByteArray received() {
        char buffer[256];
        qsizetype got;
        while (m_fd >= 0 && (got = ::read(m_fd, buffer, sizeof buffer)) > 0)
            m_received.append(buffer, got);
        return m_received;
    }
    // Sends while the program reads: the terminal holds a few kilobytes only.
    bool send(const QByteArray& bytes) {
        qsizetype sent = 0;
        for (int spins = 0; sent < bytes.size() && spins < 100000; ++spins) {
            const qsizetype n = ::write(m_fd, bytes.constData() + sent, bytes.size() - sent);
            if (n > 0)
                sent += n;
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return sent == bytes.size();
    }
    // The adapter unplugged.
    void hangUp() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
    QByteArray m_received;
};

} // namespace cac::testing
