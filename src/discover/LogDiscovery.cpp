#include "discover/LogDiscovery.h"

#include "common/BoundedFileRead.h"

#include <algorithm>

namespace cac {
namespace {

// Frames read between two steps.
constexpr qint64 StepFrames = 16384;
// The share of the progress bar the first reading takes: the fields are
// mostly counted from frames kept in memory, the pages' readings are short.
constexpr int FirstReadPercent = 80;

} // namespace

LogDiscovery DiscoverLogFile(const QString& path, const LogDiscoveryOptions& options,
                             const DiscoveryStep& step) {
    LogDiscovery out;
    int reading = 0; // how many times the log was read so far
    PageBytes pages;
    // The log is read each time from its start; only a regular file, so that
    // a pipe or a device cannot keep the run waiting.
    const FramePlayer play = [&](const FrameSink& sink) {
        const OpenedFile opened = OpenRegularFile(path);
        if (!opened.file) {
            out.error = QStringLiteral("cannot read '%1': %2").arg(path, opened.reason);
            return false;
        }
        QString why;
        const auto reader = OpenLogReader(opened.file.get(), options.format, &why);
        if (!reader) {
            out.error = QStringLiteral("'%1': %2").arg(path, why);
            return false;
        }
        const bool first = reading++ == 0;
        const qint64 size = std::max<qint64>(opened.file->size(), 1);
        const int from = first ? 0 : FirstReadPercent + (reading - 2) * 5;
        const int span = first ? FirstReadPercent : 5;
        CanFrame frame;
        qint64 frames = 0;
        while (reader->readFrame(frame)) {
            if (first && options.references) {
                if (frames == 0)
                    out.firstTime = frame.time;
                if (options.obdAnswers)
                    out.answers.add(frame);
                pages.add(frame);
            }
            sink(frame);
            if (++frames % StepFrames == 0 && step &&
                step(std::min(99, from + int(span * opened.file->pos() / size)))) {
                out.cancelled = true;
                return false;
            }
        }
        if (first) {
            out.format = reader->format();
            out.problems = reader->problems();
            out.problemCount = reader->problemCount();
            out.datedLog = reader->times() == LogTimes::Absolute;
        }
        return true;
    };
    out.result = DiscoverSignals(play, options.discovery);
    if (out.result.stopped || !options.references)
        return out;
    out.candidates = CandidatesOf(out.result, options.obdAnswers);
    AddPagedCandidates(out.candidates, out.result, pages, play);
    return out;
}

} // namespace cac
