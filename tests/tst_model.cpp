#include "Fixtures.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "channels/NumericText.h"
#include "obd/ObdParameters.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <cstring>
#include <limits>
#include <tuple>

using namespace cac;

class TestModel : public QObject {
    Q_OBJECT
private slots:
    // Each byte order has its own explanation; no other text has one.
    void byteOrderExplanations() {
        QSet<QString> explanations;
        for (const QString& order : FixedChoiceList(ComboForColumn(ColByteOrder)))
            explanations.insert(ByteOrderExplanation(order));
        QCOMPARE(explanations.size(), 6);
        QVERIFY(!explanations.contains(QString()));
        for (const char* other : {"", "intel standard", "Motorola", "Intel standard "})
            QCOMPARE(ByteOrderExplanation(other), QString());
    }
    void textToNumber() {
        // clang-format off
        const std::pair<QString, double> rows[] = {
            // Hexadecimal: 32-bit two's complement, never sign-extended, prefix only at the start.
            {"0X1f", 31}, {"0x", 0}, {"0xFFFFFFFF", -1}, {"0x80000000", -2147483648.0},
            {"0x8000", 32768}, {"0x1 \t0", 16}, {"0x1FZ", 31}, {" 0x10", 10}, {"&H10", 10},
            // Lenient decimal: units and blanks ignored, comma accepted, "E" power of ten.
            {"1.5E2", 150}, {"1 000,5", 1000.5}, {"-.5", -0.5}, {"29 bit", 29}, {"Byte 3", 0},
            {"5.", 5}, {"1.2.3", 1.2}, {"3.05", 3.05}, {"1e3", 1000}, {"1E-3", 0.001},
            {"1E+2", 100}, {"1E2.5", 1e25}, {"7E", 7}, {"2E1E5", 20},
            // Unreadable text gives 0.
            {"", 0}, {"-", 0}, {".", 0}, {"E", 0}, {"3-4", 0}, {"1E400", 0},
            // Only the first 40 characters after trimming count.
            {QString("1234567890").repeated(4) + "9", 1234567890123456789012345678901234567890.0},
            {"1" + QString(38, ' ') + "E3", 1},
            {QString(9, ' ') + "1" + QString(37, ' ') + "E3", 1000}};
        // clang-format on
        for (const auto& [text, value] : rows) {
            const RowName row('[' + text + ']');
            QCOMPARE(TextToNumber(text), value);
        }
        // Commas become points only on the way in.
        QCOMPARE(ParseDecimal("12,5"), 125.0);
        QCOMPARE(DecimalTextToNumber("12,5"), 12.5);
        QCOMPARE(DecimalTextToNumber("0x10"), 10.0);

        // Plain numbers, read without building strings, give the bits of the
        // general reading: digits up to the 15 read exactly and beyond,
        // leading zeros in the fraction, signs and blanks around.
        QRandomGenerator random(3);
        for (int i = 0; i < 5000; ++i) {
            auto digits = [&](int most) {
                QString text;
                for (int n = random.bounded(most + 1); n > 0; --n)
                    text += QChar(u'0' + random.bounded(10));
                return text;
            };
            const QString text =
                QString(random.bounded(2), ' ') + (random.bounded(3) ? "" : "-") + digits(17) +
                (random.bounded(2) ? QString(random.bounded(2) ? "." : ",") +
                                         QString(random.bounded(3), '0') + digits(17)
                                   : QString()) +
                QString(random.bounded(2), ' ');
            const RowName row('[' + text + ']');
            const double general = ParseDecimal(QString(text).replace(',', '.'));
            const double plain = DecimalTextToNumber(text);
            QCOMPARE(std::memcmp(&plain, &general, sizeof plain), 0);
        }
    }

    void rounding() {
        constexpr qint64 None = qint64(1) << 40;
        // The value, its byte (-1: does not fit) and its 32-bit integer.
        // clang-format off
        const std::tuple<double, int, qint64> rows[] = {
            {2.5, 2, 2}, {3.5, 4, 4}, {-0.5, 0, 0}, {-0.51, -1, -1}, {-7.5, -1, -8},
            {254.5, 254, 254}, {255.5, -1, 256}, {2147483647.5, -1, None},
            {-2147483648.5, -1, -2147483648LL}, {-2147483649.0, -1, None},
            {std::numeric_limits<double>::quiet_NaN(), -1, None}};
        // clang-format on
        for (const auto& [value, byte, int32] : rows) {
            const RowName row(QString::number(value, 'g', 12));
            const auto b = RoundToByte(value);
            QCOMPARE(b ? int(*b) : -1, byte);
            const auto i = RoundToInt32(value);
            QCOMPARE(i ? qint64(*i) : None, int32);
        }
    }

    void generalNumber() {
        // clang-format off
        const std::tuple<double, char, const char*> rows[] = {
            {0.0, '.', "0"}, {-0.0, '.', "0"}, {-1234.25, ',', "-1234,25"},
            {0.00001, '.', "1E-05"}, {1.5e16, '.', "1.5E+16"},
            {1.0 / 3.0, '.', "0.333333333333333"}, {123456789.123456789, '.', "123456789.123457"},
            {123456789012345.0, '.', "123456789012345"}};
        // clang-format on
        for (const auto& [value, point, text] : rows) {
            const RowName row(text);
            QCOMPARE(FormatGeneralNumber(value, QChar(point)), QString(text));
        }
    }

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

    void equationText() {
        const VariableCatalogue catalogue = StandardCatalogue({{0, "ZERO", "Zero"}});
        const QString note =
            "         (note: the data in the VL serial message has a resolution of ";
        // The channel, its texts, the decimal point and the equation after the
        // variable text; no equation: "n/a".
        // clang-format off
        const std::tuple<int, QString, const char*, const char*, char, QString> rows[] = {
            {6, "Engine speed {RPM}", "4", "0", '.',
                " [RPM] = (CAN INPUT) / 4 + 0" + note + "1.000}"},
            {6, "Oil temp {OILT}", "0x10", "-5", '.',
                " [degrees Celsius] = (CAN INPUT) / 16 + -5" + note + "0.100}"},
            {6, "oil {oilt}", "2,5", "", '.',
                " [degrees Celsius] = (CAN INPUT) / 2.5 + 0" + note + "0.100}"},
            {6, "Counter {NOU}", "abc", "1.25", ',',
                " [no units] = (CAN INPUT) / 0 + 1,25" + note + "0,010}"},
            {2, DoNotUseText, "4", "0", '.', {}}, {15, UsedForObdText, "4", "0", '.', {}},
            {3, "x {GONE}", "4", "0", '.', {}}, {3, "Zero {ZERO}", "4", "0", '.', {}},
            {0, "", "4", "0", '.', {}}}; // the title row
        // clang-format on
        for (const auto& [channel, variable, scale, offset, point, text] : rows) {
            const RowName row(QString("%1 in row %2").arg(variable).arg(channel));
            ConfigModel model;
            model.setCell(channel, ColVariable, variable);
            model.setCell(channel, ColScale, scale);
            model.setCell(channel, ColOffset, offset);
            model.setCell(channel, ColExponent, "7"); // never shown
            QCOMPARE(ConversionEquationText(model, catalogue, channel, QChar(point)),
                     text.isEmpty() ? "n/a" : variable + text);
        }
    }
};

QTEST_MAIN(TestModel)
#include "tst_model.moc"
