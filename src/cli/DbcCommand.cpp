// can-adapter-cli dbc: the messages and signals of a CAN database, each
// signal with the channel row it gives, as text or JSON.

#include "checks/ConfigChecks.h"
#include "cli/CliCommon.h"
#include "cli/DbcInput.h"
#include "cli/JsonText.h"
#include "dbc/SignalRow.h"
#include "dbc/VariableProposals.h"

#include <QCommandLineParser>

#include <optional>

namespace cac::cli {
namespace {

// The best few proposals; JSON lists them all.
constexpr qsizetype ShownProposals = 3;

QString multiplexMark(const DbcSignal& signal) {
    QString mark;
    if (signal.multiplexValue >= 0)
        mark = u'm' + QString::number(signal.multiplexValue);
    if (signal.isMultiplexor)
        mark += u'M';
    return mark;
}

QString oneLine(QString text) {
    return text.replace(u'\n', u' ');
}

// What the checks say about the row a signal gives, before a variable is
// chosen; the memo keeps what they found in the settings rows share.
QList<Finding> rowFindings(const SignalRow& row, const VariableCatalogue& catalogue,
                           RowCheckMemo& memo) {
    return row.importable() ? CheckChannelRow(row.cells, catalogue, &memo) : QList<Finding>();
}

QString listingText(const CanDatabase& database, const VariableCatalogue& catalogue,
                    const std::optional<VariableProposals>& proposals) {
    QString out;
    RowCheckMemo memo;
    for (const DbcMessage& message : database.messages) {
        out += QStringLiteral("%1  %2  %3  %4 bytes")
                   .arg(message.name, IdentifierText(message),
                        message.extended ? QStringLiteral("29 bit") : QStringLiteral("11 bit"))
                   .arg(message.length);
        if (!message.sender.isEmpty())
            out += QStringLiteral("  from ") + message.sender;
        out += u'\n';
        if (!message.comment.isEmpty())
            out += QStringLiteral("  // ") + oneLine(message.comment) + u'\n';
        for (const DbcSignal& signal : message.signalList) {
            QStringList head{signal.name, multiplexMark(signal), SignalLayoutText(signal),
                             QStringLiteral("(%1,%2)").arg(ShortestDecimalText(signal.factor),
                                                           ShortestDecimalText(signal.offset)),
                             u'"' + signal.unit + u'"'};
            if (signal.valueType != DbcValueType::Integer)
                head.append(signal.valueType == DbcValueType::Float ? QStringLiteral("float")
                                                                    : QStringLiteral("double"));
            head.removeAll(QString());
            out += QStringLiteral("  ") + head.join(u' ') + u'\n';
            const SignalRow row = MapSignalToRow(message, signal);
            if (row.importable())
                out += QStringLiteral("    row        ") + row.settingsText() + u'\n';
            for (const MappingNote& note : row.notes)
                out += (note.refuses ? QStringLiteral("    refused    ")
                                     : QStringLiteral("    note       ")) +
                       note.text + u'\n';
            for (const Finding& finding : rowFindings(row, catalogue, memo))
                out += QStringLiteral("    ") + SeverityText(finding.severity).leftJustified(11) +
                       PlaceText(finding) + QStringLiteral(": ") + finding.message + u'\n';
            if (proposals && row.importable()) {
                const QStringList entries = proposals->forSignal(signal);
                if (!entries.isEmpty())
                    out += QStringLiteral("    variables  ") +
                           entries.mid(0, ShownProposals).join(QStringLiteral(", ")) +
                           (entries.size() > ShownProposals
                                ? QStringLiteral(" (%1 in all)").arg(entries.size())
                                : QString()) +
                           u'\n';
            }
            if (!signal.comment.isEmpty())
                out += QStringLiteral("    // ") + oneLine(signal.comment) + u'\n';
        }
    }
    return out;
}

// The proposals with each variable list entry escaped once, and each array
// of them written once: the signals of a unit mostly share their array.
struct JsonProposals {
    const VariableProposals& proposals;
    QList<QByteArray> quotedEntries;
    // By ranking number; every signal's array stands at the same depth.
    QList<QByteArray> arrays;
    QByteArray none;

    explicit JsonProposals(const VariableProposals& from) : proposals(from) {
        quotedEntries.reserve(from.entryCount());
        for (qsizetype i = 0; i < from.entryCount(); ++i)
            quotedEntries.append(JsonText::quoted(from.entryText(i)));
    }

    const QByteArray& arrayFor(const JsonText& json, const DbcSignal& signal) {
        const qsizetype ranking = proposals.forSignalRanking(signal);
        if (ranking >= arrays.size())
            arrays.resize(ranking + 1);
        QByteArray& array = ranking < 0 ? none : arrays[ranking];
        if (array.isEmpty())
            array = json.quotedArrayText(quotedEntries, ranking < 0
                                                            ? QList<qsizetype>()
                                                            : proposals.rankingEntries(ranking));
        return array;
    }
};

// Keys in sorted order, as QJsonDocument writes them.
void signalJson(JsonText& json, const DbcMessage& message, const DbcSignal& signal,
                const VariableCatalogue& catalogue, RowCheckMemo& memo, JsonProposals* proposals) {
    static const char* const ValueTypes[] = {"integer", "float", "double"};
    const SignalRow row = MapSignalToRow(message, signal);
    json.beginObject();
    json.key("byteOrder").value(signal.littleEndian ? "Intel" : "Motorola");
    json.key("comment").value(signal.comment);
    json.key("factor").value(signal.factor);
    json.key("findings").beginArray();
    for (const Finding& finding : rowFindings(row, catalogue, memo)) {
        json.beginObject();
        json.key("code").value(finding.code);
        json.key("column").value(finding.column);
        json.key("message").value(finding.message);
        json.key("severity").value(SeverityText(finding.severity));
        json.endObject();
    }
    json.endArray();
    json.key("length").value(signal.length);
    json.key("line").value(signal.line);
    json.key("maximum").value(signal.maximum);
    json.key("minimum").value(signal.minimum);
    if (signal.multiplexValue >= 0)
        json.key("multiplexValue").value(signal.multiplexValue);
    else
        json.key("multiplexValue").null();
    json.key("multiplexor").value(signal.isMultiplexor);
    json.key("name").value(signal.name);
    json.key("notes").beginArray();
    for (const MappingNote& note : row.notes) {
        json.beginObject();
        json.key("column").value(note.column);
        json.key("refuses").value(note.refuses);
        json.key("text").value(note.text);
        json.endObject();
    }
    json.endArray();
    json.key("offset").value(signal.offset);
    json.key("receivers").stringArray(signal.receivers);
    if (row.importable()) {
        json.key("row").beginArray();
        for (int column = ColVariable; column < ChannelGridColumns; ++column)
            json.value(row.cells[column]);
        json.endArray();
    } else {
        json.key("row").null();
    }
    json.key("signed").value(signal.isSigned);
    json.key("startBit").value(signal.startBit);
    json.key("unit").value(signal.unit);
    json.key("valueType").value(ValueTypes[static_cast<int>(signal.valueType)]);
    json.key("variables");
    if (proposals) {
        json.writtenValue(proposals->arrayFor(json, signal));
    } else {
        json.beginArray();
        json.endArray();
    }
    json.endObject();
}

// Written to standard output as it is built: a large database's listing
// built as QJsonObjects first took several times as long as reading the
// database. False when the output could not be written.
bool writeListingJson(const CanDatabase& database, const VariableCatalogue& catalogue,
                      const std::optional<VariableProposals>& proposals) {
    std::optional<JsonProposals> quoted =
        proposals ? std::optional<JsonProposals>(std::in_place, *proposals) : std::nullopt;
    RowCheckMemo memo;
    JsonText json(stdout);
    json.beginObject();
    json.key("messages").beginArray();
    for (const DbcMessage& message : database.messages) {
        json.beginObject();
        json.key("comment").value(message.comment);
        json.key("frame").value(message.extended ? "29 bit" : "11 bit");
        json.key("identifier").value(IdentifierText(message));
        json.key("length").value(message.length);
        json.key("line").value(message.line);
        json.key("name").value(message.name);
        json.key("sender").value(message.sender);
        json.key("signals").beginArray();
        for (const DbcSignal& signal : message.signalList)
            signalJson(json, message, signal, catalogue, memo, quoted ? &*quoted : nullptr);
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("problems").beginArray();
    for (const DbcProblem& problem : database.problems) {
        json.beginObject();
        json.key("line").value(problem.line);
        json.key("message").value(problem.message);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.finish();
}

} // namespace

int RunDbcCommand(const QStringList& arguments) {
    CommandLine line(
        CommandNamed("dbc"),
        QStringLiteral(
            "Lists the messages and signals of a CAN database with the channel row each signal "
            "gives.\nRows list columns 2 to 12 of the channel table, joined by '|'; what the "
            "checks find in a row (before a variable is chosen) follows it."));
    line.addArgument(QStringLiteral("FILE.dbc"), QStringLiteral("The CAN database to read."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Write JSON instead of text."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    line.parser.addOptions({jsonOption, catalogueOption});
    if (const int exit = line.parse(arguments, {catalogueOption}); exit >= 0)
        return exit;
    const QString& path = line.argument();
    const QString cataloguePath = line.parser.value(catalogueOption);

    CanDatabase database;
    if (const int exit = ReadDatabase(path, database); exit != ExitOk)
        return exit;
    // Proposals need a catalogue; without one named, a missing Vars.cfg only
    // leaves them out.
    std::optional<VariableProposals> proposals;
    CatalogueLoad catalogue;
    if (!cataloguePath.isEmpty()) {
        if (const int exit = LoadCatalogue(cataloguePath, catalogue); exit != ExitOk)
            return exit;
    } else {
        catalogue = LoadVariableDefinitions(CataloguePathToRead(QString()));
    }
    if (!catalogue.corrupt)
        proposals.emplace(catalogue.catalogue, catalogue.variableList);

    if (line.parser.isSet(jsonOption)) {
        if (writeListingJson(database, catalogue.catalogue, proposals))
            return ExitOk;
        PrintError(QStringLiteral("cannot write to standard output"));
        return ExitFileError;
    }
    return WriteOutput(listingText(database, catalogue.catalogue, proposals).toUtf8(), QString());
}

} // namespace cac::cli
