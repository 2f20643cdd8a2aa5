#include "channels/NumericText.h"

#include <QTest>

#include <limits>

using namespace cac;

class TestNumericText : public QObject {
    Q_OBJECT
private slots:
    void textToNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        auto row = [](const QString& text, double value) {
            QTest::addRow("[%s]", qPrintable(text)) << text << value;
        };
        // Hexadecimal: 32-bit two's complement, never sign-extended, prefix only at the start.
        row("0X1f", 31);
        row("0x", 0);
        row("0xFFFFFFFF", -1);
        row("0x80000000", -2147483648.0);
        row("0x8000", 32768);
        row("0x1 \t0", 16);
        row("0x1FZ", 31);
        row(" 0x10", 10);
        row("&H10", 10);
        // Lenient decimal: units and blanks ignored, comma accepted, "E" power of ten.
        row("1.5E2", 150);
        row("1 000,5", 1000.5);
        row("-.5", -0.5);
        row("29 bit", 29);
        row("Byte 3", 0);
        row("5.", 5);
        row("1.2.3", 1.2);
        row("3.05", 3.05);
        row("1e3", 1000);
        row("1E-3", 0.001);
        row("1E+2", 100);
        row("1E2.5", 1e25);
        row("7E", 7);
        row("2E1E5", 20);
        // Unreadable text gives 0.
        for (const char* text : {"", "-", ".", "E", "3-4", "1E400"})
            row(text, 0);
        // Only the first 40 characters after trimming count.
        row(QString("1234567890").repeated(4) + "9", 1234567890123456789012345678901234567890.0);
        row("1" + QString(38, ' ') + "E3", 1);
        row(QString(9, ' ') + "1" + QString(37, ' ') + "E3", 1000);
    }
    void textToNumber() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(TextToNumber(text), expected);
    }

    void commasBecomePointsOnlyOnTheWayIn() {
        QCOMPARE(ParseDecimal("12,5"), 125.0);
        QCOMPARE(DecimalTextToNumber("12,5"), 12.5);
        QCOMPARE(DecimalTextToNumber("0x10"), 10.0);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("byte");     // -1: does not fit a byte
        QTest::addColumn<qint64>("int32"); // None: does not fit 32 bits
        auto row = [](const char* name, double value, int byte, qint64 int32) {
            QTest::newRow(name) << value << byte << int32;
        };
        row("2.5", 2.5, 2, 2);
        row("3.5", 3.5, 4, 4);
        row("-0.5", -0.5, 0, 0);
        row("-0.51", -0.51, -1, -1);
        row("-7.5", -7.5, -1, -8);
        row("254.5", 254.5, 254, 254);
        row("255.5", 255.5, -1, 256);
        row("2^31 - 0.5", 2147483647.5, -1, None);
        row("-2^31 - 0.5", -2147483648.5, -1, -2147483648LL);
        row("-2^31 - 1", -2147483649.0, -1, None);
        row("NaN", std::numeric_limits<double>::quiet_NaN(), -1, None);
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(int, byte);
        QFETCH(qint64, int32);
        const auto b = RoundToByte(value);
        QCOMPARE(b ? int(*b) : -1, byte);
        const auto i = RoundToInt32(value);
        QCOMPARE(i ? qint64(*i) : None, int32);
    }

private:
    static constexpr qint64 None = qint64(1) << 40;
};

QTEST_APPLESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
