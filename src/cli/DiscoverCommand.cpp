// can-adapter-cli discover: the signals of a CAN log found without a
// database, identifier by identifier, each field with the channel row it gives.

#include "canlog/LogReader.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/DiscoverOutput.h"
#include "cli/DiscoverReferences.h"
#include "common/HexText.h"
#include "configfile/CcfFile.h"
#include "dbc/DatabaseText.h"
#include "discover/DiscoveryTexts.h"
#include "discover/LogDiscovery.h"
#include "discover/SignalDiscovery.h"
#include "discover/reference/CsvReference.h"
#include "discover/reference/ReferenceHint.h"
#include "discover/reference/ReferenceMarks.h"

#include <QCommandLineParser>

#include <cstdio>

namespace cac::cli {
namespace {

// discover's command line: its options in the order its help lists them, and
// what they say once checked.
class DiscoverCommandLine : public CommandLine {
public:
    DiscoverCommandLine();

    const QCommandLineOption formatOption = LogFormatOption();
    const QCommandLineOption idOption{
        QStringLiteral("id"),
        QStringLiteral("Only the frames with identifier ID (0x100 or 256), on every bus."),
        QStringLiteral("ID")};
    const QCommandLineOption jsonOption{QStringLiteral("json"),
                                        QStringLiteral("Write the findings as JSON.")};
    const QCommandLineOption dbcOption{
        QStringLiteral("dbc"),
        QStringLiteral(
            "Also write what was found as a CAN database: one message per identifier, "
            "one signal per field that is not constant, named after its kind and "
            "place (F0x123_16_8: a continuous field at start bit 16, 8 bits), a "
            "checksum's comment naming its algorithm when one holds on every frame; with "
            "a reference, its best field with the fitted factor and offset, named "
            "OBD_0C_Engine_RPM for an OBD parameter."),
        QStringLiteral("OUT.dbc")};
    const QCommandLineOption referenceOption{
        QStringLiteral("reference"),
        QStringLiteral("Rank the continuous fields by how well they follow a reference and fit "
                       "the scale factor and offset (value = raw / scale + offset): obd for the "
                       "OBD-II mode 01 answers in the log (each PID found), or a CSV file of "
                       "time (seconds, the log's clock or from its start) and value."),
        QStringLiteral("obd|FILE.csv")};
    const QCommandLineOption hintOption{
        QStringLiteral("hint"),
        QStringLiteral("Rank the continuous fields for an expected range, and optionally the "
                       "times of the log in which the quantity moved: \"800..7000\", "
                       "\"0..100@12..15,30..33\". The hint score (0 to 1) weighs how much of its "
                       "movement falls in the windows, how many values it takes and whether "
                       "its offset stays within the range."),
        QStringLiteral("MIN..MAX[@T1..T2,...]")};
    const QCommandLineOption marksOption{
        QStringLiteral("marks"),
        QStringLiteral("Rank every field, flags and enumerations included, by how it changes at "
                       "these times (seconds, the log's clock or from its start; 12.1=brake to "
                       "label one) and not elsewhere: from 0.25 s before each mark to 2 s "
                       "after it. The mark score (0 to 1) is the share of marks it changes at "
                       "times the share of its changes that come at them (a release after a "
                       "press is not held against it). When the best two fields score alike "
                       "it says it cannot tell them apart, and --into and --dbc take neither."),
        QStringLiteral("T1,T2,...")};
    const QCommandLineOption intoOption{
        QStringLiteral("into"),
        QStringLiteral("Fill channels of this configuration with the best field of each "
                       "reference, as import does for a database signal; needs -o."),
        QStringLiteral("CONFIG.ccf")};
    const QCommandLineOption channelOption{
        QStringLiteral("channel"),
        QStringLiteral("With --into: fill channels N, N+1, ... instead of the next free ones."),
        QStringLiteral("N")};
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("configuration"));

    // CommandLine::parse, then the options read and checked together.
    int parse(const QStringList& arguments);
    LogFormat format = LogFormat::Unknown;
    DiscoveryOptions options;
    ReferenceHint hint;
    std::vector<ReferenceMark> marks;
    bool obdReference = false; // --reference obd
    bool anyReference = false; // --reference, --hint or --marks
    int firstChannel = 0;      // --channel; 0: the next free ones

private:
    int readInto();
};

DiscoverCommandLine::DiscoverCommandLine()
    : CommandLine(
          CommandNamed("discover"),
          QStringLiteral(
              "Finds the signals of a CAN log without a database: for each identifier its "
              "frames, period and data length, and its fields (where each starts and ends, in "
              "which byte order, whether constant, a counter, a checksum, a flag or "
              "enumeration, or a continuous value, signed or not), each with the channel row it "
              "gives. A field is signed only when its values were seen stepping between its "
              "top and bottom codes. Where the log cannot decide, the field says so: a value "
              "whose top bits never moved is widened over the constant bits above it to its "
              "byte's edge, read as unsigned, and its row says \"top N bits never moved in this "
              "log; read as unsigned\"; a fit made on it is not certain beyond the raw values "
              "seen. A field crossing a byte that either byte order joins as well says "
              "\"either byte order\" and takes the order of its identifier's other crossings, or "
              "else the bus's: the order at least 3 of 4 identifiers whose crossings decide "
              "take (\"Motorola byte order as the bus\"; the last lines say what was learnt). "
              "A checksum in a frame whose only moving content is its counter says that a "
              "copy of the counter would read alike, or, with no algorithm, that it changes "
              "with the counter while nothing else moved. A CRC followed by a data ID per "
              "count is named with its data IDs, its start and final XOR given as AUTOSAR's: "
              "the log cannot tell them from the IDs. "
              "Fields that a run of ones seen in a few frames holds between zeros (a \"not "
              "available\" code: 6 to 16 bits, an end inside a byte) become one field over "
              "the run where their changes nest, read as unsigned, and say what their all-ones "
              "value is (13 bits: 8191 = \"not available\"). "
              "A frame whose byte 0 takes 2 to 8 values, changing at least every third frame, "
              "is read page by page: a page's own fields follow the frame's, named _mN and "
              "said \"page N only\", with byte 0 as their page number (Page0x2A0_0_8, --dbc's "
              "multiplexer), where the pages show layouts of their own; a byte of few values "
              "held over many frames is a state, and its frame is read whole. "
              "A log of several buses is analysed bus by bus: an identifier on two buses is "
              "two (\"0x200 on can1\"), each bus learns its own byte order, and --dbc takes "
              "an identifier from the bus where it came most often. "
              "The log's format (candump -l, Vector ASC or BLF, PEAK TRC, SavvyCAN CSV) "
              "is found from its content. Exits with 1 when the log or a part of it cannot be "
              "read.")) {
    addArgument(QStringLiteral("LOG"), QStringLiteral("The CAN log."));
    parser.addOptions({formatOption, idOption, jsonOption, dbcOption, referenceOption, hintOption,
                       marksOption, intoOption, channelOption, catalogueOption, outputOption});
}

int DiscoverCommandLine::parse(const QStringList& arguments) {
    if (const int exit =
            CommandLine::parse(arguments, {formatOption, idOption, dbcOption, referenceOption,
                                           intoOption, catalogueOption, outputOption});
        exit >= 0)
        return exit;
    obdReference = parser.value(referenceOption) == QStringLiteral("obd");
    if (parser.isSet(hintOption)) {
        QString why;
        if (!ParseReferenceHint(parser.value(hintOption), hint, &why))
            return usageError(QStringLiteral("--hint: ") + why);
    }
    if (parser.isSet(marksOption)) {
        QString why;
        if (!ParseReferenceMarks(parser.value(marksOption), marks, &why))
            return usageError(QStringLiteral("--marks: ") + why);
    }
    anyReference =
        parser.isSet(referenceOption) || parser.isSet(hintOption) || parser.isSet(marksOption);
    if (const int exit = readInto(); exit >= 0)
        return exit;
    if (const int exit = ParseLogFormat(parser, formatOption, command(), format); exit != ExitOk)
        return exit;
    if (parser.isSet(idOption)) {
        const auto id = ParseIdentifier(parser.value(idOption));
        if (!id)
            return usageError(QStringLiteral("--id takes an identifier such as 0x100 "
                                             "or 256, not '%1'")
                                  .arg(parser.value(idOption)));
        options.onlyId = *id;
    }
    return -1;
}

// --into with its -o and --channel.
int DiscoverCommandLine::readInto() {
    if (!parser.isSet(intoOption)) {
        if (parser.isSet(channelOption) || parser.isSet(outputOption))
            return usageError(QStringLiteral("--channel and -o go with --into"));
        return -1;
    }
    if (!anyReference)
        return usageError(QStringLiteral("--into needs --reference, --hint or --marks"));
    if (!parser.isSet(outputOption))
        return usageError(QStringLiteral("--into needs -o OUT.ccf"));
    bool isNumber = true;
    if (parser.isSet(channelOption))
        firstChannel = parser.value(channelOption).toInt(&isNumber);
    if (!isNumber ||
        (parser.isSet(channelOption) && (firstChannel < 1 || firstChannel > ChannelCount)))
        return usageError(QStringLiteral("--channel takes a channel from 1 to 15"));
    return -1;
}

// The references asked for, each with its fields ranked; ExitOk, or the exit
// code after saying why.
int matchReferences(const DiscoverCommandLine& line, const DiscoveryCandidates& candidates,
                    const LogDiscovery& run, QList<ReferenceMatches>& references) {
    const QCommandLineParser& parser = line.parser;
    if (line.obdReference) {
        references = MatchObdAnswers(candidates, run.answers);
        if (references.isEmpty())
            PrintError(QStringLiteral("'%1' holds no OBD-II mode 01 answer this program decodes")
                           .arg(line.argument()));
    } else if (parser.isSet(line.referenceOption)) {
        const QString path = parser.value(line.referenceOption);
        CsvReference csv = LoadCsvReference(path);
        for (const LogProblem& problem : std::as_const(csv.problems))
            PrintError(QStringLiteral("'%1': %2").arg(path, problem.describe()));
        if (!csv.ok()) {
            PrintError(QStringLiteral("'%1': %2").arg(path, csv.error));
            return ExitFileError;
        }
        if (!csv.series.points.empty() && !IsLogDate(csv.series.points.front().time))
            for (ReferencePoint& point : csv.series.points)
                point.time += run.clockShift();
        references.append({csv.series.name, csv.series.unit, -1,
                           RankFieldsAgainst(candidates.fields, csv.series,
                                             candidates.pairedIndex(csv.series.name))});
    }
    if (parser.isSet(line.hintOption))
        references.append(
            MatchHint(candidates, line.hint, run.clockShift(), parser.value(line.hintOption)));
    if (parser.isSet(line.marksOption))
        references.append(MatchMarks(candidates, line.marks, run.clockShift()));
    return ExitOk;
}

// --into: the configuration with the best fields filled, written to -o.
int writeInto(const DiscoverCommandLine& line, const DiscoveryCandidates& candidates,
              const QList<ReferenceMatches>& references) {
    const QString configPath = line.parser.value(line.intoOption);
    QByteArray configBytes;
    if (const int exit = ReadInputFile(configPath, configBytes); exit != ExitOk)
        return exit;
    CatalogueLoad catalogue;
    if (const int exit = LoadCatalogue(line.parser.value(line.catalogueOption), catalogue);
        exit != ExitOk)
        return exit;
    ConfigModel model;
    model.setVariableList(catalogue.variableList);
    if (const int exit = ApplyConfiguration(configPath, configBytes, model); exit != ExitOk)
        return exit;
    if (model.cell(ChannelCount, ColVariable) == UsedForObdText)
        model.setObdModeEnabled(true);
    if (const int exit =
            FillMatchedChannels(model, catalogue, line.firstChannel, candidates, references);
        exit != ExitOk)
        return exit;
    return WriteOutput(SerializeCcf(model), line.parser.value(line.outputOption));
}

} // namespace

int RunDiscoverCommand(const QStringList& arguments) {
    DiscoverCommandLine line;
    if (const int exit = line.parse(arguments); exit >= 0)
        return exit;
    const QCommandLineParser& parser = line.parser;

    NoteInput(line.argument());
    LogDiscoveryOptions runOptions;
    runOptions.format = line.format;
    runOptions.discovery = line.options;
    runOptions.references = line.anyReference;
    runOptions.obdAnswers = line.obdReference;
    // A CSV is paired with the fields as the log is read, for a fit exact at
    // any length; what it cannot be read for is said once it is ranked.
    if (!line.obdReference && line.parser.isSet(line.referenceOption))
        if (CsvReference csv = LoadCsvReference(line.parser.value(line.referenceOption)); csv.ok())
            runOptions.given.push_back(std::move(csv.series));
    const LogDiscovery run = DiscoverLogFile(line.argument(), runOptions);
    const DiscoveryResult& result = run.result;
    if (result.stopped) {
        PrintError(run.error);
        return ExitFileError;
    }
    const DiscoveryCandidates& candidates = run.candidates;
    QList<ReferenceMatches> references;
    if (const int exit = matchReferences(line, candidates, run, references); exit != ExitOk)
        return exit;

    if (parser.isSet(line.jsonOption)) {
        if (!PrintDiscoveryJson(result, candidates, references)) {
            PrintError(QStringLiteral("cannot write the JSON to standard output"));
            return ExitFileError;
        }
    } else {
        PrintDiscoveryText(result);
        PrintMatches(candidates, references);
    }
    if (parser.isSet(line.dbcOption)) {
        if (const int exit =
                WriteOutput(WriteDatabaseText(MatchedDatabase(result, candidates, references)),
                            parser.value(line.dbcOption));
            exit != ExitOk)
            return exit;
    }
    if (parser.isSet(line.intoOption))
        if (const int exit = writeInto(line, candidates, references); exit != ExitOk)
            return exit;
    return ReportLogProblems(line.argument(), run.firstRead);
}

} // namespace cac::cli
