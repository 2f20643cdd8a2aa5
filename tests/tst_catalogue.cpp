#include "CatalogueFixture.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace cac;
using cac::tools::VarsEntry;
using cac::tools::VarsFileSpec;
using cac::tools::WriteVarsFile;

namespace {

VarsFileSpec ListedSpec() {
    VarsFileSpec spec;
    spec.upperIndexA = 3;
    spec.upperIndexB = 5100;
    spec.entries = {{999, {"LOW", "Below the list"}},
                    {1000, {"OILT", "Oil temp"}},
                    {1001, {"  ", "Blank name"}},
                    {1500, {"RPM", "Engine speed"}},
                    {2000, {"TPS", ""}},
                    {3000, {"", "No default name"}},
                    {5049, {"LAST", "Last listed"}},
                    {5050, {"HIGH", "Above the list"}}};
    return spec;
}

// A file that stops right after an upper index, as a corrupt or hostile one would.
QByteArray HeaderOnly(qint32 upperA, bool withTable, qint32 upperB) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << upperA;
    if (withTable) {
        out << quint16(0) << quint16(0) << quint16(0) << quint16(0);
        out << upperB;
    }
    return bytes;
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void readsListedEntries();
    void listCoversOnlyPresentEntries();
    void corruptFiles_data();
    void corruptFiles();
    void loadFromPath();
    void trimAtNull();
    void findVariableIndex_data();
    void findVariableIndex();
    void lookupInShortCatalogueEnds();
    void identifierGroups_data();
    void identifierGroups();
    void selectMatchingItem_data();
    void selectMatchingItem();
};

void TestCatalogue::readsListedEntries() {
    const CatalogueLoad load = ReadVariableDefinitions(WriteVarsFile(ListedSpec()));
    QVERIFY(!load.corrupt);
    QCOMPARE(load.catalogue.size(), 5101);
    QCOMPARE(load.catalogue[1000].defaultName, QString("OILT"));
    QCOMPARE(load.catalogue[1000].userName, QString("Oil temp"));
    QCOMPARE(load.variableList,
             QStringList({DoNotUseText, "Oil temp {OILT}", "Blank name {  }", "Engine speed {RPM}",
                          " {TPS}", "Last listed {LAST}"}));
    // Unlisted entries are still there to be found.
    QCOMPARE(FindVariableIndex(load.catalogue, "Below {LOW}"), 999);
    QCOMPARE(FindVariableIndex(load.catalogue, "Above {HIGH}"), 5050);
}

void TestCatalogue::listCoversOnlyPresentEntries() {
    VarsFileSpec spec;
    spec.upperIndexB = 1200;
    spec.entries = {{1000, {"FIRST", "a"}}, {1200, {"LAST", "b"}}, {1201, {"GONE", "c"}}};
    CatalogueLoad load = ReadVariableDefinitions(WriteVarsFile(spec));
    QVERIFY(!load.corrupt);
    QCOMPARE(load.variableList, QStringList({DoNotUseText, "a {FIRST}", "b {LAST}"}));

    spec.upperIndexB = 999; // valid, but lists nothing
    spec.fillUnusedFields = false;
    load = ReadVariableDefinitions(WriteVarsFile(spec));
    QVERIFY(!load.corrupt);
    QCOMPARE(load.variableList, QStringList{DoNotUseText});
}

void TestCatalogue::corruptFiles_data() {
    QTest::addColumn<QByteArray>("bytes");

    VarsFileSpec spec = ListedSpec();
    const QByteArray valid = WriteVarsFile(spec);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("ends inside the catalogue") << valid.left(valid.size() / 2);
    QTest::newRow("signature missing a byte") << valid.chopped(1);
    spec.signature = 7577;
    QTest::newRow("wrong signature") << WriteVarsFile(spec);
    QTest::newRow("negative A") << HeaderOnly(-1, false, 0) + valid;
    QTest::newRow("negative B") << HeaderOnly(0, true, -5) + valid;
    constexpr qint32 huge = std::numeric_limits<qint32>::max();
    QTest::newRow("A claims 2^31 records") << HeaderOnly(huge, false, 0) + valid;
    QTest::newRow("B claims 2^31 entries") << HeaderOnly(0, true, huge) + valid;
}

void TestCatalogue::corruptFiles() {
    QFETCH(QByteArray, bytes);
    const CatalogueLoad load = ReadVariableDefinitions(bytes);
    QVERIFY(load.corrupt);
    QCOMPARE(load.variableList, QStringList{DoNotUseText});
}

void TestCatalogue::loadFromPath() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Vars.cfg");

    CatalogueLoad load = LoadVariableDefinitions(path);
    QVERIFY(load.corrupt);
    QCOMPARE(load.variableList, QStringList{DoNotUseText});

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(WriteVarsFile(ListedSpec()));
    file.close();
    load = LoadVariableDefinitions(path);
    QVERIFY(!load.corrupt);
    QCOMPARE(load.variableList.size(), 6);
}

void TestCatalogue::trimAtNull() {
    QCOMPARE(TrimAtNull(QString::fromLatin1("C:\\Users\0junk", 14)), QString("C:\\Users"));
    QCOMPARE(TrimAtNull("no terminator"), QString("no terminator"));
}

void TestCatalogue::findVariableIndex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("list text") << "Oil temp {OILT}" << 1000;
    QTest::newRow("letter case") << "oil TEMP {oilt}" << 1000;
    QTest::newRow("spaces around") << "   Oil temp {OILT}  " << 1000;
    QTest::newRow("user name ignored") << "Anything {RPM}" << 1500;
    QTest::newRow("spaces inside braces") << "Oil temp { OILT}" << -1;
    QTest::newRow("text after [ ignored") << "Oil temp {OILT} [unused {RPM}]" << 1000;
    QTest::newRow("[ before the braces") << "Oil [x] {OILT}" << -1;
    QTest::newRow("no braces: whole text") << " oilt " << 1000;
    QTest::newRow("unclosed brace") << "Oil temp {OILT" << -1;
    QTest::newRow("} before {") << "}OILT{" << -1;
    QTest::newRow("catalogue name trimmed") << "{SPACED}" << 3000;
    QTest::newRow("first of duplicates") << "{DUP}" << 1200;
    QTest::newRow("index 8000 is searched") << "{EDGE}" << 8000;
    QTest::newRow("beyond 8000 not searched") << "{FAR}" << -1;
    QTest::newRow("do not use") << DoNotUseText << -1;
    QTest::newRow("used for OBD") << "USED FOR OBD" << -1;
    QTest::newRow("empty cell finds entry 0") << "" << 0;
    QTest::newRow("empty braces find entry 0") << "x {}" << 0;
}

void TestCatalogue::findVariableIndex() {
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
}

void TestCatalogue::lookupInShortCatalogueEnds() {
    QCOMPARE(FindVariableIndex(MakeCatalogue(10, {{5, "FIVE", ""}}), "{NONE}"), -1);
    QCOMPARE(FindVariableIndex(MakeCatalogue(10, {{5, "FIVE", ""}}), "{five}"), 5);
    QCOMPARE(FindVariableIndex(VariableCatalogue{}, ""), -1);
}

void TestCatalogue::identifierGroups_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("units");
    QTest::addColumn<float>("resolution");
    QTest::addColumn<QByteArray>("code");

    const QString celsius = "[degrees Celsius]", hz = "[Hz]",
                  ms = "[milli-seconds (scaled by exponent)]";
    auto row = [](int id, const QString& units, float res, const char* code) {
        QTest::addRow("%d", id) << id << units << res << QByteArray::fromHex(code);
    };
    row(-1, "[Invalid]", 1.0f, "0000");
    row(999, "[Invalid]", 1.0f, "0000");
    row(1000, celsius, 0.1f, "4801");
    row(1254, celsius, 0.1f, "48FF");
    row(1255, celsius, 0.1f, "4800");
    row(1499, celsius, 0.1f, "4800");
    row(1500, "[RPM]", 1.0f, "4901");
    row(1501, hz, 0.1f, "4902");
    row(1999, hz, 0.1f, "4900");
    row(2000, "[%]", 0.1f, "4A01");
    row(2499, "[%]", 0.1f, "4A00");
    row(2500, ms, 1.0f, "4B01");
    row(2999, ms, 1.0f, "4B00");
    row(3000, "[degrees]", 0.1f, "5D01");
    row(3499, "[degrees]", 0.1f, "5D00");
    row(3500, "[mBar]", 1.0f, "5E01");
    row(3999, "[mBar]", 1.0f, "5E00");
    row(4000, "[no units]", 0.01f, "5F01");
    row(4254, "[no units]", 0.01f, "5FFF");
    row(4255, "[no units]", 0.01f, "5F00");
    row(std::numeric_limits<qint32>::max(), "[no units]", 0.01f, "5F00");
    row(std::numeric_limits<qint32>::min(), "[Invalid]", 1.0f, "0000");
}

void TestCatalogue::identifierGroups() {
    QFETCH(int, id);
    QFETCH(QString, units);
    QFETCH(float, resolution);
    QFETCH(QByteArray, code);
    QCOMPARE(GetVariableUnits(id), units);
    QVERIFY(GetVariableResolution(id) == resolution); // exactly the nearest single
    QCOMPARE(GetLoggerChannelCode(id).toHex(' '), code.toHex(' '));
}

void TestCatalogue::selectMatchingItem_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");

    const QStringList priorities{"OFF", "1", "2", "3", "4", "5", "6", "7", "8"};
    const QStringList variables{DoNotUseText, "Oil temp {OILT}", "Other oil {OILT}",
                                "Engine speed {RPM}"};
    QTest::newRow("OFF") << priorities << "OFF" << 5 << 0;
    QTest::newRow("8") << priorities << "8" << 0 << 8;
    QTest::newRow("no match keeps selection") << priorities << "9" << 5 << 5;
    QTest::newRow("case-sensitive") << priorities << "off" << 3 << 3;
    QTest::newRow("no trimming") << priorities << " 1" << 3 << 3;
    QTest::newRow("last match wins") << variables << "Oil temp {OILT}" << 0 << 2;
    QTest::newRow("user name ignored") << variables << "x {RPM}" << 0 << 3;
    QTest::newRow("braces case-sensitive") << variables << "Engine speed {rpm}" << 1 << 1;
    QTest::newRow("whole text without braces") << variables << DoNotUseText << 3 << 0;
}

void TestCatalogue::selectMatchingItem() {
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, current);
    QFETCH(int, expected);
    QCOMPARE(SelectMatchingItem(entries, text, current), expected);
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
