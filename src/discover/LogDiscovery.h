#pragma once

#include "canlog/LogReader.h"
#include "decode/LogDecodeRun.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/ObdAnswers.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

// A discovery of a log file: the log read (twice when it is long, and again
// for the pages of paged frames), with what references need gathered on the
// way. The command line and the window's worker both run it.
namespace cac {

struct LogDiscoveryOptions {
    LogFormat format = LogFormat::Unknown; // found from the content when Unknown
    DiscoveryOptions discovery;
    // Gather the candidates for references (and the log's first time); with
    // obdAnswers also the OBD answers, whose identifiers are then no candidates.
    bool references = false;
    bool obdAnswers = false;
    // With references: series known before the run (a CSV), paired with every
    // field as the log is read, as the OBD answers are. Times counting from
    // 0 beside a log whose times are dates count from its first frame.
    std::vector<ReferenceSeries> given;
};

struct LogDiscovery {
    QString error;          // why the log could not be read; nothing found
    bool cancelled = false; // the step asked to stop
    DiscoveryResult result;
    LogDecodeOutcome firstRead;     // its format, its clock and what could not be read
    double firstTime = 0;           // with references: the first frame's time
    ObdAnswerCollector answers;     // with obdAnswers
    DiscoveryCandidates candidates; // with references

    // What a time counted from the log's start is to be shifted by to meet
    // the log's clock: its first time when its times are dates.
    double clockShift() const { return firstRead.times == LogTimes::Absolute ? firstTime : 0; }
};

// How far a run got, 0 to 100; answered true, the run stops.
using DiscoveryStep = std::function<bool(int percent)>;

LogDiscovery DiscoverLogFile(const QString& path, const LogDiscoveryOptions& options,
                             const DiscoveryStep& step = {});

// The same of frames held in memory (live traffic kept so far), played as a
// candump log whose times count from its start; the step is asked with 0.
LogDiscovery DiscoverFrames(const std::vector<CanFrame>& frames, const LogDiscoveryOptions& options,
                            const DiscoveryStep& step = {});

} // namespace cac
