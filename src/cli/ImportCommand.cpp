// can-adapter-cli import: fills channels of a configuration file from named
// signals of a CAN database, as the window's import does, and writes the
// result to -o or standard output; the input configuration is only read.

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/DbcInput.h"
#include "configfile/CcfFile.h"
#include "dbc/ChannelFill.h"
#include "dbc/VariableProposals.h"

#include <QCommandLineParser>

#include <cstdio>

namespace cac::cli {
namespace {

// One SIGNAL[=VARIABLE] of the command line, once resolved.
struct Request {
    QString name;
    QString variable; // a default name, or empty
    SignalRef ref;
    SignalRow row;
    QString variableEntry; // the variable list entry it names
};

// Every problem is said before the command gives up, so that one run shows
// all the names to mend.
bool resolveSignals(const CanDatabase& database, const QString& path, QList<Request>& requests) {
    bool ok = true;
    for (Request& request : requests) {
        const QList<SignalRef> found = FindSignals(database, request.name);
        if (found.size() != 1) {
            QStringList paths;
            for (const SignalRef ref : found)
                paths.append(SignalPath(database, ref));
            PrintError(found.isEmpty()
                           ? QStringLiteral("'%1' has no signal %2").arg(path, request.name)
                           : QStringLiteral("%1 is in several messages (%2): name it as "
                                            "MESSAGE.SIGNAL")
                                 .arg(request.name, paths.join(QStringLiteral(", "))));
            ok = false;
            continue;
        }
        request.ref = found.first();
        const DbcMessage& message = database.messages.at(request.ref.message);
        request.row = MapSignalToRow(message, message.signalList.at(request.ref.signal));
        for (const MappingNote& note : request.row.notes) {
            PrintError(QStringLiteral("%1: %2%3")
                           .arg(SignalPath(database, request.ref),
                                note.refuses ? QStringLiteral("cannot be imported: ") : QString(),
                                note.text));
            ok = ok && !note.refuses;
        }
    }
    return ok;
}

// Its comment: a signal written by export-dbc names its variable there.
QString signalComment(const CanDatabase& database, const Request& request) {
    const DbcMessage& message = database.messages.at(request.ref.message);
    return message.signalList.at(request.ref.signal).comment;
}

bool resolveVariables(const CanDatabase& database, const QStringList& variableList,
                      QList<Request>& requests) {
    bool ok = true;
    for (Request& request : requests) {
        if (request.variable.isEmpty()) {
            request.variableEntry =
                VariableNamedInComment(signalComment(database, request), variableList);
            continue;
        }
        const int entry =
            SelectMatchingItem(variableList, u'{' + request.variable + u'}', /*current=*/-1);
        if (entry > 0) {
            request.variableEntry = variableList.at(entry);
        } else {
            PrintError(QStringLiteral("the catalogue has no variable with the default name %1")
                           .arg(request.variable));
            ok = false;
        }
    }
    return ok;
}

// One channel per signal; empty, after saying why, when they do not fit.
QList<int> chooseChannels(const ConfigModel& model, int count, int first) {
    const QList<int> channels = ChannelsToFill(model, count, first);
    if (channels.size() == count)
        return channels;
    if (first <= 0)
        PrintError(QStringLiteral("not enough free channels: %1 for %2 to import (a free channel "
                                  "holds only empty cells and defaults); name a first channel "
                                  "with --channel")
                       .arg(channels.size())
                       .arg(count));
    else
        PrintError(IsChannelLocked(model, first) && count == 1
                       ? QStringLiteral("channel 15 is used for OBD")
                       : QStringLiteral("%1 signals from channel %2 on do not fit the %3 "
                                        "channels")
                             .arg(count)
                             .arg(first)
                             .arg(ChannelCount));
    return {};
}

} // namespace

int RunImportCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("import");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fills channels of CONFIG.ccf from signals of a CAN database and writes the result.\n"
        "Each signal fills one channel as if its cells had been chosen and typed in the "
        "window; the variable is left as it was (or \"**Do not use**\"), unless "
        "SIGNAL=VARIABLE names one by its default name or the signal's comment names one as "
        "export-dbc writes it. A configuration saved in OBD mode "
        "(channel 15 \"USED FOR OBD\") is taken as in OBD mode: channel 15 stays OBD's."));
    parser.addPositionalArgument(QStringLiteral("FILE.dbc"),
                                 QStringLiteral("The CAN database to read."));
    parser.addPositionalArgument(
        QStringLiteral("SIGNALS"),
        QStringLiteral("SIGNAL[=VARIABLE][,SIGNAL...]: signal names, MESSAGE.SIGNAL where a "
                       "name is in several messages."));
    const QCommandLineOption intoOption(QStringLiteral("into"),
                                        QStringLiteral("The configuration file to fill."),
                                        QStringLiteral("CONFIG.ccf"));
    const QCommandLineOption channelOption(
        QStringLiteral("channel"),
        QStringLiteral("Fill channels N, N+1, ... instead of the next free channels."),
        QStringLiteral("N"));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("configuration"));
    parser.addOptions({intoOption, channelOption, catalogueOption, obdOption, outputOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return UsageError(command, positional.size() < 2
                                       ? QStringLiteral("missing FILE.dbc or SIGNAL")
                                       : QStringLiteral("too many arguments"));
    const QString configPath = parser.value(intoOption);
    if (configPath.isEmpty())
        return UsageError(command, QStringLiteral("--into CONFIG.ccf is missing"));
    bool isNumber = false;
    const int first =
        parser.isSet(channelOption) ? parser.value(channelOption).toInt(&isNumber) : 0;
    if (parser.isSet(channelOption) && (!isNumber || first < 1 || first > ChannelCount))
        return UsageError(command, QStringLiteral("--channel takes a channel from 1 to 15"));
    for (const QCommandLineOption& option : {catalogueOption, outputOption}) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return UsageError(
                command, QStringLiteral("--%1 needs a file name").arg(option.names().constLast()));
    }
    QList<Request> requests;
    bool anyVariable = false;
    for (const QString& item : positional.at(1).split(u',')) {
        const qsizetype equals = item.indexOf(u'=');
        requests.append(
            {item.left(equals), equals < 0 ? QString() : item.mid(equals + 1), {}, {}, {}});
        anyVariable = anyVariable || equals >= 0;
        if (requests.last().name.isEmpty() || (equals >= 0 && requests.last().variable.isEmpty()))
            return UsageError(command,
                              QStringLiteral("'%1' is not SIGNAL or SIGNAL=VARIABLE").arg(item));
    }

    QByteArray configBytes;
    if (const int exit = ReadInputFile(configPath, configBytes); exit != ExitOk)
        return exit;
    CanDatabase database;
    if (const int exit = ReadDatabase(positional.first(), database); exit != ExitOk)
        return exit;
    if (!resolveSignals(database, positional.first(), requests))
        return ExitFileError;

    // The catalogue only names variables; without any to name, none is read.
    for (const Request& request : std::as_const(requests))
        anyVariable =
            anyVariable || !VariableTextInComment(signalComment(database, request)).isEmpty();
    ConfigModel model;
    if (anyVariable || parser.isSet(catalogueOption)) {
        CatalogueLoad catalogue;
        if (const int exit = LoadCatalogue(parser.value(catalogueOption), catalogue);
            exit != ExitOk)
            return exit;
        model.setVariableList(catalogue.variableList);
        if (!resolveVariables(database, catalogue.variableList, requests))
            return ExitFileError;
    }
    if (const int exit = ApplyConfiguration(configPath, configBytes, model); exit != ExitOk)
        return exit;
    if (parser.isSet(obdOption) || model.cell(ChannelCount, ColVariable) == UsedForObdText)
        model.setObdModeEnabled(true);

    const QList<int> channels = chooseChannels(model, static_cast<int>(requests.size()), first);
    if (channels.isEmpty())
        return ExitFileError;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const int channel = channels.at(i);
        std::fprintf(stderr, "channel %d: %s%s\n", channel,
                     qUtf8Printable(SignalPath(database, requests.at(i).ref)),
                     IsChannelFree(model, channel) ? "" : " (replacing its settings)");
        FillChannel(model, channel, requests.at(i).row, requests.at(i).variableEntry);
    }
    return WriteOutput(SerializeCcf(model), parser.value(outputOption));
}

} // namespace cac::cli
