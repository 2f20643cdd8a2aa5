#pragma once

#include "canlog/CanFrame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The ASCII protocol of the low-cost USB-CAN adapters (CANable, CANtact,
// USBtin, CANUSB): commands and answers end in a carriage return, an error
// answer is a BEL; received frames are lines "tIIILDD..", "TIIIIIIIILDD..",
// "rIIIL", "RIIIIIIIIL", each with an optional 4-hex-digit time stamp in
// milliseconds.
namespace cac::slcan {

// The bit rates an adapter sets with S0 to S8, in bit/s, in code order.
QList<int> BitRates();
// The code (0 to 8) of a bit rate, -1 when no S command sets it.
int BitRateCode(int bitsPerSecond);

// One received line (without its carriage return) as a frame; false for
// anything else. `stampMs` is the line's time stamp, or -1 without one.
bool ParseFrameLine(QByteArrayView line, CanFrame* frame, int* stampMs);

// One connection's talk with an adapter: the commands that open and close
// the channel, and the frames in the bytes that come back. Only commands
// that configure and listen are ever sent: never a frame.
class Session {
public:
    explicit Session(int bitRateCode);

    // Close (in case it was left open), bit rate, open.
    QByteArray openCommands() const;
    static QByteArray closeCommand();

    // The frames completed by `bytes`; a frame without a time stamp gets
    // `now` (seconds), stamped frames keep their spacing from the first.
    QList<CanFrame> feed(QByteArrayView bytes, double now);

    // Why the adapter would not listen (it answered the bit rate or the
    // open command with an error); empty while all is well.
    QString refusal() const { return m_refusal; }
    // Every command answered without a refusal, or frames arriving.
    bool listening() const { return m_unanswered == 0 && m_refusal.isEmpty(); }
    qint64 malformed() const { return m_malformed; }
    QString firstMalformed() const { return m_firstMalformed; }

private:
    void takeLine(QByteArrayView line, double now, QList<CanFrame>* frames);
    void takeAnswer(bool error);
    void countMalformed(QByteArrayView line);
    double stampedTime(int stampMs, double now);

    int m_code;
    int m_unanswered = 3; // C, S and O, in that order
    QByteArray m_line;
    bool m_overlong = false;
    QString m_refusal;
    qint64 m_malformed = 0;
    QString m_firstMalformed;
    // Time stamps count milliseconds round a minute (some adapters 65.536 s).
    bool m_stamped = false;
    int m_lastStamp = 0;
    int m_period = 60000;
    qint64 m_elapsedMs = 0;
    double m_firstTime = 0;
};

} // namespace cac::slcan
