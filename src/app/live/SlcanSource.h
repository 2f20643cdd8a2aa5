#pragma once

#include "app/live/LiveCanSource.h"
#include "live/SlcanProtocol.h"

#include <QElapsedTimer>
#include <QTimer>

#include <optional>

namespace cac::app {

class SerialLink;

// An SLCAN adapter on a serial port: the channel closed in case it was left
// open, the bit rate set, the channel opened; its frame lines read; the
// channel closed again on Disconnect.
class SlcanSource final : public LiveCanSource {
    Q_OBJECT
public:
    SlcanSource(QString device, QString title, int bitRate, QObject* parent = nullptr);
    ~SlcanSource() override;

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_link != nullptr; }
    QString title() const override { return m_title; }
    QStringList notes() const override;

private:
    void take(const QByteArray& bytes);
    void end(const QString& reason);

    QString m_device, m_title;
    int m_bitRate;
    SerialLink* m_link = nullptr;
    std::optional<slcan::Session> m_session;
    QElapsedTimer m_clock;
    QTimer m_silence; // an adapter that does not answer commands is taken as listening
    bool m_listening = false;
    qint64 m_malformedShown = 0;
};

} // namespace cac::app
