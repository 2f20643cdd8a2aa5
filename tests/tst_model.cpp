#include "CatalogueFixture.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QTest>

using namespace cac;

namespace {

const QStringList StartPriorities{"2",   "5", "5", "7",   "5", "7", "4", "3",   "1",
                                  "OFF", "2", "4", "OFF", "1", "3", "3", "OFF", "OFF"};

QStringList RowCells(const ConfigModel& model, int row) {
    QStringList cells;
    for (int c = 1; c < ChannelGridColumns; ++c)
        cells << model.cell(row, c);
    return cells;
}

const QStringList EmptyRow(12, QString());

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void startupState();
    void fixedTextsNeverChange();
    void choiceLists();
    void fillRowDefaultsFillsOnlyEmptyCells();
    void obdModeOwnsChannel15VariableCell();
    void resetKeepsVariableList();
    void equationText_data();
    void equationText();
    void equationNotApplicable_data();
    void equationNotApplicable();
    void generalNumber_data();
    void generalNumber();
};

void TestModel::startupState() {
    ConfigModel model;
    QCOMPARE(model.cell(0, 0), QString());
    for (int r = 1; r <= ChannelCount; ++r) {
        QCOMPARE(model.cell(r, 0), QString::number(r));
        QCOMPARE(RowCells(model, r), EmptyRow);
    }
    QCOMPARE(model.cell(0, 1), QString("VL message\r\nUser Name (Default name)"));
    QCOMPARE(model.cell(0, 3), QString("CAN ID\r\n(use 0x for Hex)"));
    QCOMPARE(model.cell(0, 7), QString("Length (bits)"));
    QCOMPARE(model.cell(0, 12), QString("Exponent\r\n(for time only)"));
    QCOMPARE(model.baudRateText(), QString("500 kbit"));
    QVERIFY(!model.obdModeEnabled());
    QCOMPARE(StartupObdPriorities(), StartPriorities);
    for (int j = 1; j <= ObdParameterCount; ++j)
        QCOMPARE(model.obdPriority(j), StartPriorities[j - 1]);
    QCOMPARE(model.rowCount(), 15);
    QCOMPARE(model.columnCount(), 12);
}

void TestModel::fixedTextsNeverChange() {
    ConfigModel model;
    model.setCell(0, 0, "x");
    model.setCell(0, 3, "x");
    model.setCell(7, 0, "x");
    QCOMPARE(model.cell(0, 0), QString());
    QCOMPARE(model.cell(0, 3), ColumnTitle(3));
    QCOMPARE(model.cell(7, 0), QString("7"));
    model.setCell(7, 3, "0x7FF");
    QCOMPARE(model.data(model.indexOfCell(7, 3)).toString(), QString("0x7FF"));
}

void TestModel::choiceLists() {
    ConfigModel model;
    QStringList bits, lengths;
    for (int i = 0; i < 64; ++i)
        bits << QString::number(i);
    for (int i = 1; i <= 32; ++i)
        lengths << QString::number(i);
    const QList<QStringList> expected{{"11 bit", "29 bit"},
                                      bits,
                                      lengths,
                                      {"Signed", "Unsigned", "Float (single)"},
                                      {"Intel standard", "Intel sequential", "Motorola forw LSB",
                                       "Motorola forw MSB", "Motorola seq", "Motorola backward"},
                                      {"No Filter", "Byte 1", "Byte 2", "Byte 3", "Byte 4",
                                       "Byte 5", "Byte 6", "Byte 7", "Byte 8"}};
    for (int k = 1; k < ChoiceListCount; ++k)
        QCOMPARE(model.choiceList(k), expected[k - 1]);
    QCOMPARE(BaudRateEntries(),
             QStringList({"1 Mbit", "500 kbit", "250 kbit", "125 kbit", "33.3 kbit"}));
    QCOMPARE(PriorityEntries(), QStringList({"OFF", "1", "2", "3", "4", "5", "6", "7", "8"}));
}

void TestModel::fillRowDefaultsFillsOnlyEmptyCells() {
    ConfigModel model;
    model.setVariableList({DoNotUseText, "Oil temp {OILT}"});
    model.setCell(4, ColCanId, "0x1A0");
    model.setCell(4, ColScale, " ");
    model.setCell(4, ColValueType, "Unsigned");
    model.FillRowDefaults(4);
    QCOMPARE(RowCells(model, 4),
             QStringList({DoNotUseText, "11 bit", "0x1A0", "No Filter", "0", "0", "1", "Unsigned",
                          "Intel standard", " ", "0", "0"}));
    QCOMPARE(RowCells(model, 3), EmptyRow);
    QCOMPARE(RowCells(model, 5), EmptyRow);
}

void TestModel::obdModeOwnsChannel15VariableCell() {
    ConfigModel model;
    model.setCell(15, ColVariable, "Oil temp {OILT}");
    model.setCell(15, ColCanId, "0x123");
    model.setBaudRateText("250 kbit");

    model.setObdModeEnabled(true);
    QVERIFY(model.obdModeEnabled());
    QCOMPARE(model.cell(15, ColVariable), UsedForObdText);
    QCOMPARE(model.cell(15, ColCanId), QString("0x123"));
    QCOMPARE(model.baudRateText(), QString("250 kbit"));
    QVERIFY(model.data(model.indexOfCell(15, ColCanId), ConfigModel::LockedRole).toBool());
    QVERIFY(!model.data(model.indexOfCell(14, ColCanId), ConfigModel::LockedRole).toBool());

    model.setObdModeEnabled(false);
    QCOMPARE(model.cell(15, ColVariable), QString());
    QCOMPARE(model.cell(15, ColCanId), QString("0x123"));
    QVERIFY(!model.data(model.indexOfCell(15, ColCanId), ConfigModel::LockedRole).toBool());

    // Switching off empties the cell whatever the previous state was.
    model.setCell(15, ColVariable, "Loaded {OILT}");
    model.setObdModeEnabled(false);
    QCOMPARE(model.cell(15, ColVariable), QString());
}

void TestModel::resetKeepsVariableList() {
    ConfigModel model;
    const QStringList variables{DoNotUseText, "Oil temp {OILT}"};
    model.setVariableList(variables);
    model.setCell(2, ColCanId, "0x10");
    model.setBaudRateText("1 Mbit");
    model.setObdPriority(3, "OFF");
    model.setObdModeEnabled(true);
    model.resetToStartup();
    QCOMPARE(RowCells(model, 2), EmptyRow);
    QCOMPARE(RowCells(model, 15), EmptyRow);
    QCOMPARE(model.baudRateText(), StartupBaudRate);
    QCOMPARE(model.obdPriority(3), QString("5"));
    QVERIFY(!model.obdModeEnabled());
    QCOMPARE(model.choiceList(0), variables);
}

void TestModel::equationText_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QChar>("point");
    QTest::addColumn<QString>("expected");

    auto row = [](const char* name, const QString& variable, const QString& scale,
                  const QString& offset, QChar point, const QString& units, const QString& s,
                  const QString& o, const QString& res) {
        QTest::newRow(name) << variable << scale << offset << point
                            << variable + " " + units + " = (CAN INPUT) / " + s + " + " + o +
                                   "         (note: the data in the VL serial message has a "
                                   "resolution of " +
                                   res + "}";
    };
    row("rpm", "Engine speed {RPM}", "4", "0", '.', "[RPM]", "4", "0", "1.000");
    row("hex scale, negative offset", "Oil temp {OILT}", "0x10", "-5", '.', "[degrees Celsius]",
        "16", "-5", "0.100");
    row("comma read, point shown", "Oil temp {OILT}", "2,5", "", '.', "[degrees Celsius]", "2.5",
        "0", "0.100");
    row("comma separator", "Oil temp {OILT}", "2,5", "1.25", ',', "[degrees Celsius]", "2,5",
        "1,25", "0,100");
    row("unreadable scale, tiny offset", "Counter {NOU}", "abc", "1E-5", '.', "[no units]", "0",
        "1E-05", "0.010");
    row("zero scale shown as is", "any {oilt}", "0", "0", '.', "[degrees Celsius]", "0", "0",
        "0.100");
}

void TestModel::equationText() {
    QFETCH(QString, variable);
    QFETCH(QString, scale);
    QFETCH(QString, offset);
    QFETCH(QChar, point);
    QFETCH(QString, expected);
    ConfigModel model;
    model.setCell(6, ColVariable, variable);
    model.setCell(6, ColScale, scale);
    model.setCell(6, ColOffset, offset);
    model.setCell(6, ColExponent, "7"); // never shown
    QCOMPARE(ConversionEquationText(model, StandardCatalogue(), 6, point), expected);
}

void TestModel::equationNotApplicable_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("namedEntryZero");

    QTest::newRow("do not use") << 2 << DoNotUseText << false;
    QTest::newRow("used for OBD") << 15 << UsedForObdText << false;
    QTest::newRow("empty cell") << 3 << QString() << false;
    QTest::newRow("unknown variable") << 3 << "Gone {GONE}" << false;
    QTest::newRow("title row") << 0 << QString() << false;
    QTest::newRow("catalogue entry 0") << 4 << "Zero {ZERO}" << true;
}

void TestModel::equationNotApplicable() {
    QFETCH(int, row);
    QFETCH(QString, variable);
    QFETCH(bool, namedEntryZero);
    ConfigModel model;
    model.setCell(row, ColVariable, variable);
    model.setCell(row, ColScale, "4");
    const VariableCatalogue catalogue =
        namedEntryZero ? MakeCatalogue(8000, {{0, "ZERO", "Zero"}}) : StandardCatalogue();
    QCOMPARE(ConversionEquationText(model, catalogue, row, '.'), QString("n/a"));
}

void TestModel::generalNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QChar>("point");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0.0 << QChar('.') << "0";
    QTest::newRow("negative zero") << -0.0 << QChar('.') << "0";
    QTest::newRow("integer") << 100.0 << QChar('.') << "100";
    QTest::newRow("negative") << -5.0 << QChar('.') << "-5";
    QTest::newRow("fraction") << 1234.5 << QChar('.') << "1234.5";
    QTest::newRow("comma") << -0.25 << QChar(',') << "-0,25";
    QTest::newRow("0.1") << 0.1 << QChar('.') << "0.1";
    QTest::newRow("small") << 0.00001 << QChar('.') << "1E-05";
    QTest::newRow("small, comma") << 0.000015 << QChar(',') << "1,5E-05";
    QTest::newRow("large") << 1.5e16 << QChar('.') << "1.5E+16";
    QTest::newRow("15 digits") << 1.0 / 3.0 << QChar('.') << "0.333333333333333";
    QTest::newRow("15 digits rounded") << 2.0 / 3.0 << QChar('.') << "0.666666666666667";
    QTest::newRow("15 digits mixed") << 123456789.123456789 << QChar('.') << "123456789.123457";
    QTest::newRow("15-digit integer") << 123456789012345.0 << QChar('.') << "123456789012345";
}

void TestModel::generalNumber() {
    QFETCH(double, value);
    QFETCH(QChar, point);
    QFETCH(QString, expected);
    QCOMPARE(FormatGeneralNumber(value, point), expected);
}

QTEST_MAIN(TestModel)
#include "tst_model.moc"
