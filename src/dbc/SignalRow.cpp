#include "dbc/SignalRow.h"

#include "channels/NumericText.h"
#include "common/IdentifierWidth.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>

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
// the equation display writes numbers. Built in place from the digits
// to_chars gives: a listing asks this thousands of times.
QString roundedText(double value, int digits) {
    char scientific[48];
    char* const written = std::to_chars(scientific, scientific + sizeof scientific, value,
                                        std::chars_format::scientific, digits - 1)
                              .ptr;
    const char* const e = std::find(scientific, written, 'e');
    int exponent = 0; // after "e", which to_chars writes with its sign
    std::from_chars(e + 1 + (e[1] == '+'), written, exponent);
    char mantissa[24]; // the significant digits alone
    int count = 0;
    for (const char* c = scientific; c != e; ++c) {
        if (*c >= '0' && *c <= '9')
            mantissa[count++] = *c;
    }
    const bool exponentForm = exponent < -4 || exponent >= 15;
    char text[64];
    char* out = text;
    if (scientific[0] == '-')
        *out++ = '-';
    if (exponentForm) {
        *out++ = mantissa[0];
        if (count > 1) {
            *out++ = '.';
            out = std::copy(mantissa + 1, mantissa + count, out);
        }
    } else if (exponent >= digits - 1) { // every digit of the whole number, as "%.0f" has it
        out = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 0).ptr;
    } else if (exponent >= 0) {
        out = std::copy(mantissa, mantissa + exponent + 1, out);
        *out++ = '.';
        out = std::copy(mantissa + exponent + 1, mantissa + count, out);
    } else {
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -exponent - 1, '0');
        out = std::copy(mantissa, mantissa + count, out);
    }
    // No zeros at the end of a fraction, nor a point left bare.
    if (std::find(text, out, '.') != out) {
        while (out[-1] == '0')
            --out;
        if (out[-1] == '.')
            --out;
    }
    if (exponentForm) { // "E-05", "E+16", "E+308"
        *out++ = 'E';
        *out++ = exponent < 0 ? '-' : '+';
        if (std::abs(exponent) < 10)
            *out++ = '0';
        out = std::to_chars(out, text + sizeof text, std::abs(exponent)).ptr;
    }
    return QString::fromLatin1(text, out - text);
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

// A bit position or count as text; those of a frame's 64 bits are made
// once, as every row of a listing has two.
QString bitNumberText(int number) {
    static const std::array<QString, FrameBytes* 8 + 1> texts = [] {
        std::array<QString, FrameBytes * 8 + 1> made;
        for (int i = 0; i <= FrameBytes * 8; ++i)
            made[i] = QString::number(i);
        return made;
    }();
    return number >= 0 && number <= FrameBytes * 8 ? texts[number] : QString::number(number);
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

    if (message.id > WidestIdentifier(message.extended))
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
    row.cells[ColStartBit] = bitNumberText(signal.startBit);
    row.cells[ColLength] = bitNumberText(signal.length);
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

namespace {

QString searchedScaleText(double factor) {
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

QString searchedShortestText(double value) {
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

// The text `search` finds for a value, kept for the next signal that asks:
// a database holds a few factors and offsets, each on many signals, and each
// search takes several roundings.
QString remembered(QHash<quint64, QString>& known, double value, QString (*search)(double)) {
    constexpr qsizetype MostKept = 4096;
    const auto bits = std::bit_cast<quint64>(value);
    if (const auto found = known.constFind(bits); found != known.cend())
        return *found;
    if (known.size() >= MostKept)
        known.clear();
    return *known.insert(bits, search(value));
}

} // namespace

QString ScaleTextForFactor(double factor) {
    thread_local QHash<quint64, QString> known;
    return remembered(known, factor, searchedScaleText);
}

QString ShortestDecimalText(double value) {
    thread_local QHash<quint64, QString> known;
    return remembered(known, value, searchedShortestText);
}

} // namespace cac
