#include "CatalogueFixture.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QRegularExpression>

#include <QTest>

using namespace cac;

namespace {

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
    void fillRowDefaultsFillsOnlyEmptyCells();
    void obdModeOwnsChannel15VariableCell();
    void equationText_data();
    void equationText();
    void generalNumber_data();
    void generalNumber();
};

void TestModel::startupState() {
    ConfigModel model;
    model.setCell(0, 0, "x"); // titles and channel numbers never change
    model.setCell(0, 3, "x");
    model.setCell(7, 0, "x");
    QCOMPARE(model.cell(0, 0), QString());
    for (int r = 1; r <= ChannelCount; ++r) {
        QCOMPARE(model.cell(r, 0), QString::number(r));
        QCOMPARE(RowCells(model, r), EmptyRow);
    }
    QCOMPARE(model.cell(0, 1), QString("VL message\r\nUser Name (Default name)"));
    QCOMPARE(model.cell(0, 3), QString("CAN ID\r\n(use 0x for Hex)"));
    QCOMPARE(model.cell(0, 12), QString("Exponent\r\n(for time only)"));
    QCOMPARE(model.baudRateText(), QString("500 kbit"));
    QVERIFY(!model.obdModeEnabled());
    const QStringList priorities{"2",   "5", "5", "7",   "5", "7", "4", "3",   "1",
                                 "OFF", "2", "4", "OFF", "1", "3", "3", "OFF", "OFF"};
    for (int j = 1; j <= priorities.size(); ++j)
        QCOMPARE(model.obdPriority(j), priorities[j - 1]);
    QVERIFY(QRegularExpression("^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*)){2}$")
                .match(ProgramVersion())
                .hasMatch());
    QCOMPARE(WindowCaption(false), "CAN adapter configuration utility " + ProgramVersion());
    QCOMPARE(WindowCaption(true),
             "Combined OBD and CAN adapter configuration utility " + ProgramVersion());
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
    auto locked = [&](int row) {
        return model.data(model.indexOfCell(row, ColCanId), ConfigModel::LockedRole).toBool();
    };

    model.setObdModeEnabled(true);
    QCOMPARE(model.cell(15, ColVariable), UsedForObdText);
    QCOMPARE(model.cell(15, ColCanId), QString("0x123"));
    QCOMPARE(model.baudRateText(), QString("250 kbit"));
    QVERIFY(locked(15));
    QVERIFY(!locked(14));

    model.setObdModeEnabled(false);
    QCOMPARE(model.cell(15, ColVariable), QString());
    QCOMPARE(model.cell(15, ColCanId), QString("0x123"));
    QVERIFY(!locked(15));

    model.setCell(15, ColVariable, "Loaded {OILT}"); // emptied whatever the previous state
    model.setObdModeEnabled(false);
    QCOMPARE(model.cell(15, ColVariable), QString());
}

void TestModel::equationText_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QChar>("point");
    QTest::addColumn<QString>("expected"); // after the variable text

    const QString note = "         (note: the data in the VL serial message has a resolution of ";
    QTest::newRow("rpm") << 6 << "Engine speed {RPM}"
                         << "4"
                         << "0" << QChar('.') << " [RPM] = (CAN INPUT) / 4 + 0" + note + "1.000}";
    QTest::newRow("hex scale, negative offset")
        << 6 << "Oil temp {OILT}"
        << "0x10"
        << "-5" << QChar('.') << " [degrees Celsius] = (CAN INPUT) / 16 + -5" + note + "0.100}";
    QTest::newRow("comma read") << 6 << "oil {oilt}"
                                << "2,5"
                                << "" << QChar('.')
                                << " [degrees Celsius] = (CAN INPUT) / 2.5 + 0" + note + "0.100}";
    QTest::newRow("comma shown") << 6 << "Counter {NOU}"
                                 << "abc"
                                 << "1.25" << QChar(',')
                                 << " [no units] = (CAN INPUT) / 0 + 1,25" + note + "0,010}";
    QTest::newRow("do not use") << 2 << DoNotUseText << "4"
                                << "0" << QChar('.') << "n/a";
    QTest::newRow("used for OBD") << 15 << UsedForObdText << "4"
                                  << "0" << QChar('.') << "n/a";
    QTest::newRow("empty cell: entry 0") << 3 << ""
                                         << "4"
                                         << "0" << QChar('.') << "n/a";
    QTest::newRow("unknown") << 3 << "x {GONE}"
                             << "4"
                             << "0" << QChar('.') << "n/a";
    QTest::newRow("named entry 0") << 3 << "Zero {ZERO}"
                                   << "4"
                                   << "0" << QChar('.') << "n/a";
    QTest::newRow("title row") << 0 << ""
                               << "4"
                               << "0" << QChar('.') << "n/a";
}

void TestModel::equationText() {
    QFETCH(int, row);
    QFETCH(QString, variable);
    QFETCH(QString, scale);
    QFETCH(QString, offset);
    QFETCH(QChar, point);
    QFETCH(QString, expected);
    ConfigModel model;
    model.setCell(row, ColVariable, variable);
    model.setCell(row, ColScale, scale);
    model.setCell(row, ColOffset, offset);
    model.setCell(row, ColExponent, "7"); // never shown
    VariableCatalogue catalogue = StandardCatalogue();
    if (variable.contains("ZERO"))
        catalogue[0] = {"ZERO", "Zero"};
    QCOMPARE(ConversionEquationText(model, catalogue, row, point),
             expected == "n/a" ? expected : variable + expected);
}

void TestModel::generalNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QChar>("point");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << QChar('.') << "0";
    QTest::newRow("negative zero") << -0.0 << QChar('.') << "0";
    QTest::newRow("negative") << -5.0 << QChar('.') << "-5";
    QTest::newRow("comma") << -1234.25 << QChar(',') << "-1234,25";
    QTest::newRow("0.1") << 0.1 << QChar('.') << "0.1";
    QTest::newRow("small") << 0.00001 << QChar('.') << "1E-05";
    QTest::newRow("large") << 1.5e16 << QChar('.') << "1.5E+16";
    QTest::newRow("1/3") << 1.0 / 3.0 << QChar('.') << "0.333333333333333";
    QTest::newRow("15 digits") << 123456789.123456789 << QChar('.') << "123456789.123457";
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
