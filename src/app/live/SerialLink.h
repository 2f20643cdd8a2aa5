#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace cac::app {

// A serial port as a pipe of bytes, read without ever blocking the window:
// QSerialPort on the event loop where Qt has it, the Win32 serial API on a
// reader thread on Windows (the Windows build has qtbase alone).
class SerialLink : public QObject {
    Q_OBJECT
public:
    // The platform's link.
    static SerialLink* create(QObject* parent);

    using QObject::QObject;
    // The port at `device` (a path, or "COM3"), 115200 bit/s, 8N1.
    virtual bool open(const QString& device, QString* error) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Writes `last` and closes; nothing is received after it.
    virtual void close(const QByteArray& last) = 0;

signals:
    void received(const QByteArray& bytes);
    // The port went away or could not be read any more.
    void ended(const QString& reason);
};

} // namespace cac::app
