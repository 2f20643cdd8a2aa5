// can-adapter-cli decode: what the logger would get from a CAN log, channel by
// channel, and optionally every decoded value as CSV.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "decode/DecodeTexts.h"
#include "decode/LogDecodeRun.h"

#include <QSaveFile>

#include <cstdio>

namespace cac::cli {

namespace {

// The --csv file: decoded values collected in a buffer and written in
// chunks, the file replaced only once complete.
class CsvOutput {
public:
    explicit CsvOutput(const QString& path) : m_path(path), m_file(path) {}

    bool wanted() const { return !m_path.isEmpty(); }

    // Opens the file; ExitOk, or ExitFileError after saying why.
    int open() {
        if (!m_file.open(QIODevice::WriteOnly))
            return failed();
        m_buffer = DecodedCsvHeader();
        return ExitOk;
    }

    // Sends every value `tally` decodes to the file.
    void follow(const FrameDecoder& decoder, DecodeTally& tally) {
        tally.setSink([this, &decoder](int channel, const CanFrame& frame,
                                       const DecodedValue& value) {
            AppendDecodedCsvLine(m_buffer, frame, channel, decoder.channel(channel).kind, value);
            if (m_buffer.size() >= Chunk)
                flush();
        });
    }

    // Writes what is left and puts the file in place; ExitOk, or
    // ExitFileError after saying why.
    int commit() {
        flush();
        return !m_failed && m_file.commit() ? ExitOk : failed();
    }

private:
    static constexpr qsizetype Chunk = 256 * 1024;

    void flush() {
        m_failed = m_failed || m_file.write(m_buffer) != m_buffer.size();
        m_buffer.clear();
    }
    int failed() const {
        PrintError(QStringLiteral("cannot write '%1': %2").arg(m_path, m_file.errorString()));
        return ExitFileError;
    }

    QString m_path;
    QSaveFile m_file;
    QByteArray m_buffer;
    bool m_failed = false;
};

void printSummary(const FrameDecoder& decoder, const DecodeTally& tally,
                  const LogDecodeOutcome& outcome) {
    for (const QString& line : ChannelSummaryLines(decoder, tally))
        std::printf("%s\n", qUtf8Printable(line));
    std::printf("%s\n", qUtf8Printable(UntakenSummaryLine(tally.untaken())));
    if (outcome.fdSkipped > 0)
        std::printf("CAN FD frames skipped: %lld\n", static_cast<long long>(outcome.fdSkipped));
    std::printf("%s\n", qUtf8Printable(LogTimesLine(outcome.times)));
}

} // namespace

int RunDecodeCommand(const QStringList& arguments) {
    CommandLine line(
        CommandNamed("decode"),
        QStringLiteral(
            "Decodes the frames of a CAN log as the adapter would with CONFIG.ccf: one line per "
            "channel (frames taken, minimum, maximum and last value as the logger gets them), "
            "and a line for frames no channel takes. The log's format (candump -l, Vector ASC or "
            "BLF, PEAK TRC, SavvyCAN CSV) is found from its content. Exits with 1 when the log "
            "or a part of it cannot be read."));
    line.addArgument(QStringLiteral("CONFIG.ccf"),
                     QStringLiteral("The configuration whose channels decode."));
    line.addArgument(QStringLiteral("LOG"), QStringLiteral("The CAN log."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    const QCommandLineOption formatOption = LogFormatOption();
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("Also write every decoded value to FILE: time,channel,raw,value (time in "
                       "seconds since 1970 where the log says when it began, else from its "
                       "start; value after scale factor and offset, before rounding to the "
                       "resolution)."),
        QStringLiteral("FILE"));
    const QCommandLineParser& parser = line.parser;
    line.parser.addOptions({catalogueOption, obdOption, formatOption, csvOption});
    if (const int exit = line.parse(arguments, {catalogueOption, formatOption, csvOption},
                                    QStringLiteral("CONFIG.ccf and LOG are needed"));
        exit >= 0)
        return exit;
    LogFormat format;
    if (const int exit = ParseLogFormat(parser, formatOption, line.command(), format);
        exit != ExitOk)
        return exit;

    ConfigModel model;
    CatalogueLoad catalogue;
    if (const int exit = LoadConfiguration(line.argument(0), parser.value(catalogueOption),
                                           parser.isSet(obdOption), model, catalogue);
        exit != ExitOk)
        return exit;
    CsvOutput csv(parser.value(csvOption));
    if (const int exit = csv.wanted() ? csv.open() : ExitOk; exit != ExitOk)
        return exit;

    const QString& logPath = line.argument(1);
    const FrameDecoder decoder(model, catalogue.catalogue);
    DecodeTally tally(decoder);
    if (csv.wanted())
        csv.follow(decoder, tally);
    NoteInput(logPath);
    const LogDecodeOutcome outcome =
        DecodeLogFile(logPath, format, [&](const CanFrame& frame) { tally.add(frame); });
    if (!outcome.error.isEmpty()) {
        PrintError(LogOpenErrorText(logPath, outcome));
        return ExitFileError;
    }
    printSummary(decoder, tally, outcome);
    if (const int exit = csv.wanted() ? csv.commit() : ExitOk; exit != ExitOk)
        return exit;
    return ReportLogProblems(logPath, outcome);
}

} // namespace cac::cli
