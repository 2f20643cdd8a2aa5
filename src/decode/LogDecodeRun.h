#pragma once

#include "canlog/LogReader.h"
#include "decode/PreviewDecoding.h"

#include <QString>

#include <atomic>
#include <functional>

// Decoding a whole log file, or frames kept from one, for a preview: in
// steps, so that the caller can show how far it got and stop it.
namespace cac {

struct LogDecodeOutcome {
    QString error;          // the log could not be opened or is no log; nothing decoded
    bool cancelled = false; // stopped before the end
    LogFormat format = LogFormat::Unknown;
    LogTimes times = LogTimes::Relative; // what frame times count from
    qint64 frames = 0;                   // frames read
    qint64 fdSkipped = 0;
    qint64 problemCount = 0;
    QString firstProblem; // "line 12: ...", when any
};

// How far a run got (done of total, in bytes or frames); answered true, the
// run stops.
using DecodeStep = std::function<bool(qint64 done, qint64 total)>;

// Frames handled between two steps.
constexpr qint64 DecodeStepFrames = 16384;

// Reads the log at `path` (format found from its content) into `decoding`,
// and keeps its frames in `kept` when given.
LogDecodeOutcome DecodeLogFile(const QString& path, PreviewDecoding& decoding, KeptFrames* kept,
                               const DecodeStep& step);

// Decodes frames already read.
LogDecodeOutcome DecodeKeptFrames(const std::vector<CanFrame>& frames, PreviewDecoding& decoding,
                                  const DecodeStep& step);

// "candump", "Vector ASC", ... for the user.
QString LogFormatTitle(LogFormat format);

} // namespace cac
