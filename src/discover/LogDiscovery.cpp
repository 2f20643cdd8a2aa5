#include "discover/LogDiscovery.h"

#include "discover/PageLook.h"

#include <algorithm>
#include <utility>

namespace cac {
namespace {

// The share of the progress bar the first reading takes: the fields are
// mostly counted from frames kept in memory, the pages' readings are short.
constexpr int FirstReadPercent = 80;

// Every reference known once the log was read a first time: the OBD
// answers gathered on the way and the series given, on the log's clock.
std::vector<ReferenceSeries> pairedReferences(const LogDiscovery& out,
                                              const LogDiscoveryOptions& options) {
    std::vector<ReferenceSeries> references;
    if (options.obdAnswers)
        for (const int pid : out.answers.pids())
            if (std::optional<ReferenceSeries> series = out.answers.series(pid))
                references.push_back(std::move(*series));
    for (ReferenceSeries series : options.given) {
        if (!series.points.empty() && !IsLogDate(series.points.front().time))
            for (ReferencePoint& point : series.points)
                point.time += out.clockShift();
        references.push_back(std::move(series));
    }
    return references;
}

// What both kinds of discovery share once the frames can be played: the
// references' first time and OBD answers gathered on the first play.
void discover(LogDiscovery& out, const LogDiscoveryOptions& options, const FramePlayer& read) {
    bool first = true;
    const FramePlayer play = [&](const FrameSink& sink) {
        const bool gather = first && options.references;
        first = false;
        bool anyFrame = false;
        const auto take = [&](const CanFrame& frame) {
            if (!anyFrame)
                out.firstTime = frame.time;
            anyFrame = true;
            if (options.obdAnswers)
                out.answers.add(frame);
            sink(frame);
        };
        return read(gather ? FrameSink(take) : sink);
    };
    DiscoveryOptions discovery = options.discovery;
    if (options.references) {
        discovery.pairing = [&] { return pairedReferences(out, options); };
        // The OBD answers' own identifiers are no candidates for them.
        if (options.obdAnswers)
            discovery.paired = [](const IdentifierKey& key) { return !CarriesObdAnswers(key); };
    }
    discovery.keepFrames = true; // the pages' look plays them again
    out.result = DiscoverSignals(play, discovery);
    NameBuses(out.result, out.firstRead.buses);
    // The pages' look takes the frames from memory where they were kept.
    const std::shared_ptr<const FrameRecord> kept = std::exchange(out.result.kept, nullptr);
    if (out.result.stopped)
        return;
    const IdentifiersPlayer replay = [&](const std::vector<bool>& identifiers,
                                         const FrameSink& sink) {
        if (!kept)
            return play(sink);
        kept->play(sink, &identifiers);
        return true;
    };
    AddPageFields(out.result, replay, discovery.pairing);
    if (options.references)
        out.candidates = CandidatesOf(out.result, options.obdAnswers);
}

} // namespace

LogDiscovery DiscoverFrames(const std::vector<CanFrame>& frames, const LogDiscoveryOptions& options,
                            const DiscoveryStep& step) {
    LogDiscovery out;
    out.firstRead.format = LogFormat::Candump;
    out.firstRead.times = LogTimes::Relative;
    discover(out, options, [&](const FrameSink& sink) {
        // Asked every so many frames, as a file's reading asks at its blocks.
        constexpr std::size_t StepFrames = 65'536;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (i % StepFrames == 0 && step && step(0)) {
                out.cancelled = true;
                return false;
            }
            sink(frames[i]);
        }
        return true;
    });
    return out;
}

LogDiscovery DiscoverLogFile(const QString& path, const LogDiscoveryOptions& options,
                             const DiscoveryStep& step) {
    LogDiscovery out;
    int reading = 0; // how many times the log was read so far
    // The log is read each time from its start, by the one decoding run.
    discover(out, options, [&](const FrameSink& sink) {
        const bool first = reading++ == 0;
        const int from = first ? 0 : FirstReadPercent + (reading - 2) * 5;
        const int span = first ? FirstReadPercent : 5;
        const LogDecodeOutcome outcome =
            DecodeLogFile(path, options.format, sink, [&](qint64 done, qint64 total) {
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
    });
    return out;
}

} // namespace cac
