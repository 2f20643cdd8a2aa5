#pragma once

#include "decode/LogDecodeRun.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace cac::app {

// One decoding asked of the worker: a log file, or frames kept from one.
struct PreviewJob {
    int generation = 0;
    std::shared_ptr<const FrameDecoder> decoder;
    QString path;                                        // read this file, or
    std::shared_ptr<const std::vector<CanFrame>> frames; // decode these
    qsizetype keepCap = 0;                               // keep up to this many frames; 0 none
};

struct PreviewResult {
    int generation = 0;
    std::unique_ptr<PreviewDecoding> decoding;
    LogDecodeOutcome outcome;
    bool fromFile = false;                             // the log was read, not frames kept from it
    std::shared_ptr<const std::vector<CanFrame>> kept; // when the file's frames were kept
    bool keptOverflowed = false;
};

// Decodes logs on a thread of its own, so that the window keeps answering
// however long a log is. A job runs until it ends or a newer one is wanted;
// results and progress come back on the window's thread.
class PreviewWorker : public QObject {
    Q_OBJECT
public:
    explicit PreviewWorker(QObject* parent = nullptr);
    ~PreviewWorker() override;

    // Starts the job, dropping any job running. Its progress and result come
    // with its generation, so that late answers of a dropped job can be told.
    void start(PreviewJob job);
    // Stops the running job; it reports what it had decoded, as cancelled.
    void cancel() { m_wanted = -1; }

signals:
    void progressed(int generation, int percent);
    void finished(std::shared_ptr<cac::app::PreviewResult> result);

private:
    void run(const PreviewJob& job);

    QThread* m_thread;
    QObject* m_context; // lives on the thread: jobs are run as its events
    std::atomic<int> m_wanted{0};
};

} // namespace cac::app
