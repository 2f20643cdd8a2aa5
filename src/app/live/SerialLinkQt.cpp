// The serial link through QSerialPort: its notifier reads on the event loop,
// and a vanished device (an unplugged adapter, a closed pseudo-terminal)
// comes as a resource or read error.
#include "app/live/SerialLink.h"

#include <QSerialPort>

namespace cac::app {

namespace {

class QtSerialLink final : public SerialLink {
public:
    explicit QtSerialLink(QObject* parent) : SerialLink(parent), m_port(new QSerialPort(this)) {
        connect(m_port, &QSerialPort::readyRead, this,
                [this] { emit received(m_port->readAll()); });
        connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError)
                return;
            const QString reason = m_port->errorString();
            m_port->close();
            emit ended(reason);
        });
    }

    bool open(const QString& device, QString* error) override {
        m_port->setPortName(device);
        m_port->setBaudRate(115200);
        m_port->setDataBits(QSerialPort::Data8);
        m_port->setParity(QSerialPort::NoParity);
        m_port->setStopBits(QSerialPort::OneStop);
        m_port->setFlowControl(QSerialPort::NoFlowControl);
        if (!m_port->open(QIODevice::ReadWrite)) {
            *error = m_port->errorString();
            return false;
        }
        return true;
    }

    void write(const QByteArray& bytes) override {
        if (m_port->isOpen())
            m_port->write(bytes);
    }

    void close(const QByteArray& last) override {
        if (!m_port->isOpen())
            return;
        m_port->disconnect(this);
        m_port->write(last);
        m_port->flush(); // a few bytes: they go at once
        m_port->close();
    }

private:
    QSerialPort* m_port;
};

} // namespace

SerialLink* SerialLink::create(QObject* parent) {
    return new QtSerialLink(parent);
}

} // namespace cac::app
