#include "channels/NumericText.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace cac;

class TestNumericText : public QObject {
    Q_OBJECT
private slots:
    void textToNumber_data();
    void textToNumber();
    void parseDecimalKeepsCommas();
    void roundToByte_data();
    void roundToByte();
    void roundToInt32_data();
    void roundToInt32();
    void roundToSingle();
};

void TestNumericText::textToNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    // Hexadecimal identifiers: 32-bit two's complement, never sign-extended.
    QTest::newRow("0x100") << "0x100" << 256.0;
    QTest::newRow("upper X, lower digits") << "0X1f" << 31.0;
    QTest::newRow("prefix alone") << "0x" << 0.0;
    QTest::newRow("all ones is -1") << "0xFFFFFFFF" << -1.0;
    QTest::newRow("top bit negative") << "0x80000000" << -2147483648.0;
    QTest::newRow("29-bit maximum") << "0x1FFFFFFF" << 536870911.0;
    QTest::newRow("four digits stay positive") << "0x8000" << 32768.0;
    QTest::newRow("blanks inside hex dropped") << "0x1 \t0" << 16.0;
    QTest::newRow("hex stops at non-digit") << "0x1FZ" << 31.0;
    QTest::newRow("leading blank goes decimal") << " 0x10" << 10.0;
    QTest::newRow("&H is not hex") << "&H10" << 10.0;

    // Worked decimal readings.
    QTest::newRow("exponent") << "1.5E2" << 150.0;
    QTest::newRow("comma decimal") << "12,5" << 12.5;
    QTest::newRow("negative bare fraction") << "-.5" << -0.5;
    QTest::newRow("thousands blank") << "1 000,5" << 1000.5;
    QTest::newRow("29 bit") << "29 bit" << 29.0;
    QTest::newRow("11 bit") << "11 bit" << 11.0;
    QTest::newRow("Byte 3 splits at E") << "Byte 3" << 0.0;
    QTest::newRow("Signed") << "Signed" << 0.0;
    QTest::newRow("negative exponent form") << "-1E2" << -100.0;

    // Nothing readable gives 0.
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks") << "   " << 0.0;
    QTest::newRow("minus") << "-" << 0.0;
    QTest::newRow("point") << "." << 0.0;
    QTest::newRow("E") << "E" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("minus between digits") << "3-4" << 0.0;
    QTest::newRow("overflow") << "1E400" << 0.0;

    // Fractions are read as integers and divided down.
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ignored") << "1.2.3" << 1.2;
    QTest::newRow("leading zeros of fraction") << "0.005" << 0.005;
    QTest::newRow("fraction 05") << "3.05" << 3.05;
    QTest::newRow("zero fraction") << "1.000" << 1.0;

    // Exponents.
    QTest::newRow("lower-case e") << "1e3" << 1000.0;
    QTest::newRow("negative exponent") << "1E-3" << 0.001;
    QTest::newRow("plus in exponent") << "1E+2" << 100.0;
    QTest::newRow("point in exponent dropped") << "1E2.5" << 1e25;
    QTest::newRow("E at the end") << "7E" << 7.0;
    QTest::newRow("third piece ignored") << "2E1E5" << 20.0;

    // Only the first 40 characters (after trimming) are read.
    const QString digits40 = QStringLiteral("1234567890").repeated(4);
    QTest::newRow("41 digits") << digits40 + "9" << 1234567890123456789012345678901234567890.0;
    QTest::newRow("exponent beyond the cut") << "1" + QString(38, ' ') + "E3" << 1.0;
    QTest::newRow("outer blanks do not count")
        << QString(10, ' ') + "1" + QString(37, ' ') + "E3" << 1000.0;
}

void TestNumericText::textToNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(TextToNumber(text), expected);
}

void TestNumericText::parseDecimalKeepsCommas() {
    // Commas are only turned into points on the way in; the grammar itself drops them.
    QCOMPARE(ParseDecimal("12,5"), 125.0);
    QCOMPARE(DecimalTextToNumber("12,5"), 12.5);
    QCOMPARE(DecimalTextToNumber("0x10"), 10.0);
}

void TestNumericText::roundToByte_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected"); // -1: does not fit

    QTest::newRow("half down to even") << 2.5 << 2;
    QTest::newRow("half up to even") << 3.5 << 4;
    QTest::newRow("0.5 to 0") << 0.5 << 0;
    QTest::newRow("-0.5 to 0") << -0.5 << 0;
    QTest::newRow("just below -0.5") << -0.51 << -1;
    QTest::newRow("254.5 to 254") << 254.5 << 254;
    QTest::newRow("255.4") << 255.4 << 255;
    QTest::newRow("255.5 is 256") << 255.5 << -1;
    QTest::newRow("300") << 300.0 << -1;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << -1;
}

void TestNumericText::roundToByte() {
    QFETCH(double, value);
    QFETCH(int, expected);
    const auto byte = RoundToByte(value);
    if (expected < 0)
        QVERIFY(!byte.has_value());
    else
        QCOMPARE(int(byte.value()), expected);
}

void TestNumericText::roundToInt32_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::newRow("half to even") << 6.5 << true << 6;
    QTest::newRow("negative half to even") << -7.5 << true << -8;
    QTest::newRow("maximum") << 2147483647.4 << true << 2147483647;
    QTest::newRow("maximum half") << 2147483647.5 << false << 0;
    QTest::newRow("minimum half") << -2147483648.5 << true << int(-2147483648LL);
    QTest::newRow("below minimum") << -2147483649.0 << false << 0;
    QTest::newRow("huge") << 1e300 << false << 0;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << 0;
}

void TestNumericText::roundToInt32() {
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const auto result = RoundToInt32(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(*result, expected);
}

void TestNumericText::roundToSingle() {
    QCOMPARE(RoundToSingle(0.1).value(), 0.1f);
    QVERIFY(!RoundToSingle(1e39).has_value());
    QVERIFY(!RoundToSingle(-1e39).has_value());
}

QTEST_APPLESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
