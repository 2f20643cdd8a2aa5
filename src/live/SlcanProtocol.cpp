#include "live/SlcanProtocol.h"

namespace cac::slcan {

namespace {

constexpr char Bell = '\a';
constexpr char Return = '\r';
// The longest frame line is "T" + 8 + 1 + 16 + 4 characters; anything much
// longer is noise and is not kept growing.
constexpr qsizetype LongestLine = 64;

// The value of `count` hex digits at `from`, -1 when one is not a hex digit.
qint64 HexValue(QByteArrayView text, qsizetype from, qsizetype count) {
    qint64 value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

QList<int> BitRates() {
    return {10000, 20000, 50000, 100000, 125000, 250000, 500000, 800000, 1000000};
}

int BitRateCode(int bitsPerSecond) {
    return static_cast<int>(BitRates().indexOf(bitsPerSecond));
}

bool ParseFrameLine(QByteArrayView line, CanFrame* frame, int* stampMs) {
    if (line.isEmpty())
        return false;
    const char kind = line[0];
    const bool extended = kind == 'T' || kind == 'R';
    const bool remote = kind == 'r' || kind == 'R';
    if (!extended && !remote && kind != 't')
        return false;
    const qsizetype idDigits = extended ? 8 : 3;
    if (line.size() < 1 + idDigits + 1)
        return false;
    const qint64 id = HexValue(line, 1, idDigits);
    if (id < 0 || id > (extended ? 0x1FFFFFFF : 0x7FF))
        return false;
    const char lengthDigit = line[1 + idDigits];
    if (lengthDigit < '0' || lengthDigit > '8')
        return false;
    const int length = lengthDigit - '0';
    const qsizetype dataStart = 2 + idDigits;
    const qsizetype dataEnd = dataStart + (remote ? 0 : 2 * length);
    if (line.size() != dataEnd && line.size() != dataEnd + 4)
        return false;
    CanFrame out;
    out.id = static_cast<std::uint32_t>(id);
    out.extended = extended;
    out.remote = remote;
    out.length = static_cast<std::uint8_t>(length);
    for (int i = 0; !remote && i < length; ++i) {
        const qint64 byte = HexValue(line, dataStart + 2 * i, 2);
        if (byte < 0)
            return false;
        out.data[i] = static_cast<std::uint8_t>(byte);
    }
    int stamp = -1;
    if (line.size() == dataEnd + 4) {
        stamp = static_cast<int>(HexValue(line, dataEnd, 4));
        if (stamp < 0)
            return false;
    }
    *frame = out;
    *stampMs = stamp;
    return true;
}

Session::Session(int bitRateCode) : m_code(bitRateCode) {}

QByteArray Session::openCommands() const {
    return closeCommand() + 'S' + QByteArray::number(m_code) + Return + "O\r";
}

QByteArray Session::closeCommand() {
    return QByteArrayLiteral("C\r");
}

QList<CanFrame> Session::feed(QByteArrayView bytes, double now) {
    QList<CanFrame> frames;
    for (const char c : bytes) {
        if (c == Return || c == Bell) {
            if (m_overlong) {
                ++m_malformed;
            } else if (c == Bell) {
                if (!m_line.isEmpty())
                    countMalformed(m_line); // cut short by the error answer
                takeAnswer(true);
            } else {
                takeLine(m_line, now, &frames);
            }
            m_line.clear();
            m_overlong = false;
        } else if (c == '\n') {
            continue; // some adapters end their lines with CR LF
        } else if (m_line.size() < LongestLine) {
            m_line.append(c);
        } else {
            if (!m_overlong && m_malformed == 0)
                m_firstMalformed = QString::fromLatin1(m_line.left(32)) + QStringLiteral("\u2026");
            m_overlong = true;
        }
    }
    return frames;
}

void Session::takeLine(QByteArrayView line, double now, QList<CanFrame>* frames) {
    if (line.isEmpty())
        return takeAnswer(false);
    CanFrame frame;
    int stamp = -1;
    if (!ParseFrameLine(line, &frame, &stamp))
        return countMalformed(line);
    m_unanswered = 0; // listening: answers to our commands are past
    frame.time = stamp < 0 ? now : stampedTime(stamp, now);
    frames->append(frame);
}

void Session::countMalformed(QByteArrayView line) {
    if (m_malformed++ == 0)
        m_firstMalformed = QString::fromLatin1(line.toByteArray());
}

void Session::takeAnswer(bool error) {
    if (m_unanswered == 0)
        return;
    const int command = 3 - m_unanswered--; // 0: C, 1: S, 2: O
    if (!error || command == 0)
        return; // closing a channel that was not open is refused, and harmless
    m_unanswered = 0;
    m_refusal = command == 1 ? QStringLiteral("the adapter refused the bit rate (S%1)").arg(m_code)
                             : QStringLiteral("the adapter refused to open the channel (O)");
}

double Session::stampedTime(int stampMs, double now) {
    if (stampMs >= 60000)
        m_period = 65536;
    if (!m_stamped) {
        m_stamped = true;
        m_firstTime = now;
    } else {
        // Spacing beyond a whole period (no frame for a minute) cannot be seen.
        m_elapsedMs += (stampMs - m_lastStamp + m_period) % m_period;
    }
    m_lastStamp = stampMs;
    return m_firstTime + m_elapsedMs / 1000.0;
}

} // namespace cac::slcan
