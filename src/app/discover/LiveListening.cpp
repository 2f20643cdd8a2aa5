#include "app/discover/LiveListening.h"

#include "app/live/LiveCanSource.h"
#include "canlog/CandumpWriter.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

namespace cac::app {

namespace {
qint64 monotonicMs() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

LiveListening::LiveListening(QObject* parent) : QObject(parent) {}

LiveListening::~LiveListening() {
    stop();
}

bool LiveListening::start(std::unique_ptr<LiveCanSource> source, QString* error) {
    stop();
    m_traffic = LiveTraffic();
    m_recorded = 0;
    m_passedOver = 0;
    m_paused = false;
    m_recording = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                   QStringLiteral("/can-adapter-live-XXXXXX.log"));
    if (!m_recording->open()) {
        *error = m_recording->errorString();
        m_recording.reset();
        return false;
    }
    m_source = std::move(source);
    m_title = m_source->title();
    m_startDate = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    m_started = monotonicMs();
    LiveCanSource* live = m_source.get();
    connect(live, &LiveCanSource::framesArrived, this, &LiveListening::take);
    connect(live, &LiveCanSource::connected, this, &LiveListening::connected);
    connect(live, &LiveCanSource::closed, this, &LiveListening::ended);
    return live->open(error);
}

void LiveListening::stop() {
    if (m_source && m_source->isOpen())
        m_source->close();
}

bool LiveListening::isListening() const {
    return m_source && m_source->isOpen();
}

double LiveListening::now() const {
    // The latest frame's time moved on by what passed since it came: the
    // frames' own clock, whether the adapter stamps them or not.
    if (m_traffic.frames() == 0)
        return double(monotonicMs() - m_started) / 1000.0;
    return m_traffic.lastTime() + double(monotonicMs() - m_lastArrival) / 1000.0;
}

void LiveListening::take(const QList<CanFrame>& frames) {
    if (m_paused) {
        m_passedOver += frames.size();
        emit framesTaken();
        return;
    }
    if (frames.isEmpty())
        return;
    QByteArray lines;
    for (const CanFrame& frame : frames) {
        m_traffic.add(frame);
        lines += CandumpLine(frame, m_startDate);
    }
    if (m_recording)
        m_recording->write(lines);
    m_recorded += frames.size();
    m_lastArrival = monotonicMs();
    emit framesTaken();
}

bool LiveListening::saveRecording(const QString& path, QString* error) {
    if (!m_recording) {
        *error = QStringLiteral("nothing was recorded");
        return false;
    }
    m_recording->flush();
    QFile in(m_recording->fileName());
    QSaveFile out(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    constexpr qint64 Chunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray block = in.read(Chunk);
        if (block.isEmpty() || out.write(block) != block.size()) {
            *error = block.isEmpty() ? in.errorString() : out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace cac::app
