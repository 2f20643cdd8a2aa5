#include "decode/LogDecodeRun.h"

#include "common/BoundedFileRead.h"

namespace cac {

LogDecodeOutcome DecodeLogFile(const QString& path, LogFormat format, const FrameSink& sink,
                               const DecodeStep& step) {
    LogDecodeOutcome outcome;
    const OpenedFile opened = OpenRegularFile(path);
    if (!opened.file) {
        outcome.error = opened.reason;
        return outcome;
    }
    outcome.opened = true;
    const auto reader = OpenLogReader(opened.file.get(), format, &outcome.error);
    if (!reader)
        return outcome;
    outcome.format = reader->format();
    const qint64 size = opened.file->size();
    CanFrame frame;
    while (reader->readFrame(frame)) {
        sink(frame);
        if (++outcome.frames % DecodeStepFrames == 0 && step && step(opened.file->pos(), size)) {
            outcome.cancelled = true;
            break;
        }
    }
    outcome.times = reader->times();
    outcome.fdSkipped = reader->fdFramesSkipped();
    outcome.problemCount = reader->problemCount();
    outcome.problems = reader->problems();
    outcome.buses = reader->buses();
    return outcome;
}

LogDecodeOutcome DecodeLogFile(const QString& path, PreviewDecoding& decoding, KeptFrames* kept,
                               const DecodeStep& step) {
    return DecodeLogFile(
        path, LogFormat::Unknown,
        [&](const CanFrame& frame) {
            decoding.add(frame);
            if (kept)
                kept->add(frame);
        },
        step);
}

LogDecodeOutcome DecodeKeptFrames(const std::vector<CanFrame>& frames, PreviewDecoding& decoding,
                                  const DecodeStep& step) {
    LogDecodeOutcome outcome;
    const qint64 total = static_cast<qint64>(frames.size());
    for (const CanFrame& frame : frames) {
        decoding.add(frame);
        if (++outcome.frames % DecodeStepFrames == 0 && step && step(outcome.frames, total)) {
            outcome.cancelled = true;
            break;
        }
    }
    return outcome;
}

QString LogOpenErrorText(const QString& path, const LogDecodeOutcome& outcome) {
    return (outcome.opened ? QStringLiteral("'%1': %2") : QStringLiteral("cannot read '%1': %2"))
        .arg(path, outcome.error);
}

QString LogFormatTitle(LogFormat format) {
    switch (format) {
    case LogFormat::Candump:
        return QStringLiteral("candump log");
    case LogFormat::Asc:
        return QStringLiteral("Vector ASC");
    case LogFormat::Trc:
        return QStringLiteral("PEAK TRC");
    case LogFormat::SavvyCsv:
        return QStringLiteral("SavvyCAN CSV");
    case LogFormat::Blf:
        return QStringLiteral("Vector BLF");
    case LogFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown format");
}

} // namespace cac
