#include "app/discover/DiscoverWorker.h"

#include <QElapsedTimer>
#include <QThread>

namespace cac::app {

namespace {
// Progress is passed on at most this often.
constexpr qint64 ProgressIntervalMs = 50;
} // namespace

DiscoverWorker::DiscoverWorker(QObject* parent)
    : QObject(parent), m_thread(new QThread(this)), m_context(new QObject) {
    qRegisterMetaType<std::shared_ptr<DiscoverOutcome>>();
    m_thread->setObjectName(QStringLiteral("Find signals"));
    m_context->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
}

DiscoverWorker::~DiscoverWorker() {
    m_wanted = -1; // a running job stops at its next step
    m_thread->quit();
    m_thread->wait();
    delete m_context; // its thread has ended: no event of it is left to run
}

void DiscoverWorker::start(int generation, const QString& path) {
    m_wanted = generation;
    QMetaObject::invokeMethod(m_context,
                              [this, generation, path] { run(generation, path, nullptr); });
}

void DiscoverWorker::startFrames(int generation,
                                 std::shared_ptr<const std::vector<CanFrame>> frames) {
    m_wanted = generation;
    QMetaObject::invokeMethod(
        m_context, [this, generation, frames = std::move(frames)] { run(generation, {}, frames); });
}

void DiscoverWorker::run(int generation, const QString& path,
                         const std::shared_ptr<const std::vector<CanFrame>>& frames) {
    if (m_wanted != generation)
        return; // a newer job is queued behind this one, or this one was cancelled
    auto outcome = std::make_shared<DiscoverOutcome>();
    outcome->generation = generation;
    outcome->path = path;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    const DiscoveryStep step = [&](int percent) {
        if (sinceProgress.elapsed() >= ProgressIntervalMs) {
            sinceProgress.restart();
            emit progressed(generation, percent);
        }
        return m_wanted != generation;
    };
    LogDiscoveryOptions options;
    options.references = true;
    options.obdAnswers = true;
    outcome->run =
        frames ? DiscoverFrames(*frames, options, step) : DiscoverLogFile(path, options, step);
    if (m_wanted != generation)
        return; // cancelled: nothing of it is shown
    if (!outcome->run.result.stopped)
        outcome->obd = MatchObdAnswers(outcome->run.candidates, outcome->run.answers);
    emit finished(outcome);
}

} // namespace cac::app
