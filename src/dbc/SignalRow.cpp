#include "dbc/SignalRow.h"

#include "channels/NumericText.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace cac {
namespace {

// The adapter takes its signals from the 8 data bytes of a classic frame.
constexpr int FrameBytes = 8;

// The last data byte the signal's bits reach. Motorola signals run from their
// most significant bit down through the byte, then on into the next bytes.
int lastByte(const DbcSignal& signal) {
    if (signal.littleEndian)
        return (signal.startBit + std::max(signal.length, 1) - 1) / 8;
    const int bitsInFirstByte = signal.startBit % 8 + 1;
    const int rest = std::max(signal.length - bitsInFirstByte, 0);
    return signal.startBit / 8 + (rest + 7) / 8;
}

// The data byte (0-based) a signal fills exactly, or -1.
int wholeByte(const DbcSignal& signal) {
    const int firstBit = signal.littleEndian ? 0 : 7;
    return signal.length == 8 && signal.startBit % 8 == firstBit ? signal.startBit / 8 : -1;
}

// The value rounded to `digits` significant digits, without trailing zeros:
// positional from 1E-4 to below 1E15, in exponent form ("1.5E+16") beyond, as
// the equation display writes numbers. Built from the digits to_chars gives
// (a listing asks this thousands of times; printf took most of its time).
QString roundedText(double value, int digits) {
    char scientific[48];
    const auto written = std::to_chars(scientific, scientific + sizeof scientific, value,
                                       std::chars_format::scientific, digits - 1);
    const std::string_view text(scientific, written.ptr - scientific);
    const std::size_t e = text.find('e');
    int exponent = 0; // after "e", which to_chars writes with its sign
    const char* sign = scientific + e + 1;
    std::from_chars(sign + (*sign == '+'), written.ptr, exponent);
    const bool negative = text.front() == '-';
    std::string mantissa; // the significant digits alone
    for (const char c : text.substr(0, e)) {
        if (c >= '0' && c <= '9')
            mantissa += c;
    }
    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out += mantissa.substr(0, 1);
        if (mantissa.size() > 1)
            out += '.' + mantissa.substr(1);
    } else if (exponent >= digits - 1) { // every digit of the whole number, as "%.0f" has it
        char whole[32];
        const auto end =
            std::to_chars(whole, whole + sizeof whole, value, std::chars_format::fixed, 0);
        out.assign(whole, end.ptr);
    } else if (exponent >= 0) {
        out += mantissa.substr(0, exponent + 1) + '.' + mantissa.substr(exponent + 1);
    } else {
        out += "0." + std::string(-exponent - 1, '0') + mantissa;
    }
    QString result = QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
    DropTrailingZeros(result);
    if (exponent < -4 || exponent >= 15)
        result += QString::asprintf("E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return result;
}

// The value as its text with 15 significant digits reads.
double RoundedTo15(double value) {
    char text[40];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    return rounded;
}

// A multiplexed signal is taken only from the frames whose multiplexor byte
// holds its value; the adapter's filter does that when the multiplexor is one
// whole byte.
void setFilter(SignalRow& row, const DbcMessage& message, const DbcSignal& signal) {
    row.cells[ColFilterLoc] = QStringLiteral("No Filter");
    row.cells[ColFilterVal] = QStringLiteral("0");
    if (signal.multiplexValue < 0)
        return;
    QStringList multiplexors;
    const DbcSignal* multiplexor = nullptr;
    for (const DbcSignal& other : message.signalList) {
        if (other.isMultiplexor) {
            multiplexors.append(other.name);
            multiplexor = &other;
        }
    }
    QString why;
    if (multiplexors.isEmpty())
        why = QStringLiteral("its message has no multiplexor");
    else if (multiplexors.size() > 1)
        why = QStringLiteral("its message has several multiplexors (%1)")
                  .arg(multiplexors.join(QStringLiteral(", ")));
    else if (wholeByte(*multiplexor) < 0 || wholeByte(*multiplexor) >= FrameBytes)
        why = QStringLiteral("its multiplexor %1 (%2) is not one whole data byte")
                  .arg(multiplexor->name, SignalLayoutText(*multiplexor));
    else if (signal.multiplexValue > 255)
        why = QStringLiteral("its multiplexor value %1 does not fit a byte")
                  .arg(signal.multiplexValue);
    if (!why.isEmpty()) {
        row.notes.append({false, ColFilterLoc,
                          QStringLiteral("cannot be filtered: %1; the channel reads it from "
                                         "every frame, whatever the multiplexor holds")
                              .arg(why)});
        return;
    }
    row.cells[ColFilterLoc] = QStringLiteral("Byte %1").arg(wholeByte(*multiplexor) + 1);
    row.cells[ColFilterVal] = QString::number(signal.multiplexValue);
}

} // namespace

bool SignalRow::importable() const {
    return std::none_of(notes.begin(), notes.end(), [](const MappingNote& n) { return n.refuses; });
}

QString SignalRow::settingsText() const {
    if (!importable())
        return {};
    QStringList settings;
    for (int column = ColIdLength; column < ChannelGridColumns; ++column)
        settings.append(cells[column]);
    return settings.join(u'|');
}

SignalRow MapSignalToRow(const DbcMessage& message, const DbcSignal& signal) {
    SignalRow row;
    const auto refuse = [&](int column, const QString& text) {
        row.notes.append({true, column, text});
    };

    const std::uint32_t widest = message.extended ? 0x1FFFFFFF : 0x7FF;
    if (message.id > widest)
        refuse(ColCanId, QStringLiteral("identifier %1 does not fit %2 bits")
                             .arg(IdentifierText(message))
                             .arg(message.extended ? 29 : 11));
    if (signal.valueType == DbcValueType::Double)
        refuse(ColValueType, QStringLiteral("a 64-bit double cannot be carried by a channel"));
    else if (signal.valueType == DbcValueType::Float && signal.length != 32)
        refuse(ColLength, QStringLiteral("a float signal has 32 bits, not %1").arg(signal.length));
    else if (signal.length > 32)
        refuse(ColLength, QStringLiteral("%1 bits are more than a channel carries (at most 32)")
                              .arg(signal.length));
    else if (signal.length < 1)
        refuse(ColLength, QStringLiteral("a signal of 0 bits carries nothing"));
    if (signal.startBit >= FrameBytes * 8 || lastByte(signal) >= FrameBytes)
        refuse(ColStartBit, QStringLiteral("bits %1 reach beyond the 8 data bytes the adapter "
                                           "reads")
                                .arg(SignalLayoutText(signal)));
    else if (lastByte(signal) >= message.length)
        row.notes.append({false, ColStartBit,
                          QStringLiteral("bits %1 reach beyond the message's %2 data bytes")
                              .arg(SignalLayoutText(signal))
                              .arg(message.length)});
    // The adapter holds both as 32-bit floats.
    const double scale = 1.0 / signal.factor;
    if (signal.factor == 0)
        refuse(ColScale, QStringLiteral("a factor of 0 cannot be imported: the scale factor is "
                                        "its inverse"));
    else if (!RoundToSingle(scale))
        refuse(ColScale, QStringLiteral("the factor %1 is too small: its inverse does not fit "
                                        "the adapter's 32-bit float")
                             .arg(signal.factor));
    if (!RoundToSingle(signal.offset))
        refuse(ColOffset, QStringLiteral("the offset %1 does not fit the adapter's 32-bit float")
                              .arg(signal.offset));
    if (!row.importable())
        return row;

    const bool isFloat = signal.valueType == DbcValueType::Float;
    row.cells[ColIdLength] = message.extended ? QStringLiteral("29 bit") : QStringLiteral("11 bit");
    row.cells[ColCanId] = IdentifierText(message);
    setFilter(row, message, signal);
    row.cells[ColStartBit] = QString::number(signal.startBit);
    row.cells[ColLength] = QString::number(signal.length);
    row.cells[ColValueType] = isFloat           ? QStringLiteral("Float (single)")
                              : signal.isSigned ? QStringLiteral("Signed")
                                                : QStringLiteral("Unsigned");
    row.cells[ColByteOrder] = signal.littleEndian ? QStringLiteral("Intel standard")
                                                  : QStringLiteral("Motorola forw MSB");
    row.cells[ColScale] = ScaleTextForFactor(signal.factor);
    row.cells[ColOffset] = ShortestDecimalText(signal.offset);
    row.cells[ColExponent] = QStringLiteral("0");
    return row;
}

QString ScaleTextForFactor(double factor) {
    // From the factor's 15 digits, so that one text gives one answer however
    // it was read.
    const double written = RoundedTo15(factor);
    const double scale = 1.0 / written;
    const auto readsBack = [&](const QString& text) {
        return RoundedTo15(1.0 / TextToNumber(text)) == written;
    };
    // 17 digits are the double itself, whose inverse is the factor.
    if (!std::isfinite(scale) || scale == 0 || !readsBack(roundedText(scale, 17)))
        return ShortestDecimalText(scale);
    // The roundings nearer the scale factor read back once a coarser one
    // does (near enough always; a miss only costs a digit): halving finds it.
    int shortest = 17;
    for (int longest = 1; longest < shortest;) {
        const int digits = (longest + shortest) / 2;
        if (readsBack(roundedText(scale, digits)))
            shortest = digits;
        else
            longest = digits + 1;
    }
    return roundedText(scale, shortest);
}

QString ShortestDecimalText(double value) {
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    // Once a rounding reads back as the 15-digit one does, every longer one
    // is the same decimal and does too: the shortest is found by halving.
    const double target = TextToNumber(roundedText(value, 15));
    int shortest = 15;
    for (int longest = 1; longest < shortest;) {
        const int digits = (longest + shortest) / 2;
        if (TextToNumber(roundedText(value, digits)) == target)
            shortest = digits;
        else
            longest = digits + 1;
    }
    return roundedText(value, shortest);
}

} // namespace cac
