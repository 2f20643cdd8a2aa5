// can-adapter-cli decode: what the logger would get from a CAN log, channel by
// channel, and optionally every decoded value as CSV.

#include "canlog/LogReader.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "common/BoundedFileRead.h"
#include "decode/DecodeTexts.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace cac::cli {

namespace {

// CSV lines are collected in a buffer of this size and written in one go.
constexpr qsizetype CsvChunk = 256 * 1024;

} // namespace

int RunDecodeCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("decode");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Decodes the frames of a CAN log as the adapter would with CONFIG.ccf: one line per "
        "channel (frames taken, minimum, maximum and last value as the logger gets them), and a "
        "line for frames no channel takes. The log's format (candump -l, Vector ASC or BLF, PEAK "
        "TRC, SavvyCAN CSV) is found from its content. Exits with 1 when the log or a part of "
        "it cannot be read."));
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"),
                                 QStringLiteral("The configuration whose channels decode."));
    parser.addPositionalArgument(QStringLiteral("LOG"), QStringLiteral("The CAN log."));
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
    parser.addOptions({catalogueOption, obdOption, formatOption, csvOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return UsageError(command, positional.size() < 2
                                       ? QStringLiteral("CONFIG.ccf and LOG are needed")
                                       : QStringLiteral("too many arguments"));
    for (const QCommandLineOption& option : {catalogueOption, formatOption, csvOption})
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return UsageError(command,
                              QStringLiteral("--%1 needs a value").arg(option.names().first()));
    LogFormat format;
    if (const int exit = ParseLogFormat(parser, formatOption, command, format); exit != ExitOk)
        return exit;

    ConfigModel model;
    CatalogueLoad catalogue;
    if (const int exit = LoadConfiguration(positional[0], parser.value(catalogueOption),
                                           parser.isSet(obdOption), model, catalogue);
        exit != ExitOk)
        return exit;

    const QString logPath = positional[1];
    // A log is streamed, so its size is no limit; only a regular file is read,
    // so a pipe or a device cannot keep the command waiting or reading forever.
    NoteInput(logPath);
    const OpenedFile opened = OpenRegularFile(logPath);
    if (!opened.file) {
        PrintError(QStringLiteral("cannot read '%1': %2").arg(logPath, opened.reason));
        return ExitFileError;
    }
    QString error;
    const auto reader = OpenLogReader(opened.file.get(), format, &error);
    if (!reader) {
        PrintError(QStringLiteral("'%1': %2").arg(logPath, error));
        return ExitFileError;
    }

    const QString csvPath = parser.value(csvOption);
    QSaveFile csv(csvPath);
    QByteArray csvBuffer;
    bool csvFailed = false;
    if (!csvPath.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly)) {
            PrintError(QStringLiteral("cannot write '%1': %2").arg(csvPath, csv.errorString()));
            return ExitFileError;
        }
        csvBuffer = DecodedCsvHeader();
    }

    const FrameDecoder decoder(model, catalogue.catalogue);
    DecodeTally tally(decoder);
    if (!csvPath.isEmpty())
        tally.setSink([&](int channel, const CanFrame& frame, const DecodedValue& value) {
            AppendDecodedCsvLine(csvBuffer, frame, channel, decoder.channel(channel).kind, value);
            if (csvBuffer.size() >= CsvChunk) {
                csvFailed = csvFailed || csv.write(csvBuffer) != csvBuffer.size();
                csvBuffer.clear();
            }
        });
    CanFrame frame;
    while (reader->readFrame(frame))
        tally.add(frame);

    for (const QString& line : ChannelSummaryLines(decoder, tally))
        std::printf("%s\n", qUtf8Printable(line));
    std::printf("%s\n", qUtf8Printable(UntakenSummaryLine(tally.untaken())));
    if (reader->fdFramesSkipped() > 0)
        std::printf("CAN FD frames skipped: %lld\n",
                    static_cast<long long>(reader->fdFramesSkipped()));
    std::printf("%s\n", qUtf8Printable(LogTimesLine(reader->times())));

    if (!csvPath.isEmpty()) {
        csvFailed = csvFailed || csv.write(csvBuffer) != csvBuffer.size();
        if (csvFailed || !csv.commit()) {
            PrintError(QStringLiteral("cannot write '%1': %2").arg(csvPath, csv.errorString()));
            return ExitFileError;
        }
    }
    for (const LogProblem& problem : reader->problems())
        PrintError(QStringLiteral("'%1': %2").arg(logPath, problem.describe()));
    if (reader->problemCount() > reader->problems().size())
        PrintError(QStringLiteral("'%1': %2 more parts could not be read")
                       .arg(logPath)
                       .arg(reader->problemCount() - reader->problems().size()));
    return reader->problemCount() > 0 ? ExitFileError : ExitOk;
}

} // namespace cac::cli
