#pragma once

#include "catalogue/VariableCatalogue.h"
#include "dbc/CanDatabase.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace cac {

// The catalogue unit text ("[RPM]", "[degrees Celsius]", ...) that a
// database's unit spelling stands for ("rpm", "1/min", "degC", "°C", ...), or
// an empty text when it stands for none of them. An empty unit or "-" is
// "[no units]".
QString CatalogueUnitFor(const QString& dbcUnit);

// Why a quantity measured in `unit` (as a reference or database writes it)
// would be logged wrongly as the variable list entry `variableEntry`: "the
// reference is in kPa, the variable in [mBar]"; empty when the units agree,
// when either has none, or when the entry is no catalogue variable.
QString UnitMismatchText(const QString& unit, const VariableCatalogue& catalogue,
                         const QString& variableEntry);

// The variable a signal's comment names as the export writes it: "Oil temp
// {OILT}" from "channel 3: Oil temp {OILT}"; empty when it names none.
QString VariableTextInComment(const QString& comment);
// That variable's entry in the variable list, matched by its default name as
// the grid matches a cell; empty when the list has none.
QString VariableNamedInComment(const QString& comment, const QStringList& variableList);

// The variables a signal suits: the entries of the variable list whose
// variable has the catalogue unit that the signal's unit stands for, those
// that share most words with the signal's name first. Built once per
// catalogue, then asked per signal; keeps what it found, so one object is
// asked from one thread at a time.
class VariableProposals {
public:
    VariableProposals(const VariableCatalogue& catalogue, const QStringList& variableList);

    // Variable list entries; equally good ones keep their list order.
    QStringList forSignal(const DbcSignal& signal) const;
    // The same as a number for rankingEntries(): signals with one number
    // have the same proposals, so a listing writes each list once. Numbered
    // from 0 as first asked for; -1 for none.
    qsizetype forSignalRanking(const DbcSignal& signal) const;
    // The proposals of a ranking number, as positions of entryText().
    const QList<qsizetype>& rankingEntries(qsizetype ranking) const {
        return m_rankingEntries.at(ranking);
    }
    qsizetype entryCount() const { return m_entries.size(); }
    const QString& entryText(qsizetype index) const { return m_entries.at(index).text; }
    // Every variable of the list, best first: those forSignal() proposes,
    // then the others, those sharing most words with the signal's name first.
    // A unit never hides a variable: a database may spell it in a way that
    // is not known here.
    QStringList ranked(const DbcSignal& signal) const;

private:
    struct Entry {
        QString text;
        QString unit;           // the catalogue unit text
        QList<int> wordNumbers; // its name's words, as numbered in m_wordNumbers
    };
    // What a ranking depends on: the catalogue unit and the words of the
    // signal's name that some entry has (numbered, in sorted order).
    struct RankKey {
        bool anyUnit = false;
        QString unit;
        QList<int> words;
        bool operator==(const RankKey&) const = default;
        friend size_t qHash(const RankKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.anyUnit, key.unit, key.words);
        }
    };
    // Entries with the signal's unit (or all, with `anyUnit`), best first:
    // their ranking number, -1 for none.
    qsizetype rankingNumber(const DbcSignal& signal, bool anyUnit) const;
    QList<qsizetype> rankedFor(const RankKey& key) const;
    QStringList textsOf(qsizetype ranking) const; // none for -1

    QList<Entry> m_entries;                    // in list order
    QHash<QString, QList<qsizetype>> m_byUnit; // entry indexes by catalogue unit text
    // Every word of the entries' names, numbered: a signal's words are looked
    // up once, then compared with each entry's as numbers.
    QHash<QString, int> m_wordNumbers;
    // A database has few units and a few words its names share with the
    // entries, over thousands of signals: each ranking is worked out once.
    mutable QHash<QString, QString> m_catalogueUnits; // by the database's unit text
    mutable QHash<RankKey, qsizetype> m_rankings;     // numbers of m_rankingEntries
    mutable QList<QList<qsizetype>> m_rankingEntries;
};

} // namespace cac
