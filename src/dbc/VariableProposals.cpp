#include "dbc/VariableProposals.h"

#include "catalogue/VariableLookup.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace cac {
namespace {

// Spellings after normalising: lower case, no blanks or brackets, and the
// degree sign (or the ordinal sign that stands in for it) written "deg".
const std::pair<const char*, const char*> Spellings[] = {
    {"degc", "[degrees Celsius]"},
    {"degreec", "[degrees Celsius]"},
    {"degreesc", "[degrees Celsius]"},
    {"celsius", "[degrees Celsius]"},
    {"degcelsius", "[degrees Celsius]"},
    {"c", "[degrees Celsius]"},
    {"rpm", "[RPM]"},
    {"1/min", "[RPM]"},
    {"/min", "[RPM]"},
    {"u/min", "[RPM]"},
    {"r/min", "[RPM]"},
    {"rev/min", "[RPM]"},
    {"min-1", "[RPM]"},
    {"min^-1", "[RPM]"},
    {"hz", "[Hz]"},
    {"1/s", "[Hz]"},
    {"%", "[%]"},
    {"pct", "[%]"},
    {"percent", "[%]"},
    {"ms", "[milli-seconds (scaled by exponent)]"},
    {"msec", "[milli-seconds (scaled by exponent)]"},
    {"millisecond", "[milli-seconds (scaled by exponent)]"},
    {"milliseconds", "[milli-seconds (scaled by exponent)]"},
    {"deg", "[degrees]"},
    {"degree", "[degrees]"},
    {"degrees", "[degrees]"},
    {"mbar", "[mBar]"},
    // The catalogue's own texts, as the export writes them.
    {"degreescelsius", "[degrees Celsius]"},
    {"milli-seconds(scaledbyexponent)", "[milli-seconds (scaled by exponent)]"},
    {"millibar", "[mBar]"},
    {"hpa", "[mBar]"},
    {"", "[no units]"},
    {"-", "[no units]"},
    {"none", "[no units]"},
    {"nounit", "[no units]"},
    {"nounits", "[no units]"},
};

QString normalised(const QString& unit) {
    QString key;
    for (const QChar ch : unit) {
        if (ch == u'\u00B0' || ch == u'\u00BA')
            key += QStringLiteral("deg");
        else if (!ch.isSpace() && ch != u'[' && ch != u']')
            key += ch.toLower();
    }
    return key;
}

// The lower-case words of a name: "WheelSpeedFL" and "Wheel speed FL {WSFL}"
// both hold wheel, speed and fl.
QStringList nameWords(const QString& name) {
    QStringList words;
    QString word;
    QChar previous;
    for (const QChar ch : name) {
        const bool boundary = !ch.isLetterOrNumber() || (previous.isLower() && ch.isUpper()) ||
                              (!word.isEmpty() && previous.isDigit() != ch.isDigit());
        if (boundary && !word.isEmpty())
            words.append(std::exchange(word, QString()));
        if (ch.isLetterOrNumber())
            word += ch.toLower();
        previous = ch;
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

} // namespace

QString CatalogueUnitFor(const QString& dbcUnit) {
    const QString key = normalised(dbcUnit);
    for (const auto& [spelling, unit] : Spellings) {
        if (key == QLatin1String(spelling))
            return QLatin1String(unit);
    }
    return {};
}

QString VariableTextInComment(const QString& comment) {
    static const QRegularExpression exported(QStringLiteral("^channel \\d+: (.*\\{.*\\}.*)$"));
    return exported.match(comment).captured(1);
}

QString VariableNamedInComment(const QString& comment, const QStringList& variableList) {
    const QString text = VariableTextInComment(comment);
    if (text.isEmpty())
        return {};
    const int entry = SelectMatchingItem(variableList, text, /*current=*/-1);
    return entry > 0 ? variableList.at(entry) : QString();
}

VariableProposals::VariableProposals(const VariableCatalogue& catalogue,
                                     const QStringList& variableList) {
    for (const QString& entry : variableList) {
        const std::int32_t id = FindVariableIndex(catalogue, entry);
        if (id > 0) {
            m_byUnit[GetVariableUnits(id)].append(m_entries.size());
            m_entries.append({entry, GetVariableUnits(id), nameWords(entry)});
        }
    }
}

QStringList VariableProposals::forSignal(const DbcSignal& signal) const {
    return rankedEntries(signal, false);
}

QStringList VariableProposals::ranked(const DbcSignal& signal) const {
    return rankedEntries(signal, true);
}

QStringList VariableProposals::rankedEntries(const DbcSignal& signal, bool anyUnit) const {
    const QString unit = CatalogueUnitFor(signal.unit);
    if (unit.isEmpty() && !anyUnit)
        return {};
    const QStringList signalWords = nameWords(signal.name);
    struct Rank {
        bool unitSuits;
        int shared; // words shared with the signal's name
        const QString* entry;
    };
    // A listing asks for each of thousands of signals: only the entries of
    // the signal's unit are looked at then.
    const QList<qsizetype> none;
    const auto found = m_byUnit.constFind(unit);
    const QList<qsizetype>& suited = found != m_byUnit.cend() ? *found : none;
    QList<Rank> ranks;
    ranks.reserve(anyUnit ? m_entries.size() : suited.size());
    for (qsizetype i = 0, count = anyUnit ? m_entries.size() : suited.size(); i < count; ++i) {
        const Entry& entry = m_entries.at(anyUnit ? i : suited.at(i));
        const bool unitSuits = !unit.isEmpty() && entry.unit == unit;
        if (!unitSuits && !anyUnit)
            continue;
        const auto shared =
            std::count_if(signalWords.begin(), signalWords.end(),
                          [&](const QString& w) { return entry.words.contains(w); });
        ranks.append({unitSuits, static_cast<int>(shared), &entry.text});
    }
    std::stable_sort(ranks.begin(), ranks.end(), [](const Rank& a, const Rank& b) {
        return std::pair(a.unitSuits, a.shared) > std::pair(b.unitSuits, b.shared);
    });
    QStringList entries;
    entries.reserve(ranks.size());
    for (const Rank& rank : ranks)
        entries.append(*rank.entry);
    return entries;
}

} // namespace cac
