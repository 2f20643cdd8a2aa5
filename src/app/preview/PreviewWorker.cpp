#include "app/preview/PreviewWorker.h"

#include <QElapsedTimer>
#include <QThread>

namespace cac::app {

namespace {
// Progress is passed on at most this often.
constexpr qint64 ProgressIntervalMs = 50;
} // namespace

PreviewWorker::PreviewWorker(QObject* parent)
    : QObject(parent), m_thread(new QThread(this)), m_context(new QObject) {
    qRegisterMetaType<std::shared_ptr<PreviewResult>>();
    m_thread->setObjectName(QStringLiteral("CAN preview"));
    m_context->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
}

PreviewWorker::~PreviewWorker() {
    m_wanted = -1; // a running job stops at its next step
    m_thread->quit();
    m_thread->wait();
    delete m_context; // its thread has ended: no event of it is left to run
}

void PreviewWorker::start(PreviewJob job) {
    m_wanted = job.generation;
    QMetaObject::invokeMethod(m_context, [this, job = std::move(job)] { run(job); });
}

void PreviewWorker::run(const PreviewJob& job) {
    if (m_wanted != job.generation)
        return; // a newer job is queued behind this one
    auto result = std::make_shared<PreviewResult>();
    result->generation = job.generation;
    result->decoding = std::make_unique<PreviewDecoding>(job.decoder);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    const DecodeStep step = [&](qint64 done, qint64 total) {
        if (sinceProgress.elapsed() >= ProgressIntervalMs && total > 0) {
            sinceProgress.restart();
            emit progressed(job.generation, static_cast<int>(100 * done / total));
        }
        return m_wanted != job.generation;
    };
    if (job.frames) {
        result->outcome = DecodeKeptFrames(*job.frames, *result->decoding, step);
    } else {
        result->fromFile = true;
        KeptFrames kept(job.keepCap);
        result->outcome =
            DecodeLogFile(job.path, *result->decoding, job.keepCap > 0 ? &kept : nullptr, step);
        result->keptOverflowed = job.keepCap > 0 && kept.overflowed();
        // A cancelled read keeps what it read: an edit decodes those frames again.
        if (job.keepCap > 0 && !kept.overflowed())
            result->kept = std::make_shared<const std::vector<CanFrame>>(kept.take());
    }
    emit finished(result);
}

} // namespace cac::app
