#pragma once

#include "discover/LogDiscovery.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace cac::app {

// One analysis done by the worker: the log, what it found, and the fields
// ranked against each OBD parameter answered in it.
struct DiscoverOutcome {
    int generation = 0;
    QString path; // empty for live traffic
    LogDiscovery run;
    QList<ReferenceMatches> obd; // in PID order
};

// Finds the signals of a log on a thread of its own (the Windows build's Qt
// has no QtConcurrent), so the window keeps answering however long the log
// is. Progress and the outcome come back on the window's thread with the
// job's generation, so that late answers of a dropped job can be told.
class DiscoverWorker : public QObject {
    Q_OBJECT
public:
    explicit DiscoverWorker(QObject* parent = nullptr);
    ~DiscoverWorker() override;

    void start(int generation, const QString& path);
    // The frames of live traffic kept so far; no progress is reported.
    void startFrames(int generation, std::shared_ptr<const std::vector<cac::CanFrame>> frames);
    // Stops the running job at its next step; it reports nothing.
    void cancel() { m_wanted = -1; }

signals:
    void progressed(int generation, int percent);
    void finished(std::shared_ptr<cac::app::DiscoverOutcome> outcome);

private:
    void run(int generation, const QString& path,
             const std::shared_ptr<const std::vector<cac::CanFrame>>& frames);

    QThread* m_thread;
    QObject* m_context; // lives on the thread: jobs are run as its events
    std::atomic<int> m_wanted{0};
};

} // namespace cac::app
