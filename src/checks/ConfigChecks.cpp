#include "checks/ConfigChecks.h"

#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "checks/CheckSupport.h"
#include "common/HexText.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"

#include <QHash>

#include <algorithm>

namespace cac {
namespace {

struct CheckInfo {
    const char* code;
    Severity severity;
};

// In the order of enum Check.
constexpr CheckInfo Checks[CheckCount] = {
    {"variable-unknown", Severity::Error},
    {"variable-not-logged", Severity::Error},
    {"variable-duplicate", Severity::Warning},
    {"no-variable", Severity::Warning},
    {"obd-text-without-obd", Severity::Warning},
    {"obd-channel-settings", Severity::Warning},
    {"id-length-unlisted", Severity::Warning},
    {"identifier-range", Severity::Error},
    {"filter-loc-unlisted", Severity::Error},
    {"filter-value-unused", Severity::Warning},
    {"filter-value-missing", Severity::Warning},
    {"bits-beyond-frame", Severity::Error},
    {"bits-overlap", Severity::Warning},
    {"filter-in-signal", Severity::Warning},
    {"layout-unknown", Severity::Note},
    {"length-range", Severity::Error},
    {"float-length", Severity::Error},
    {"value-type-unlisted", Severity::Error},
    {"byte-order-unlisted", Severity::Error},
    {"byte-overflow", Severity::Error},
    {"number-text", Severity::Warning},
    {"number-rounded", Severity::Warning},
    {"number-empty", Severity::Note},
    {"scale-zero", Severity::Error},
    {"exponent-range", Severity::Error},
    {"exponent-not-time", Severity::Warning},
    {"cell-separator", Severity::Error},
    {"cell-line-break", Severity::Error},
    {"cell-not-8-bit", Severity::Error},
    {"bit-rate-unlisted", Severity::Error},
    {"priority-unlisted", Severity::Warning},
};

// What in a cell a saved file cannot carry, seen in one pass: a listing
// checks every cell of thousands of rows.
struct Unsaveable {
    bool separator = false;
    bool lineBreak = false;
    bool not8Bit = false;
};

Unsaveable unsaveableIn(const QString& text) {
    Unsaveable found;
    // Cells mostly hold printable ASCII before "|": one test a character.
    if (std::all_of(text.begin(), text.end(),
                    [](QChar ch) { return ch.unicode() >= 0x20 && ch.unicode() < u'|'; }))
        return found;
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        found.separator = found.separator || code == u'|';
        found.lineBreak = found.lineBreak || code == u'\r';
        found.not8Bit = found.not8Bit || code >= 256;
    }
    return found;
}

// What a saved .ccf cannot carry: every line is split at "|" and ends at CR,
// and the file is 8-bit text. A channel cell's whole column would not load
// back, a priority the whole priority line.
void checkSaveable(const QString& text, Place place, int row, int column,
                   QList<Finding>& findings) {
    using checks::MakeFinding;
    const Unsaveable found = unsaveableIn(text);
    auto line = [&] {
        return column > 0 ? QStringLiteral("the %1 column").arg(ColumnName(column))
                          : QStringLiteral("the OBD priorities");
    };
    if (found.separator)
        findings.append(MakeFinding(Check::CellSeparator, place, row, column,
                                    QStringLiteral("a \"|\" cannot be saved in a cell: the saved "
                                                   "file would not load %1 back")
                                        .arg(line())));
    if (found.lineBreak)
        findings.append(MakeFinding(Check::CellLineBreak, place, row, column,
                                    QStringLiteral("a line break cannot be saved in a cell: it "
                                                   "would split its line in the saved file, and "
                                                   "neither %1 nor any line after it would load "
                                                   "back")
                                        .arg(line())));
    if (found.not8Bit)
        findings.append(MakeFinding(Check::CellNot8Bit, place, row, column,
                                    QStringLiteral("%1 holds characters the 8-bit configuration "
                                                   "file cannot carry: they would be saved as "
                                                   "\"?\"")
                                        .arg(checks::Quoted(text))));
}

int placeOrder(Place place) {
    return static_cast<int>(place);
}

} // namespace

QString CheckCode(Check check) {
    return QString::fromLatin1(Checks[static_cast<int>(check)].code);
}

QList<Finding> CheckConfiguration(const ConfigModel& model, const VariableCatalogue& catalogue) {
    using namespace checks;
    QList<Finding> findings;
    QHash<std::int32_t, int> firstChannelOf;
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        for (int column = 1; column < ChannelGridColumns; ++column)
            checkSaveable(model.cell(channel, column), Place::Channel, channel, column, findings);
        const std::int32_t variable = CheckChannel(model, catalogue, channel, findings);
        if (variable < 0)
            continue;
        if (const int first = firstChannelOf.value(variable); first > 0)
            findings.append(MakeFinding(Check::VariableDuplicate, Place::Channel, channel,
                                        ColVariable,
                                        QStringLiteral("channel %1 feeds %2 too: the logger gets "
                                                       "two values for one variable")
                                            .arg(first)
                                            .arg(Quoted(model.cell(first, ColVariable)))));
        else
            firstChannelOf.insert(variable, channel);
    }

    CheckOverlaps(model, findings);

    if (!BaudRateEntries().contains(model.baudRateText()))
        findings.append(MakeFinding(Check::BitRateUnlisted, Place::BitRate, 0, 0,
                                    QStringLiteral("%1 is none of the list's bit rates: the image "
                                                   "gets bit timing 00 00 00, and a saved file "
                                                   "would not load it back")
                                        .arg(Quoted(model.baudRateText()))));

    QStringList priorities;
    for (int row = 1; row <= ObdParameterCount; ++row)
        priorities.append(model.obdPriority(row));
    const QByteArray table = BuildObdPriorityTable(priorities);
    for (int row = 1; row <= ObdParameterCount; ++row) {
        const QString& text = priorities.at(row - 1);
        checkSaveable(text, Place::ObdPriority, row, 0, findings);
        if (!PriorityEntries().contains(text))
            findings.append(MakeFinding(
                Check::PriorityUnlisted, Place::ObdPriority, row, 0,
                QStringLiteral("%1 is not a priority of the list (OFF, 1 to 8): the image gets "
                               "mask %2 and sequence number %3")
                    .arg(Quoted(text), HexByte(static_cast<std::uint8_t>(table.at(row - 1))),
                         HexByte(
                             static_cast<std::uint8_t>(table.at(ObdParameterCount + row - 1))))));
    }

    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tuple(placeOrder(a.place), a.row, a.column) <
               std::tuple(placeOrder(b.place), b.row, b.column);
    });
    return findings;
}

// The cells alone, without a model around them: a listing checks thousands
// of rows. With OBD mode off, as a configuration starts.
QList<Finding> CheckChannelRow(const ChannelCells& cells, const VariableCatalogue& catalogue,
                               RowCheckMemo* memo) {
    QList<Finding> findings;
    for (int column = 1; column < ChannelGridColumns; ++column)
        checkSaveable(cells.at(static_cast<std::size_t>(column)), Place::Channel, 0, column,
                      findings);
    const QString& variable = cells.at(ColVariable);
    if (!memo || !(variable.isEmpty() || variable == DoNotUseText)) {
        checks::CheckChannel(cells, /*obdChannel=*/false, catalogue, 0, findings,
                             /*variablePending=*/true);
        return findings;
    }
    checks::CheckPendingIdentifier(cells, 0, findings);
    QStringList key(cells.begin(), cells.end());
    key[ColIdLength].clear();
    key[ColCanId].clear();
    auto settings = memo->settings.constFind(key);
    if (settings == memo->settings.cend()) {
        QList<Finding> found;
        checks::CheckPendingSettings(cells, catalogue, 0, found);
        settings = memo->settings.insert(key, found);
    }
    findings += *settings;
    return findings;
}

namespace checks {

Finding MakeFinding(Check check, Place place, int row, int column, const QString& message,
                    std::optional<Severity> severity) {
    const CheckInfo& info = Checks[static_cast<int>(check)];
    return {severity.value_or(info.severity),
            QString::fromLatin1(info.code),
            place,
            row,
            column,
            message};
}

QString Quoted(const QString& text) {
    QString shown = text.left(40);
    for (QChar& ch : shown) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\t')
            ch = u' ';
    }
    return u'"' + shown + (text.size() > 40 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString NumberText(double value) {
    return FormatGeneralNumber(value, u'.');
}

} // namespace checks
} // namespace cac
