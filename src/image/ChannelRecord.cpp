#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "image/ConfigImage.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace cac {
namespace {

// Value-type codes differ from the list order: "Signed" is entry 0 but code 1.
constexpr std::uint8_t ValueTypeCodes[] = {1, 0, 2};

// Every byte field passes through one scratch byte: a conversion that does not
// fit leaves it unchanged, so the field repeats the byte before it. It writes
// the record in place and notes, for whoever explains a record, which fields
// read a number and whether that number fit.
class ScratchByte {
public:
    ScratchByte(char* record, QList<RecordNumberField>* numberFields)
        : m_record(record), m_out(record), m_numberFields(numberFields) {
        // Start bit, length, filter position and value, exponent.
        if (m_numberFields)
            m_numberFields->reserve(m_numberFields->size() + 5);
    }

    // The byte of the number `column`'s cell reads as; `number` is what the
    // field shows of it, `magnitude` what goes into the byte.
    void setFromNumber(int column, double number, double magnitude) {
        const auto byte = RoundToByte(magnitude);
        if (byte)
            m_value = *byte;
        if (m_numberFields)
            m_numberFields->append({offset(), column, number, byte.has_value(), m_lastOffset});
    }
    void setFromNumber(int column, double number) { setFromNumber(column, number, number); }
    void assign(std::uint8_t value) { m_value = value; }
    std::uint8_t value() const { return m_value; }
    // The byte as the record's next field.
    void write() {
        m_lastOffset = offset();
        *m_out++ = static_cast<char>(m_value);
    }
    // Where the next field goes, for fields that do not pass through the byte.
    char*& out() { return m_out; }

private:
    int offset() const { return static_cast<int>(m_out - m_record); }

    const char* m_record;
    char* m_out;
    QList<RecordNumberField>* m_numberFields;
    std::uint8_t m_value = 0;
    int m_lastOffset = -1;
};

// A 32-bit float quotient computed in double; a result that does not fit
// leaves the target unchanged.
void divideInto(float& target, double numerator, double denominator) {
    if (const auto quotient = RoundToSingle(numerator / denominator))
        target = *quotient;
}

// The four bytes of EncodeAdapterFloat.
char* writeAdapterFloat(char* out, double value) {
    out[0] = out[1] = out[2] = out[3] = 0;
    if (value == 0)
        return out + 4;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const int sign = static_cast<int>(bits >> 63);
    out[0] = static_cast<char>((sign << 7) | ((fraction >> 45) & 0x7F));
    out[1] = static_cast<char>((fraction >> 37) & 0xFF);
    out[2] = static_cast<char>((fraction >> 29) & 0xFF);
    // Re-biased from 1023 to 127; values with no single-precision exponent
    // (subnormal and beyond) leave the byte 0.
    const int rebiased = exponent - 896;
    if (rebiased >= 0 && rebiased <= 255)
        out[3] = static_cast<char>(rebiased);
    return out + 4;
}

// Record bytes 0 to 4: start bit, length, the format byte and the filter's
// position and value. Only the
// variable list ever changes, so the fixed lists are the model's lists.
void writeSignalFields(ScratchByte& scratch, const SignalCells& cells) {
    static const QStringList valueTypes = FixedChoiceList(ComboForColumn(ColValueType));
    static const QStringList byteOrders = FixedChoiceList(ComboForColumn(ColByteOrder));
    static const QString noFilter = FixedChoiceList(ComboForColumn(ColFilterLoc)).value(0);
    const bool isFloat = cells.valueType == valueTypes.value(2);

    scratch.setFromNumber(ColStartBit, TextToNumber(cells.startBit));
    scratch.write();

    if (isFloat)
        scratch.assign(32);
    else
        scratch.setFromNumber(ColLength, TextToNumber(cells.length));
    scratch.write();

    // Format byte: an unrecognised value type leaves the length in the byte.
    const qsizetype valueType = valueTypes.indexOf(cells.valueType);
    if (valueType >= 0 && valueType < 3)
        scratch.assign(ValueTypeCodes[valueType]);
    const qsizetype byteOrder = byteOrders.indexOf(cells.byteOrder);
    if (byteOrder >= 0 && byteOrder < 6)
        scratch.assign(static_cast<std::uint8_t>(scratch.value() | (byteOrder << 4)));
    if (cells.filterLoc != noFilter)
        scratch.assign(static_cast<std::uint8_t>(scratch.value() | 0x80));
    scratch.write();

    // "Byte 1" to "Byte 8" end in their number; "No Filter" ends in no digit.
    scratch.setFromNumber(ColFilterLoc, TextToNumber(cells.filterLoc.right(2)));
    scratch.write();

    scratch.setFromNumber(ColFilterVal, TextToNumber(cells.filterValue));
    scratch.write();
}

} // namespace

QByteArray EncodeAdapterFloat(double value) {
    char bytes[4];
    writeAdapterFloat(bytes, value);
    return QByteArray(bytes, sizeof bytes);
}

int RecordByteColumn(int offset) {
    static constexpr int Columns[] = {ColStartBit,  ColLength,   ColValueType, ColFilterLoc,
                                      ColFilterVal, ColVariable, ColVariable,  ColExponent};
    if (offset >= 0 && offset < 8)
        return Columns[offset];
    if (offset >= 16 && offset < ChannelRecordSize) // multiplier, then offset
        return offset < 20 ? ColScale : ColOffset;
    return 0; // the two unused floats
}

float RecordMultiplier(double scale, float resolution) {
    const float single = RoundToSingle(scale).value_or(0);
    float multiplier = 0;
    if (single == 0)
        multiplier = 1.0f;
    else
        divideInto(multiplier, 1.0, single);
    divideInto(multiplier, multiplier, resolution);
    return multiplier;
}

float RecordOffset(double offset, float resolution) {
    float single = RoundToSingle(offset).value_or(0);
    divideInto(single, single, resolution);
    return single;
}

std::array<std::uint8_t, SignalFieldBytes> EncodeSignalFields(const SignalCells& cells) {
    char bytes[SignalFieldBytes];
    ScratchByte scratch(bytes, nullptr);
    writeSignalFields(scratch, cells);
    std::array<std::uint8_t, SignalFieldBytes> fields;
    std::copy(std::begin(bytes), std::end(bytes), fields.begin());
    return fields;
}

QByteArray EncodeChannelRecord(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int channel, QList<RecordNumberField>* numberFields) {
    return EncodeChannelRecord(model.rowCells(channel),
                               channel == ChannelCount && model.obdModeEnabled(), catalogue,
                               numberFields);
}

QByteArray EncodeChannelRecord(const ChannelCells& row, bool obdChannel,
                               const VariableCatalogue& catalogue,
                               QList<RecordNumberField>* numberFields) {
    auto cell = [&](int column) -> const QString& { return row.at(column); };
    auto number = [&](int column) { return TextToNumber(cell(column)); };
    const SignalCells signal{cell(ColStartBit),  cell(ColLength),    cell(ColValueType),
                             cell(ColByteOrder), cell(ColFilterLoc), cell(ColFilterVal)};

    // Built in place and copied out once.
    char record[ChannelRecordSize];
    ScratchByte scratch(record, numberFields);
    char*& out = scratch.out();
    writeSignalFields(scratch, signal);

    const std::int32_t variable = FindVariableIndex(catalogue, cell(ColVariable));
    const QByteArray code =
        obdChannel ? QByteArray(2, static_cast<char>(0xFF)) : GetLoggerChannelCode(variable);
    *out++ = code[0];
    *out++ = code[1];

    // Exponent as 8-bit two's complement.
    const double exponent = number(ColExponent);
    scratch.setFromNumber(ColExponent, exponent, std::fabs(exponent));
    if (exponent < 0 && scratch.value() != 0)
        scratch.assign(static_cast<std::uint8_t>(256 - scratch.value()));
    scratch.write();

    out = writeAdapterFloat(out, 0);
    out = writeAdapterFloat(out, 0);

    // The record carries (CAN value) / scale + offset, counted in steps of the
    // variable's resolution, as multiplier and offset.
    const float resolution = GetVariableResolution(variable);
    out = writeAdapterFloat(out, RecordMultiplier(number(ColScale), resolution));
    writeAdapterFloat(out, RecordOffset(number(ColOffset), resolution));
    return QByteArray(record, ChannelRecordSize);
}

} // namespace cac
