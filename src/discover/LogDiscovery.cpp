#include "discover/LogDiscovery.h"

#include <algorithm>

namespace cac {
namespace {

// The share of the progress bar the first reading takes: the fields are
// mostly counted from frames kept in memory, the pages' readings are short.
constexpr int FirstReadPercent = 80;

} // namespace

LogDiscovery DiscoverLogFile(const QString& path, const LogDiscoveryOptions& options,
                             const DiscoveryStep& step) {
    LogDiscovery out;
    int reading = 0; // how many times the log was read so far
    PageBytes pages;
    // The log is read each time from its start, by the one decoding run.
    const FramePlayer play = [&](const FrameSink& sink) {
        const bool first = reading++ == 0;
        const int from = first ? 0 : FirstReadPercent + (reading - 2) * 5;
        const int span = first ? FirstReadPercent : 5;
        const bool gather = first && options.references;
        bool anyFrame = false;
        const auto take = [&](const CanFrame& frame) {
            if (!anyFrame)
                out.firstTime = frame.time;
            anyFrame = true;
            if (options.obdAnswers)
                out.answers.add(frame);
            pages.add(frame);
            sink(frame);
        };
        const LogDecodeOutcome outcome = DecodeLogFile(
            path, options.format, gather ? FrameSink(take) : sink, [&](qint64 done, qint64 total) {
                return step &&
                       step(std::min<qint64>(99, from + span * done / std::max<qint64>(total, 1)));
            });
        if (!outcome.error.isEmpty()) {
            out.error = LogOpenErrorText(path, outcome);
            return false;
        }
        if (outcome.cancelled) {
            out.cancelled = true;
            return false;
        }
        if (first)
            out.firstRead = outcome;
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
