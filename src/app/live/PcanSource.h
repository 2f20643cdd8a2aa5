#pragma once

#include "app/live/LiveCanSource.h"
#include "live/PcanBasicValues.h"

#include <QElapsedTimer>
#include <QTimer>

namespace cac::app {

// A PEAK PCAN channel through PCAN-Basic: initialised at the bit rate,
// its receive queue emptied a few dozen times a second (a read never
// waits), uninitialised on Disconnect.
class PcanSource final : public LiveCanSource {
    Q_OBJECT
public:
    PcanSource(pcan::Handle channel, QString title, int bitRate, QObject* parent = nullptr);
    ~PcanSource() override;

    bool open(QString* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString title() const override { return m_title; }
    QStringList notes() const override;

private:
    void poll();
    void end(const QString& reason);

    pcan::Handle m_channel;
    QString m_title;
    int m_bitRate;
    bool m_open = false;
    QTimer m_poll;
    QElapsedTimer m_clock;
    bool m_timed = false;
    double m_offset = 0; // the library's clock to seconds since opening
    QString m_busState;  // the last bus state reported, e.g. error passive
};

} // namespace cac::app
