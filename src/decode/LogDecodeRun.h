#pragma once

#include "canlog/LogReader.h"
#include "decode/PreviewDecoding.h"

#include <QString>

#include <atomic>
#include <functional>

// Decoding a whole log file, or frames kept from one, for the command line
// and the preview alike: in steps, so that a caller can show how far it got
// and stop it.
namespace cac {

struct LogDecodeOutcome {
    QString error;          // the log could not be opened or is no log; nothing decoded
    bool opened = false;    // the file was opened: an error then says it is no log
    bool cancelled = false; // stopped before the end
    LogFormat format = LogFormat::Unknown;
    LogTimes times = LogTimes::Relative; // what frame times count from
    qint64 frames = 0;                   // frames read
    qint64 fdSkipped = 0;
    qint64 problemCount = 0;
    QList<LogProblem> problems; // the first few of them
    QStringList buses;          // as the log names them; a frame's bus is its place

    // "line 12: ...", empty when there is none.
    QString firstProblem() const {
        return problems.isEmpty() ? QString() : problems.first().describe();
    }
};

// How far a run got (done of total, in bytes or frames); answered true, the
// run stops.
using DecodeStep = std::function<bool(qint64 done, qint64 total)>;

// Frames handled between two steps.
constexpr qint64 DecodeStepFrames = 16384;

// Reads the log at `path` in `format` (Unknown: found from its content) and
// hands every frame to `sink`. Only a regular file is read, so that a pipe or
// a device cannot keep the run waiting forever; a log is streamed, so its size
// is no limit.
LogDecodeOutcome DecodeLogFile(const QString& path, LogFormat format, const FrameSink& sink,
                               const DecodeStep& step = {});

// The same for a preview: the frames, format found from the content, go into
// `decoding`, and into `kept` when given.
LogDecodeOutcome DecodeLogFile(const QString& path, PreviewDecoding& decoding, KeptFrames* kept,
                               const DecodeStep& step);

// Decodes frames already read.
LogDecodeOutcome DecodeKeptFrames(const std::vector<CanFrame>& frames, PreviewDecoding& decoding,
                                  const DecodeStep& step);

// Why the log at `path` was not read, for the user: "cannot read 'x': ..."
// when it could not be opened, "'x': ..." when it is no log.
QString LogOpenErrorText(const QString& path, const LogDecodeOutcome& outcome);

// "candump", "Vector ASC", ... for the user.
QString LogFormatTitle(LogFormat format);

} // namespace cac
