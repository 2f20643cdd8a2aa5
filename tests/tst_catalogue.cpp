#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"
#include "common/TextBlanks.h"
#include "output/FlasherCommand.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <limits>
#include <tuple>

using namespace cac;
using cac::tools::VarsFileLayout;
using cac::tools::WriteVarsFile;

namespace {

VarsFileLayout ListedLayout() {
    VarsFileLayout varsFile;
    varsFile.upperIndexA = 3;
    varsFile.upperIndexB = 5100;
    varsFile.entries = {{999, {"LOW", "Below"}},      {1000, {"OILT", "Oil temp"}},
                        {1001, {"  ", "Blank name"}}, {2000, {"TPS", ""}},
                        {3000, {"", "No default"}},   {5049, {"LAST", "Last"}},
                        {5050, {"HIGH", "Above"}}};
    return varsFile;
}

// The look-up as described, entry by entry: upper-case, then cut to the
// braces, then the first entry up to 8000 whose trimmed, upper-cased default
// name is the key.
int LinearFind(const QStringList& upperNames, const QString& text) {
    QString key = text.left(text.indexOf('[') < 0 ? text.size() : text.indexOf('['));
    key = TrimBlanks(key).toString().toUpper();
    const qsizetype open = key.indexOf('{');
    const qsizetype close = key.indexOf('}');
    if (open >= 0 && close > open)
        key = key.mid(open + 1, close - open - 1);
    const qsizetype last = std::min<qsizetype>(8000, upperNames.size() - 1);
    for (qsizetype id = 0; id <= last; ++id) {
        if (upperNames[id] == key)
            return static_cast<int>(id);
    }
    return -1;
}

// A name or key from a few stems that collide under upper-casing and
// trimming, with letter case flipped and blanks added at random.
QString RandomName(QRandomGenerator& random, bool latin1) {
    static const QStringList stems{"OILT",   "oilt",    "RPM", "",  " ",    "A B", "ÿ",
                                   "straße", "STRASSE", "µ",   "é", "x{y}", "TPS", "tps1"};
    static const QStringList foreign{"Ÿ", "Μ", "ẞ", "{OILT}", "[RPM]"}; // not 8-bit text
    const QStringList& from = latin1 || random.bounded(4) ? stems : foreign;
    QString name = from[random.bounded(static_cast<int>(from.size()))];
    for (QChar& ch : name) {
        if (random.bounded(3) == 0)
            ch = ch.isUpper() ? ch.toLower() : ch.toUpper();
    }
    return QString(random.bounded(2), ' ') + name + QString(random.bounded(2), ' ');
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    // Corrupt files are covered in tst_failsafe.
    void reading() {
        VarsFileLayout upTo1200;
        upTo1200.upperIndexB = 1200;
        upTo1200.entries = {{1000, {"FIRST", "a"}}, {1200, {"LAST", "b"}}, {1201, {"GONE", "c"}}};
        VarsFileLayout below1000 = upTo1200;
        below1000.upperIndexB = 999;
        below1000.fillUnusedFields = false;
        const std::pair<VarsFileLayout, QStringList> rows[] = {
            {ListedLayout(), // 1000 to 5049 with a default name
             {DoNotUseText, "Oil temp {OILT}", "Blank name {  }", " {TPS}", "Last {LAST}"}},
            {upTo1200, {DoNotUseText, "a {FIRST}", "b {LAST}"}},
            {below1000, {DoNotUseText}}};
        for (const auto& [layout, list] : rows) {
            const RowName row(QString("B = %1").arg(layout.upperIndexB));
            const CatalogueLoad load = ReadVariableDefinitions(WriteVarsFile(layout));
            QVERIFY(!load.corrupt);
            QCOMPARE(load.variableList, list);
        }
    }

    // Skipped strings whose lengths change from entry to entry, or run past
    // what the reader compares at once, change nothing that is read.
    void skippedStringLengths() {
        const CatalogueLoad expected = ReadVariableDefinitions(WriteVarsFile(ListedLayout()));
        QList<int> random;
        for (int k = 0; k < 61; ++k)
            random.append(QRandomGenerator::global()->bounded(2) *
                          QRandomGenerator::global()->bounded(40));
        const QList<int> rows[] = {{0}, {40}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 300}, random};
        QTemporaryDir dir;
        const QString path = dir.filePath("Vars.cfg");
        for (const QList<int>& lengths : rows) {
            VarsFileLayout layout = ListedLayout();
            layout.fillerLengths = lengths;
            const QByteArray bytes = WriteVarsFile(layout);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            for (const CatalogueLoad& load :
                 {ReadVariableDefinitions(bytes), LoadVariableDefinitions(path)}) {
                QVERIFY(!load.corrupt);
                QCOMPARE(load.variableList, expected.variableList);
                for (auto it = layout.entries.cbegin(); it != layout.entries.cend(); ++it)
                    QCOMPARE(load.catalogue[it.key()].userName, it->userName);
            }
        }
    }

    void loadFromPath() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Vars.cfg");
        QVERIFY(LoadVariableDefinitions(path).corrupt);
        const QString folder = GetSpecialFolder();
        QCOMPARE(DefaultCataloguePath(), folder + "Vars.cfg");
        if (!folder.isEmpty())
            QVERIFY(folder.endsWith(QStringLiteral("Vorlane") + NativeSeparator()));

        // Read from the file through a window smaller than the file, and
        // grown for an entry larger than it: the same as from memory.
        VarsFileLayout layout = ListedLayout();
        layout.entries.insert(4000, {QString(20000, 'D'), QString(60000, 'u')});
        const QByteArray bytes = WriteVarsFile(layout);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        CatalogueLoad load;
        {
            // Within little more address space than the program holds now.
            const AddressSpaceLimit limit(16 * 1024 * 1024);
            load = LoadVariableDefinitions(path);
        }
        const CatalogueLoad fromMemory = ReadVariableDefinitions(bytes);
        QVERIFY(!load.corrupt);
        QCOMPARE(load.variableList, fromMemory.variableList);
        QCOMPARE(load.catalogue.size(), 5101);
        for (qsizetype id = 0; id < load.catalogue.size(); ++id) {
            QCOMPARE(load.catalogue[id].defaultName, fromMemory.catalogue[id].defaultName);
            QCOMPARE(load.catalogue[id].userName, fromMemory.catalogue[id].userName);
        }
        QCOMPARE(load.catalogue[1000].userName, QString("Oil temp"));
        QCOMPARE(load.catalogue[4000].userName.size(), 60000);
        // Entries outside the list are still found.
        QCOMPARE(FindVariableIndex(load.catalogue, "{low}"), 999);
        QCOMPARE(FindVariableIndex(load.catalogue, "{HIGH}"), 5050);
    }

    void findVariableIndex() {
        const VariableCatalogue catalogue = MakeCatalogue(8100, {{1000, "OILT", "Oil temp"},
                                                                 {1200, "DUP", "a"},
                                                                 {1300, "dup", "b"},
                                                                 {1500, "RPM", "Engine speed"},
                                                                 {3000, " spaced ", "c"},
                                                                 {8000, "EDGE", "d"},
                                                                 {8050, "FAR", "e"}});
        // clang-format off
        const std::pair<QString, int> rows[] = {
            {"Oil temp {OILT}", 1000}, {"   oil TEMP {oilt} ", 1000}, {"Anything {RPM}", 1500},
            {"Oil temp { OILT}", -1}, {"Oil temp {OILT} [x {RPM}]", 1000}, {"Oil [x] {OILT}", -1},
            {" oilt ", 1000}, {"Oil temp {OILT", -1}, {"{SPACED}", 3000}, {"{DUP}", 1200},
            {"{EDGE}", 8000}, {"{FAR}", -1}, {DoNotUseText, -1}, {"x {}", 0}};
        // clang-format on
        const VariableCatalogue shorter = MakeCatalogue(
            1399, {{1000, "OILT", "Oil temp"}, {1200, "DUP", "a"}, {1300, "dup", "b"}});
        for (const auto& [text, id] : rows) {
            const RowName row('[' + text + ']');
            QCOMPARE(FindVariableIndex(catalogue, text), id);
            // A short catalogue ends the search at its last entry.
            QCOMPARE(FindVariableIndex(shorter, text), id >= 1400 ? -1 : id);
        }
    }

    // The indexed look-up gives what a scan of every entry gives, on random
    // catalogues, built in memory or read from files that may end early.
    void findVariableIndexMatchesScan() {
        QRandomGenerator random(8001);
        for (int round = 0; round < 40; ++round) {
            const bool fromFile = round % 4 == 0;
            VarsFileLayout layout;
            layout.upperIndexB = random.bounded(fromFile ? 1 : 7900, 8200);
            for (int named = random.bounded(1, 400); named > 0; --named) {
                // Crowded near the 8000 bound, where the search ends.
                const int id = random.bounded(2)
                                   ? random.bounded(layout.upperIndexB + 1)
                                   : random.bounded(std::min(7990, layout.upperIndexB),
                                                    layout.upperIndexB + 1);
                layout.entries.insert(id, {RandomName(random, true), "User"});
            }
            VariableCatalogue catalogue;
            if (fromFile) {
                const QByteArray bytes = WriteVarsFile(layout);
                catalogue =
                    ReadVariableDefinitions(bytes.left(random.bounded(bytes.size() + 1))).catalogue;
            } else {
                QMap<std::int32_t, CatalogueEntry> entries;
                for (auto it = layout.entries.cbegin(); it != layout.entries.cend(); ++it)
                    entries.insert(it.key(), {it->defaultName, it->userName});
                catalogue = VariableCatalogue(layout.upperIndexB + 1, entries);
            }
            QStringList upperNames;
            for (const CatalogueEntry& entry : catalogue)
                upperNames.append(TrimBlanks(entry.defaultName).toString().toUpper());
            QCOMPARE(upperNames.size(), catalogue.size());

            for (int k = 0; k < 100; ++k) {
                const QString name = RandomName(random, false);
                const QString text = random.bounded(2) ? "User " + QString(random.bounded(2), ' ') +
                                                             '{' + name + "} [x]"
                                                       : name;
                const RowName row(QString("round %1, [%2]").arg(round).arg(text));
                QCOMPARE(FindVariableIndex(catalogue, text), LinearFind(upperNames, text));
            }
        }
    }

    void identifierGroups() {
        // clang-format off
        const std::tuple<int, QString, float, const char*> rows[] = {
            {-1, "[Invalid]", 1.0f, "0000"}, {999, "[Invalid]", 1.0f, "0000"},
            {1000, "[degrees Celsius]", 0.1f, "4801"}, {1254, "[degrees Celsius]", 0.1f, "48FF"},
            {1255, "[degrees Celsius]", 0.1f, "4800"}, {1500, "[RPM]", 1.0f, "4901"},
            {1501, "[Hz]", 0.1f, "4902"}, {2499, "[%]", 0.1f, "4A00"},
            {2500, "[milli-seconds (scaled by exponent)]", 1.0f, "4B01"},
            {3000, "[degrees]", 0.1f, "5D01"}, {3999, "[mBar]", 1.0f, "5E00"},
            {4000, "[no units]", 0.01f, "5F01"}, {4255, "[no units]", 0.01f, "5F00"},
            {std::numeric_limits<qint32>::max(), "[no units]", 0.01f, "5F00"}};
        // clang-format on
        for (const auto& [id, units, resolution, code] : rows) {
            const RowName row(QString::number(id));
            QCOMPARE(GetVariableUnits(id), units);
            QVERIFY(GetVariableResolution(id) == resolution); // exactly the nearest single
            QCOMPARE(GetLoggerChannelCode(id).toHex(' '), QByteArray::fromHex(code).toHex(' '));
        }
    }

    void selectMatchingItem() {
        const QStringList priorities{"OFF", "1", "2", "3", "4", "5", "6", "7", "8"};
        const QStringList variables{DoNotUseText, "Oil temp {OILT}", "Other {OILT}", "x",
                                    "y {RPM}"};
        // The entries, the text and the match; the current selection is 3.
        const std::tuple<const QStringList&, QString, int> rows[] = {
            {priorities, "OFF", 0},
            {priorities, "9", 3},              // no match
            {priorities, " off", 3},           // case and blanks count
            {variables, "Oil temp {OILT}", 2}, // the last match wins
            {variables, "z {RPM}", 4},         // the user name is ignored
            {variables, "y {rpm}", 3},         // braces are case-sensitive
            {variables, DoNotUseText, 0}};     // no braces: the whole text
        for (const auto& [entries, text, index] : rows) {
            const RowName row('[' + text + ']');
            QCOMPARE(SelectMatchingItem(entries, text, 3), index);
        }
    }
};

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
