#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"
#include "output/FlasherCommand.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

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
    void reading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("list");
        VarsFileLayout varsFile = ListedLayout();
        const QByteArray valid = WriteVarsFile(varsFile);
        QTest::newRow("1000 to 5049 with a default name")
            << valid
            << QStringList{DoNotUseText, "Oil temp {OILT}", "Blank name {  }", " {TPS}",
                           "Last {LAST}"};
        // Corrupt files are covered in tst_failsafe.
        varsFile = VarsFileLayout();
        varsFile.upperIndexB = 1200;
        varsFile.entries = {{1000, {"FIRST", "a"}}, {1200, {"LAST", "b"}}, {1201, {"GONE", "c"}}};
        QTest::newRow("B = 1200") << WriteVarsFile(varsFile)
                                  << QStringList{DoNotUseText, "a {FIRST}", "b {LAST}"};
        varsFile.upperIndexB = 999;
        varsFile.fillUnusedFields = false;
        QTest::newRow("B below 1000") << WriteVarsFile(varsFile) << QStringList{DoNotUseText};
    }
    void reading() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, list);
        const CatalogueLoad load = ReadVariableDefinitions(bytes);
        QVERIFY(!load.corrupt);
        QCOMPARE(load.variableList, list);
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
    void findVariableIndex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        auto row = [](const QString& text, int id) {
            QTest::addRow("[%s]", qPrintable(text)) << text << id;
        };
        row("Oil temp {OILT}", 1000);
        row("   oil TEMP {oilt} ", 1000);
        row("Anything {RPM}", 1500);
        row("Oil temp { OILT}", -1);
        row("Oil temp {OILT} [x {RPM}]", 1000);
        row("Oil [x] {OILT}", -1);
        row(" oilt ", 1000);
        row("Oil temp {OILT", -1);
        row("{SPACED}", 3000);
        row("{DUP}", 1200);
        row("{EDGE}", 8000);
        row("{FAR}", -1);
        row(DoNotUseText, -1);
        row("x {}", 0);
    }
    void findVariableIndex() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const VariableCatalogue catalogue = MakeCatalogue(8100, {{1000, "OILT", "Oil temp"},
                                                                 {1200, "DUP", "a"},
                                                                 {1300, "dup", "b"},
                                                                 {1500, "RPM", "Engine speed"},
                                                                 {3000, " spaced ", "c"},
                                                                 {8000, "EDGE", "d"},
                                                                 {8050, "FAR", "e"}});
        QCOMPARE(FindVariableIndex(catalogue, text), expected);
        // A short catalogue ends the search at its last entry.
        QCOMPARE(FindVariableIndex(catalogue.mid(0, 1400), text), expected >= 1400 ? -1 : expected);
    }
    void identifierGroups_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("units");
        QTest::addColumn<float>("resolution");
        QTest::addColumn<QByteArray>("code");
        auto row = [](int id, const QString& units, float res, const char* code) {
            QTest::addRow("%d", id) << id << units << res << QByteArray::fromHex(code);
        };
        row(-1, "[Invalid]", 1.0f, "0000");
        row(999, "[Invalid]", 1.0f, "0000");
        row(1000, "[degrees Celsius]", 0.1f, "4801");
        row(1254, "[degrees Celsius]", 0.1f, "48FF");
        row(1255, "[degrees Celsius]", 0.1f, "4800");
        row(1500, "[RPM]", 1.0f, "4901");
        row(1501, "[Hz]", 0.1f, "4902");
        row(2499, "[%]", 0.1f, "4A00");
        row(2500, "[milli-seconds (scaled by exponent)]", 1.0f, "4B01");
        row(3000, "[degrees]", 0.1f, "5D01");
        row(3999, "[mBar]", 1.0f, "5E00");
        row(4000, "[no units]", 0.01f, "5F01");
        row(4255, "[no units]", 0.01f, "5F00");
        row(std::numeric_limits<qint32>::max(), "[no units]", 0.01f, "5F00");
    }
    void identifierGroups() {
        QFETCH(int, id);
        QFETCH(QString, units);
        QFETCH(float, resolution);
        QFETCH(QByteArray, code);
        QCOMPARE(GetVariableUnits(id), units);
        QVERIFY(GetVariableResolution(id) == resolution); // exactly the nearest single
        QCOMPARE(GetLoggerChannelCode(id).toHex(' '), code.toHex(' '));
    }
    void selectMatchingItem_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // the current selection is 3
        const QStringList priorities{"OFF", "1", "2", "3", "4", "5", "6", "7", "8"};
        const QStringList variables{DoNotUseText, "Oil temp {OILT}", "Other {OILT}", "x",
                                    "y {RPM}"};
        QTest::newRow("OFF") << priorities << "OFF" << 0;
        QTest::newRow("no match") << priorities << "9" << 3;
        QTest::newRow("case and blanks count") << priorities << " off" << 3;
        QTest::newRow("last match wins") << variables << "Oil temp {OILT}" << 2;
        QTest::newRow("user name ignored") << variables << "z {RPM}" << 4;
        QTest::newRow("braces case-sensitive") << variables << "y {rpm}" << 3;
        QTest::newRow("no braces: whole text") << variables << DoNotUseText << 0;
    }
    void selectMatchingItem() {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(SelectMatchingItem(entries, text, 3), expected);
    }
};

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
