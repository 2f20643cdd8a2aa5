#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"
#include "output/FlasherCommand.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

    void loadFromPath() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Vars.cfg");
        QVERIFY(LoadVariableDefinitions(path).corrupt);
        const QString folder = GetSpecialFolder();
        QCOMPARE(DefaultCataloguePath(), folder + "Vars.cfg");
        if (!folder.isEmpty())
            QVERIFY(folder.endsWith(QStringLiteral("Vorlane") + NativeSeparator()));

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(WriteVarsFile(ListedLayout()));
        file.close();
        const CatalogueLoad load = LoadVariableDefinitions(path);
        QVERIFY(!load.corrupt);
        QCOMPARE(load.catalogue.size(), 5101);
        QCOMPARE(load.catalogue[1000].userName, QString("Oil temp"));
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
        for (const auto& [text, id] : rows) {
            const RowName row('[' + text + ']');
            QCOMPARE(FindVariableIndex(catalogue, text), id);
            // A short catalogue ends the search at its last entry.
            QCOMPARE(FindVariableIndex(catalogue.mid(0, 1400), text), id >= 1400 ? -1 : id);
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
