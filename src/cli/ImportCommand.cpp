// can-adapter-cli import: fills channels of a configuration file from named
// signals of a CAN database, as the window's import does, and writes the
// result to -o or standard output; the input configuration is only read.

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/DbcInput.h"
#include "configfile/CcfFile.h"
#include "dbc/ChannelFill.h"
#include "dbc/ImportPlan.h"
#include "dbc/VariableProposals.h"

#include <algorithm>
#include <cstdio>

namespace cac::cli {
namespace {

// One SIGNAL[=VARIABLE] of the command line.
struct SignalWord {
    QString name;
    QString variable; // a default name, or empty
};

// The plan's imports, one per word, channels not yet chosen. Every problem is
// said before the command gives up, so that one run shows all the names to
// mend; empty then.
QList<ChannelImport> resolveSignals(const CanDatabase& database, const QString& path,
                                    const QList<SignalWord>& words) {
    QList<ChannelImport> plan;
    bool ok = true;
    for (const SignalWord& word : words) {
        const QList<SignalRef> found = FindSignals(database, word.name);
        if (found.size() != 1) {
            QStringList paths;
            for (const SignalRef ref : found)
                paths.append(SignalPath(database, ref));
            PrintError(found.isEmpty()
                           ? QStringLiteral("'%1' has no signal %2").arg(path, word.name)
                           : QStringLiteral("%1 is in several messages (%2): name it as "
                                            "MESSAGE.SIGNAL")
                                 .arg(word.name, paths.join(QStringLiteral(", "))));
            ok = false;
            continue;
        }
        plan.append(ImportSignal(database, found.first()));
        for (const MappingNote& note : plan.last().row.notes) {
            PrintError(QStringLiteral("%1: %2%3")
                           .arg(plan.last().signalPath,
                                note.refuses ? QStringLiteral("cannot be imported: ") : QString(),
                                note.text));
            ok = ok && !note.refuses;
        }
    }
    return ok ? plan : QList<ChannelImport>();
}

// Its comment: a signal written by export-dbc names its variable there.
QString signalComment(const CanDatabase& database, const ChannelImport& import) {
    const DbcMessage& message = database.messages.at(import.ref.message);
    return message.signalList.at(import.ref.signal).comment;
}

bool resolveVariables(const CanDatabase& database, const QStringList& variableList,
                      const QList<SignalWord>& words, QList<ChannelImport>& plan) {
    bool ok = true;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        ChannelImport& import = plan[i];
        const QString& variable = words.at(i).variable;
        if (variable.isEmpty()) {
            import.variableEntry =
                VariableNamedInComment(signalComment(database, import), variableList);
            continue;
        }
        const int entry = SelectMatchingItem(variableList, u'{' + variable + u'}', /*current=*/-1);
        if (entry > 0) {
            import.variableEntry = variableList.at(entry);
        } else {
            PrintError(QStringLiteral("the catalogue has no variable with the default name %1")
                           .arg(variable));
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

// Whether a variable is to be named: by SIGNAL=VARIABLE or in a signal's
// comment. The catalogue only names variables; without any to name, none is read.
bool namesVariables(const CanDatabase& database, const QList<SignalWord>& words,
                    const QList<ChannelImport>& plan) {
    return std::any_of(words.begin(), words.end(),
                       [](const SignalWord& word) { return !word.variable.isEmpty(); }) ||
           std::any_of(plan.begin(), plan.end(), [&](const ChannelImport& import) {
               return !VariableTextInComment(signalComment(database, import)).isEmpty();
           });
}

// import's command line: its options in the order its help lists them, and
// what they say once checked.
class ImportCommandLine : public CommandLine {
public:
    ImportCommandLine();

    const QCommandLineOption intoOption{QStringLiteral("into"),
                                        QStringLiteral("The configuration file to fill."),
                                        QStringLiteral("CONFIG.ccf")};
    const QCommandLineOption channelOption{
        QStringLiteral("channel"),
        QStringLiteral("Fill channels N, N+1, ... instead of the next free channels."),
        QStringLiteral("N")};
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("configuration"));

    // CommandLine::parse, then --into, --channel and SIGNALS read.
    int parse(const QStringList& arguments);
    QString configPath;
    int firstChannel = 0; // 0: the next free channels
    QList<SignalWord> words;
};

ImportCommandLine::ImportCommandLine()
    : CommandLine(
          CommandNamed("import"),
          QStringLiteral(
              "Fills channels of CONFIG.ccf from signals of a CAN database and writes the "
              "result.\nEach signal fills one channel as if its cells had been chosen and typed "
              "in the window; the variable is left as it was (or \"**Do not use**\"), unless "
              "SIGNAL=VARIABLE names one by its default name or the signal's comment names one "
              "as export-dbc writes it. A configuration saved in OBD mode (channel 15 \"USED FOR "
              "OBD\") is taken as in OBD mode: channel 15 stays OBD's.")) {
    addArgument(QStringLiteral("FILE.dbc"), QStringLiteral("The CAN database to read."));
    addArgument(QStringLiteral("SIGNALS"),
                QStringLiteral("SIGNAL[=VARIABLE][,SIGNAL...]: signal names, MESSAGE.SIGNAL "
                               "where a name is in several messages."));
    parser.addOptions({intoOption, channelOption, catalogueOption, obdOption, outputOption});
}

int ImportCommandLine::parse(const QStringList& arguments) {
    if (const int exit = CommandLine::parse(arguments, {catalogueOption, outputOption},
                                            QStringLiteral("missing FILE.dbc or SIGNAL"));
        exit >= 0)
        return exit;
    configPath = parser.value(intoOption);
    if (configPath.isEmpty())
        return usageError(QStringLiteral("--into CONFIG.ccf is missing"));
    bool isNumber = false;
    if (parser.isSet(channelOption))
        firstChannel = parser.value(channelOption).toInt(&isNumber);
    if (parser.isSet(channelOption) &&
        (!isNumber || firstChannel < 1 || firstChannel > ChannelCount))
        return usageError(QStringLiteral("--channel takes a channel from 1 to 15"));
    for (const QString& item : argument(1).split(u',')) {
        const qsizetype equals = item.indexOf(u'=');
        words.append({item.left(equals), equals < 0 ? QString() : item.mid(equals + 1)});
        if (words.last().name.isEmpty() || (equals >= 0 && words.last().variable.isEmpty()))
            return usageError(QStringLiteral("'%1' is not SIGNAL or SIGNAL=VARIABLE").arg(item));
    }
    return -1;
}

} // namespace

int RunImportCommand(const QStringList& arguments) {
    ImportCommandLine line;
    if (const int exit = line.parse(arguments); exit >= 0)
        return exit;
    QByteArray configBytes;
    if (const int exit = ReadInputFile(line.configPath, configBytes); exit != ExitOk)
        return exit;
    CanDatabase database;
    if (const int exit = ReadDatabase(line.argument(0), database); exit != ExitOk)
        return exit;
    QList<ChannelImport> plan = resolveSignals(database, line.argument(0), line.words);
    if (plan.isEmpty())
        return ExitFileError;

    ConfigModel model;
    const QString cataloguePath = line.parser.value(line.catalogueOption);
    if (!cataloguePath.isEmpty() || namesVariables(database, line.words, plan)) {
        CatalogueLoad catalogue;
        if (const int exit = LoadCatalogue(cataloguePath, catalogue); exit != ExitOk)
            return exit;
        model.setVariableList(catalogue.variableList);
        if (!resolveVariables(database, catalogue.variableList, line.words, plan))
            return ExitFileError;
    }
    if (const int exit = ApplyConfiguration(line.configPath, configBytes, model); exit != ExitOk)
        return exit;
    if (line.parser.isSet(line.obdOption) ||
        model.cell(ChannelCount, ColVariable) == UsedForObdText)
        model.setObdModeEnabled(true);

    const QList<int> channels =
        chooseChannels(model, static_cast<int>(plan.size()), line.firstChannel);
    if (channels.isEmpty())
        return ExitFileError;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        plan[i].channel = channels.at(i);
        std::fprintf(stderr, "channel %d: %s%s\n", plan.at(i).channel,
                     qUtf8Printable(plan.at(i).signalPath),
                     IsChannelFree(model, plan.at(i).channel) ? "" : " (replacing its settings)");
        FillChannel(model, plan.at(i).channel, plan.at(i).row, plan.at(i).variableEntry);
    }
    return WriteOutput(SerializeCcf(model), line.parser.value(line.outputOption));
}

} // namespace cac::cli
