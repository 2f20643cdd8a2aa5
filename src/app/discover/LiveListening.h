#pragma once

#include "app/live/LiveInterfaces.h"
#include "discover/LiveTraffic.h"

#include <QObject>
#include <QString>

#include <memory>

class QTemporaryFile;

namespace cac::app {

class LiveCanSource;

// Listening to a CAN interface to find its signals: the frames kept for the
// analysis (LiveTraffic) and every frame written to a candump recording on
// disk as it arrives, so that an hour at the car costs disk, not memory.
// Paused, the interface stays open and its frames are passed over. Only ever
// listens: nothing is sent on the bus.
class LiveListening : public QObject {
    Q_OBJECT
public:
    explicit LiveListening(QObject* parent = nullptr);
    ~LiveListening() override;

    // Opens the interface; false, with `error` set, when it cannot even be
    // opened. connected() follows once it listens.
    bool start(std::unique_ptr<LiveCanSource> source, QString* error);
    // Closes the interface; the traffic and the recording stay until the
    // next start.
    void stop();
    bool isListening() const;
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }

    QString title() const { return m_title; }
    const LiveTraffic& traffic() const { return m_traffic; }
    // The time now on the frames' clock (seconds since listening began).
    double now() const;
    qint64 recorded() const { return m_recorded; }
    qint64 passedOver() const { return m_passedOver; } // while paused
    // Copies the recording so far to `path`; false with `error` when it
    // cannot be written.
    bool saveRecording(const QString& path, QString* error);

signals:
    void connected();
    // New frames were taken (not while paused).
    void framesTaken();
    // Listening ended: `reason` is empty when stop() asked for it.
    void ended(const QString& reason);

private:
    void take(const QList<CanFrame>& frames);

    std::unique_ptr<LiveCanSource> m_source;
    LiveTraffic m_traffic;
    std::unique_ptr<QTemporaryFile> m_recording;
    double m_startDate = 0;   // seconds since 1970 when listening began
    qint64 m_started = 0;     // the monotonic clock then, in ms
    qint64 m_lastArrival = 0; // and when the latest frames came
    QString m_title;
    qint64 m_recorded = 0, m_passedOver = 0;
    bool m_paused = false;
};

} // namespace cac::app
