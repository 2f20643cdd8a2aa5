#pragma once

#include "app/live/LiveCanSource.h"

#include <QElapsedTimer>

class QCanBusDevice;

namespace cac::app {

// An interface the system's CAN drivers offer (SocketCAN, a virtual bus):
// connects, hands over the classic frames (CAN FD frames are counted and
// skipped) and disconnects. The bit rate is the system's.
class SerialBusSource final : public LiveCanSource {
    Q_OBJECT
public:
    SerialBusSource(QString plugin, QString interfaceName, QString title,
                    QObject* parent = nullptr);
    ~SerialBusSource() override;

    // The driver plugins, and the interfaces a plugin finds.
    static QStringList plugins();
    static QStringList interfaces(const QString& plugin);

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_device != nullptr; }
    QString title() const override { return m_title; }
    QStringList notes() const override;

private:
    void readFrames();
    void end(const QString& reason);

    QCanBusDevice* m_device = nullptr;
    QString m_plugin, m_interface, m_title;
    QElapsedTimer m_clock;
    qint64 m_fdSkipped = 0;
};

} // namespace cac::app
