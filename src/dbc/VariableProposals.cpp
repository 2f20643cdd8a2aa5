#include "dbc/VariableProposals.h"

#include "catalogue/VariableLookup.h"

#include <QRegularExpression>
#include <QVarLengthArray>

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

// Hands `take` the lower-case words of a name: "WheelSpeedFL" and "Wheel
// speed FL {WSFL}" both hold wheel, speed and fl. A word is a run of letters
// and digits, taken whole once it ends. Every word is written into one
// buffer, as a listing splits thousands of signal names.
template <typename Take> void forEachNameWord(const QString& name, Take take) {
    QString word;
    qsizetype start = -1; // of the word being read, -1 between words
    auto endWord = [&](qsizetype end) {
        word.resize(end - start);
        QChar* out = word.data();
        for (qsizetype i = start; i < end; ++i) {
            const char16_t ch = name[i].unicode();
            out[i - start] =
                ch < 0x80 ? QChar(ch >= u'A' && ch <= u'Z' ? ch + 32 : ch) : name[i].toLower();
        }
        take(std::as_const(word));
        start = -1;
    };
    QChar previous;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar ch = name[i];
        const bool boundary = !ch.isLetterOrNumber() || (previous.isLower() && ch.isUpper()) ||
                              (start >= 0 && previous.isDigit() != ch.isDigit());
        if (boundary && start >= 0)
            endWord(i);
        if (ch.isLetterOrNumber() && start < 0)
            start = i;
        previous = ch;
    }
    if (start >= 0)
        endWord(name.size());
}

} // namespace

QString CatalogueUnitFor(const QString& dbcUnit) {
    // Looked up for every signal of a listing.
    static const QHash<QString, QString> units = [] {
        QHash<QString, QString> bySpelling;
        for (const auto& [spelling, unit] : Spellings) {
            if (!bySpelling.contains(QLatin1String(spelling)))
                bySpelling.insert(QLatin1String(spelling), QLatin1String(unit));
        }
        return bySpelling;
    }();
    return units.value(normalised(dbcUnit));
}

QString UnitMismatchText(const QString& unit, const VariableCatalogue& catalogue,
                         const QString& variableEntry) {
    if (unit.trimmed().isEmpty() || variableEntry.isEmpty())
        return {};
    const std::int32_t id = FindVariableIndex(catalogue, variableEntry);
    if (id <= 0)
        return {};
    const QString variableUnit = GetVariableUnits(id);
    // A variable without units logs any quantity as it comes.
    if (variableUnit == QLatin1String("[no units]") || variableUnit == QLatin1String("[Invalid]"))
        return {};
    if (CatalogueUnitFor(unit) == variableUnit)
        return {};
    return QStringLiteral("the reference is in %1, the variable in %2")
        .arg(unit.trimmed().left(20), variableUnit);
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
            QList<int> numbers;
            forEachNameWord(entry, [&](const QString& word) {
                auto number = m_wordNumbers.constFind(word);
                if (number == m_wordNumbers.cend())
                    number = m_wordNumbers.insert(word, static_cast<int>(m_wordNumbers.size()));
                numbers.append(*number);
            });
            m_byUnit[GetVariableUnits(id)].append(m_entries.size());
            m_entries.append({entry, GetVariableUnits(id), numbers});
        }
    }
}

QStringList VariableProposals::forSignal(const DbcSignal& signal) const {
    return textsOf(rankingNumber(signal, false));
}

qsizetype VariableProposals::forSignalRanking(const DbcSignal& signal) const {
    return rankingNumber(signal, false);
}

QStringList VariableProposals::ranked(const DbcSignal& signal) const {
    return textsOf(rankingNumber(signal, true));
}

QStringList VariableProposals::textsOf(qsizetype ranking) const {
    if (ranking < 0)
        return {};
    const QList<qsizetype>& indexes = m_rankingEntries.at(ranking);
    QStringList texts;
    texts.reserve(indexes.size());
    for (const qsizetype index : indexes)
        texts.append(m_entries.at(index).text);
    return texts;
}

qsizetype VariableProposals::rankingNumber(const DbcSignal& signal, bool anyUnit) const {
    auto unit = m_catalogueUnits.constFind(signal.unit);
    if (unit == m_catalogueUnits.cend())
        unit = m_catalogueUnits.insert(signal.unit, CatalogueUnitFor(signal.unit));
    if (unit->isEmpty() && !anyUnit)
        return -1;
    // Only the words some entry has are kept to be compared; how many others
    // the name has changes no ranking.
    RankKey key{anyUnit, *unit, {}};
    forEachNameWord(signal.name, [&](const QString& word) {
        if (const auto number = m_wordNumbers.constFind(word); number != m_wordNumbers.cend())
            key.words.append(*number);
    });
    std::sort(key.words.begin(), key.words.end());
    auto ranking = m_rankings.constFind(key);
    if (ranking == m_rankings.cend()) {
        m_rankingEntries.append(rankedFor(key));
        ranking = m_rankings.insert(key, m_rankingEntries.size() - 1);
    }
    return *ranking;
}

QList<qsizetype> VariableProposals::rankedFor(const RankKey& key) const {
    const QString& unit = key.unit;
    const bool anyUnit = key.anyUnit;
    const QList<int>& signalWords = key.words;
    struct Rank {
        bool unitSuits;
        int shared; // words shared with the signal's name
        qsizetype entry;
    };
    // Only the entries of the signal's unit are looked at, unless all are
    // ranked.
    const QList<qsizetype> none;
    const auto found = m_byUnit.constFind(unit);
    const QList<qsizetype>& suited = found != m_byUnit.cend() ? *found : none;
    QVarLengthArray<Rank, 64> ranks;
    ranks.reserve(anyUnit ? m_entries.size() : suited.size());
    for (qsizetype i = 0, count = anyUnit ? m_entries.size() : suited.size(); i < count; ++i) {
        const qsizetype index = anyUnit ? i : suited.at(i);
        const Entry& entry = m_entries.at(index);
        // The entries of the unit have it; for the others it is to be seen.
        const bool unitSuits = !anyUnit || (!unit.isEmpty() && entry.unit == unit);
        const auto shared = std::count_if(signalWords.begin(), signalWords.end(), [&](int word) {
            return entry.wordNumbers.contains(word);
        });
        ranks.append({unitSuits, static_cast<int>(shared), index});
    }
    // Those of the unit first, then by the words shared, the list order kept
    // among equals: counted per grade, then each put at its grade's next
    // place, as there are only a few grades.
    const auto grades = static_cast<int>(signalWords.size()) + 1;
    auto grade = [&](const Rank& rank) { return (rank.unitSuits ? grades : 0) + rank.shared; };
    QVarLengthArray<qsizetype, 16> next(2 * grades + 1, 0); // by grade: where its next goes
    for (const Rank& rank : ranks)
        ++next[grade(rank)];
    qsizetype place = 0;
    for (qsizetype wanted = next.size() - 1; wanted >= 0; --wanted)
        place += std::exchange(next[wanted], place);
    QList<qsizetype> entries(ranks.size());
    for (const Rank& rank : ranks)
        entries[next[grade(rank)]++] = rank.entry;
    return entries;
}

} // namespace cac
