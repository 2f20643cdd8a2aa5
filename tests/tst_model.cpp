#include "Fixtures.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QRegularExpression>
#include <QTest>

using namespace cac;

class TestModel : public QObject {
    Q_OBJECT
private slots:
    // Start-up bit rate and priorities are pinned by the start-up .ccf file.
    void startupState() {
        ConfigModel model;
        model.setCell(0, 0, "x"); // titles and channel numbers never change
        model.setCell(0, 3, "x");
        model.setCell(7, 0, "x");
        QCOMPARE(model.cell(0, 0), QString());
        for (int r = 1; r <= ChannelCount; ++r) {
            QCOMPARE(model.cell(r, 0), QString::number(r));
            QCOMPARE(RowText(model, r), EmptyRow);
        }
        QCOMPARE(model.cell(0, 1), QString("VL message\r\nUser Name (Default name)"));
        QCOMPARE(model.cell(0, 3), QString("CAN ID\r\n(use 0x for Hex)"));
        QCOMPARE(model.cell(0, 12), QString("Exponent\r\n(for time only)"));
        QVERIFY(!model.obdModeEnabled());
        QVERIFY(QRegularExpression("^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*)){2}$")
                    .match(ProgramVersion())
                    .hasMatch());
        QCOMPARE(WindowCaption(false), "CAN adapter configuration utility " + ProgramVersion());
        QCOMPARE(WindowCaption(true),
                 "Combined OBD and CAN adapter configuration utility " + ProgramVersion());
    }

    void fillRowDefaultsFillsOnlyEmptyCells() {
        ConfigModel model;
        model.setVariableList({DoNotUseText, "Oil temp {OILT}"});
        model.setCell(4, ColCanId, "0x1A0");
        model.setCell(4, ColScale, " "); // a blank is not empty
        model.setCell(4, ColValueType, "Unsigned");
        model.FillRowDefaults(4);
        QCOMPARE(RowText(model, 4),
                 "**Do not use**|11 bit|0x1A0|No Filter|0|0|1|Unsigned|Intel standard| |0|0");
        QCOMPARE(RowText(model, 3), EmptyRow);
        QCOMPARE(RowText(model, 5), EmptyRow);
    }

    void obdModeOwnsChannel15VariableCell() {
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

    void equationText_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QChar>("point");
        QTest::addColumn<QString>("expected"); // after the variable text
        auto row = [](const char* name, int r, const QString& variable, const char* scale,
                      const char* offset, char point, const QString& expected) {
            QTest::newRow(name) << r << variable << scale << offset << QChar(point) << expected;
        };
        const QString note =
            "         (note: the data in the VL serial message has a resolution of ";
        row("rpm", 6, "Engine speed {RPM}", "4", "0", '.',
            " [RPM] = (CAN INPUT) / 4 + 0" + note + "1.000}");
        row("hex scale, negative offset", 6, "Oil temp {OILT}", "0x10", "-5", '.',
            " [degrees Celsius] = (CAN INPUT) / 16 + -5" + note + "0.100}");
        row("comma read", 6, "oil {oilt}", "2,5", "", '.',
            " [degrees Celsius] = (CAN INPUT) / 2.5 + 0" + note + "0.100}");
        row("comma shown", 6, "Counter {NOU}", "abc", "1.25", ',',
            " [no units] = (CAN INPUT) / 0 + 1,25" + note + "0,010}");
        row("do not use", 2, DoNotUseText, "4", "0", '.', "n/a");
        row("used for OBD", 15, UsedForObdText, "4", "0", '.', "n/a");
        row("unknown", 3, "x {GONE}", "4", "0", '.', "n/a");
        row("named entry 0", 3, "Zero {ZERO}", "4", "0", '.', "n/a");
        row("title row", 0, "", "4", "0", '.', "n/a");
    }
    void equationText() {
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
        catalogue[0] = {"ZERO", "Zero"};
        QCOMPARE(ConversionEquationText(model, catalogue, row, point),
                 expected == "n/a" ? expected : variable + expected);
    }

    void generalNumber_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QChar>("point");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, double value, char point, const char* expected) {
            QTest::newRow(name) << value << QChar(point) << QString(expected);
        };
        row("zero", 0.0, '.', "0");
        row("negative zero", -0.0, '.', "0");
        row("comma", -1234.25, ',', "-1234,25");
        row("small", 0.00001, '.', "1E-05");
        row("large", 1.5e16, '.', "1.5E+16");
        row("1/3", 1.0 / 3.0, '.', "0.333333333333333");
        row("15 digits", 123456789.123456789, '.', "123456789.123457");
        row("15-digit integer", 123456789012345.0, '.', "123456789012345");
    }
    void generalNumber() {
        QFETCH(double, value);
        QFETCH(QChar, point);
        QFETCH(QString, expected);
        QCOMPARE(FormatGeneralNumber(value, point), expected);
    }
};

QTEST_MAIN(TestModel)
#include "tst_model.moc"
