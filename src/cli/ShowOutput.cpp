#include "cli/ShowOutput.h"

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cac::cli {
namespace {

constexpr qsizetype WidestCell = 28;

// The channel table's settings in show's order, with their JSON names.
struct ShownColumn {
    const char* title;
    const char* json;
    int column;
};
constexpr ShownColumn Columns[] = {
    {"Variable", "variable", ColVariable},
    {"CAN ID", "canId", ColCanId},
    {"ID length", "idLength", ColIdLength},
    {"Filter", "filterLoc", ColFilterLoc},
    {"Value", "filterValue", ColFilterVal},
    {"Start", "startBit", ColStartBit},
    {"Bits", "length", ColLength},
    {"Type", "valueType", ColValueType},
    {"Byte order", "byteOrder", ColByteOrder},
    {"Scale", "scaleFactor", ColScale},
    {"Offset", "offset", ColOffset},
    {"Exp", "exponent", ColExponent},
};

// A cell as a table shows it: on one line, cut when very long.
QString shownCell(QString text) {
    text.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return text.size() > WidestCell ? text.left(WidestCell - 3) + QStringLiteral("...") : text;
}

QString origin(const ShownConfiguration& shown) {
    return shown.fromImage ? QStringLiteral("configuration image")
                           : QStringLiteral("configuration file");
}

} // namespace

QByteArray ShowAsText(const ShownConfiguration& shown) {
    const ConfigModel& model = shown.model;
    QStringList lines;
    lines << QStringLiteral("%1: %2, bit rate %3, OBD mode %4")
                 .arg(shown.file, origin(shown), model.baudRateText(),
                      model.obdModeEnabled() ? QStringLiteral("on") : QStringLiteral("off"))
          << QString();

    QList<QStringList> rows{{QStringLiteral("Ch")}};
    for (const ShownColumn& column : Columns)
        rows.first() << QString::fromLatin1(column.title);
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        QStringList row{QString::number(channel)};
        for (const ShownColumn& column : Columns)
            row << shownCell(model.cell(channel, column.column));
        rows << row;
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    for (const QStringList& row : rows) {
        QString line = row.first().rightJustified(widths.first());
        for (qsizetype i = 1; i < row.size(); ++i)
            line += QStringLiteral("  ") + row.at(i).leftJustified(widths.at(i));
        lines << line.trimmed().prepend(row.first().size() < widths.first() ? QStringLiteral(" ")
                                                                            : QString());
    }

    lines << QString() << QStringLiteral("Equations");
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        const QString equation = ConversionEquationText(model, shown.catalogue, channel, u'.');
        if (equation != QLatin1String("n/a"))
            lines << QStringLiteral("%1  %2").arg(channel, 2).arg(equation);
    }

    lines << QString() << QStringLiteral("OBD priorities");
    const QStringList names = ObdParameterNames();
    for (int row = 1; row <= ObdParameterCount; ++row)
        lines << QStringLiteral("  %1  %2")
                     .arg(names.at(row - 1).leftJustified(32), model.obdPriority(row));

    if (!shown.readingFindings.isEmpty()) {
        lines << QString() << QStringLiteral("Reading the image back");
        for (const Finding& finding : shown.readingFindings)
            lines << FindingLine(shown.file, finding);
    }
    return (lines.join(u'\n') + u'\n').toUtf8();
}

QByteArray ShowAsJson(const ShownConfiguration& shown) {
    const ConfigModel& model = shown.model;
    QJsonArray channels;
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        QJsonObject object{{QStringLiteral("channel"), channel}};
        for (const ShownColumn& column : Columns)
            object.insert(QLatin1String(column.json), model.cell(channel, column.column));
        const std::int32_t id =
            FindVariableIndex(shown.catalogue, model.cell(channel, ColVariable));
        object.insert(QStringLiteral("variableId"), id >= 0 ? QJsonValue(id) : QJsonValue());
        object.insert(QStringLiteral("equation"),
                      ConversionEquationText(model, shown.catalogue, channel, u'.'));
        channels.append(object);
    }
    QJsonArray priorities;
    const QStringList names = ObdParameterNames();
    for (int row = 1; row <= ObdParameterCount; ++row)
        priorities.append(QJsonObject{{QStringLiteral("parameter"), names.at(row - 1)},
                                      {QStringLiteral("priority"), model.obdPriority(row)}});
    QJsonArray findings;
    for (const Finding& finding : shown.readingFindings)
        findings.append(QJsonObject{{QStringLiteral("severity"), SeverityText(finding.severity)},
                                    {QStringLiteral("code"), finding.code},
                                    {QStringLiteral("place"), PlaceText(finding)},
                                    {QStringLiteral("message"), finding.message}});
    const QJsonObject root{
        {QStringLiteral("file"), shown.file},
        {QStringLiteral("source"), shown.fromImage ? QStringLiteral("hex") : QStringLiteral("ccf")},
        {QStringLiteral("bitRate"), model.baudRateText()},
        {QStringLiteral("obdMode"), model.obdModeEnabled()},
        {QStringLiteral("channels"), channels},
        {QStringLiteral("obdPriorities"), priorities},
        {QStringLiteral("readingFindings"), findings}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace cac::cli
