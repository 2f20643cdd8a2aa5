// can-adapter-cli dbc: the messages and signals of a CAN database, each
// signal with the channel row it gives, as text or JSON.

#include "checks/ConfigChecks.h"
#include "cli/CliCommon.h"
#include "cli/DbcInput.h"
#include "dbc/SignalRow.h"
#include "dbc/VariableProposals.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

// What the checks say about the row a signal gives, before a variable is chosen.
QList<Finding> rowFindings(const SignalRow& row, const VariableCatalogue& catalogue) {
    return row.importable() ? CheckChannelRow(row.cells, catalogue) : QList<Finding>();
}

QString listingText(const CanDatabase& database, const VariableCatalogue& catalogue,
                    const std::optional<VariableProposals>& proposals) {
    QString out;
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
            for (const Finding& finding : rowFindings(row, catalogue))
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

QJsonObject signalJson(const DbcMessage& message, const DbcSignal& signal,
                       const VariableCatalogue& catalogue,
                       const std::optional<VariableProposals>& proposals) {
    static const char* const ValueTypes[] = {"integer", "float", "double"};
    const SignalRow row = MapSignalToRow(message, signal);
    QJsonArray notes;
    for (const MappingNote& note : row.notes)
        notes.append(
            QJsonObject{{"refuses", note.refuses}, {"column", note.column}, {"text", note.text}});
    QJsonArray findings;
    for (const Finding& finding : rowFindings(row, catalogue))
        findings.append(QJsonObject{{"severity", SeverityText(finding.severity)},
                                    {"code", finding.code},
                                    {"column", finding.column},
                                    {"message", finding.message}});
    QJsonValue cells = QJsonValue::Null;
    if (row.importable()) {
        QJsonArray settings;
        for (int column = ColVariable; column < ChannelGridColumns; ++column)
            settings.append(row.cells[column]);
        cells = settings;
    }
    return {
        {"name", signal.name},
        {"startBit", signal.startBit},
        {"length", signal.length},
        {"byteOrder", signal.littleEndian ? "Intel" : "Motorola"},
        {"signed", signal.isSigned},
        {"valueType", ValueTypes[static_cast<int>(signal.valueType)]},
        {"factor", signal.factor},
        {"offset", signal.offset},
        {"minimum", signal.minimum},
        {"maximum", signal.maximum},
        {"unit", signal.unit},
        {"receivers", QJsonArray::fromStringList(signal.receivers)},
        {"multiplexor", signal.isMultiplexor},
        {"multiplexValue", signal.multiplexValue >= 0 ? QJsonValue(signal.multiplexValue)
                                                      : QJsonValue(QJsonValue::Null)},
        {"comment", signal.comment},
        {"line", signal.line},
        {"row", cells},
        {"notes", notes},
        {"findings", findings},
        {"variables",
         QJsonArray::fromStringList(proposals ? proposals->forSignal(signal) : QStringList())},
    };
}

QByteArray listingJson(const CanDatabase& database, const VariableCatalogue& catalogue,
                       const std::optional<VariableProposals>& proposals) {
    QJsonArray messages;
    for (const DbcMessage& message : database.messages) {
        QJsonArray signalArray;
        for (const DbcSignal& signal : message.signalList)
            signalArray.append(signalJson(message, signal, catalogue, proposals));
        messages.append(QJsonObject{
            {"name", message.name},
            {"identifier", IdentifierText(message)},
            {"frame", message.extended ? "29 bit" : "11 bit"},
            {"length", message.length},
            {"sender", message.sender},
            {"comment", message.comment},
            {"line", message.line},
            {"signals", signalArray},
        });
    }
    QJsonArray problems;
    for (const DbcProblem& problem : database.problems)
        problems.append(QJsonObject{{"line", problem.line}, {"message", problem.message}});
    return QJsonDocument(QJsonObject{{"messages", messages}, {"problems", problems}})
        .toJson(QJsonDocument::Indented);
}

} // namespace

int RunDbcCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("dbc");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the messages and signals of a CAN database with the channel row each signal "
        "gives.\nRows list columns 2 to 12 of the channel table, joined by '|'; what the checks "
        "find in a row (before a variable is chosen) follows it."));
    parser.addPositionalArgument(QStringLiteral("FILE.dbc"),
                                 QStringLiteral("The CAN database to read."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Write JSON instead of text."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    parser.addOptions({jsonOption, catalogueOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;
    QString path;
    if (const int exit =
            SingleArgument(parser, command, QStringLiteral("FILE.dbc"), {catalogueOption}, path);
        exit != ExitOk)
        return exit;
    const QString cataloguePath = parser.value(catalogueOption);

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
        catalogue = LoadVariableDefinitions(DefaultCataloguePath());
    }
    if (!catalogue.corrupt)
        proposals.emplace(catalogue.catalogue, catalogue.variableList);

    return WriteOutput(parser.isSet(jsonOption)
                           ? listingJson(database, catalogue.catalogue, proposals)
                           : listingText(database, catalogue.catalogue, proposals).toUtf8(),
                       QString());
}

} // namespace cac::cli
