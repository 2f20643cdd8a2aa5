#pragma once

#include "canlog/CanFrame.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class QCanBusDevice;

namespace cac::app {

// One CAN interface read through Qt SerialBus: connects, hands over the
// classic frames as they arrive (CAN FD frames are counted and skipped),
// and disconnects.
class LiveCanSource : public QObject {
    Q_OBJECT
public:
    explicit LiveCanSource(QObject* parent = nullptr);
    ~LiveCanSource() override;

    // The plugins Qt SerialBus offers, and the interfaces a plugin finds.
    static QStringList plugins();
    static QStringList interfaces(const QString& plugin);

    // Starts connecting; false, with `error` set, when the device cannot
    // even be made or started.
    bool open(const QString& plugin, const QString& interfaceName, QString* error);
    void close();
    bool isOpen() const { return m_device != nullptr; }
    QString plugin() const { return m_plugin; }
    QString interfaceName() const { return m_interface; }
    qint64 fdSkipped() const { return m_fdSkipped; }

signals:
    // Frames timed in seconds since the connection was asked for.
    void framesArrived(const QList<cac::CanFrame>& frames);
    void connected();
    void failed(const QString& reason);
    void closed();

private:
    void readFrames();

    QCanBusDevice* m_device = nullptr;
    QString m_plugin, m_interface;
    QElapsedTimer m_clock;
    qint64 m_fdSkipped = 0;
};

} // namespace cac::app
