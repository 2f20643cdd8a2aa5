#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "image/ConfigImage.h"

#include <bit>
#include <cmath>

namespace cac {
namespace {

// Value-type codes differ from the list order: "Signed" is entry 0 but code 1.
constexpr std::uint8_t ValueTypeCodes[] = {1, 0, 2};

// Every byte field passes through one scratch byte: a conversion that does not
// fit leaves it unchanged, so the field repeats the byte before it.
class ScratchByte {
public:
    void set(double value) {
        if (const auto b = RoundToByte(value))
            m_value = *b;
    }
    void assign(std::uint8_t value) { m_value = value; }
    std::uint8_t value() const { return m_value; }
    char* writeTo(char* out) const {
        *out = static_cast<char>(m_value);
        return out + 1;
    }

private:
    std::uint8_t m_value = 0;
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

} // namespace

QByteArray EncodeAdapterFloat(double value) {
    char bytes[4];
    writeAdapterFloat(bytes, value);
    return QByteArray(bytes, sizeof bytes);
}

QByteArray EncodeChannelRecord(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int channel) {
    auto cell = [&](int column) { return model.cell(channel, column); };
    const QStringList valueTypes = model.choiceList(ComboForColumn(ColValueType));
    const QStringList byteOrders = model.choiceList(ComboForColumn(ColByteOrder));
    const QString noFilter = model.choiceList(ComboForColumn(ColFilterLoc)).value(0);
    const bool isFloat = cell(ColValueType) == valueTypes.value(2);

    // Built in place and copied out once.
    char record[ChannelRecordSize];
    char* out = record;
    ScratchByte scratch;

    scratch.set(TextToNumber(cell(ColStartBit)));
    out = scratch.writeTo(out);

    if (isFloat)
        scratch.assign(32);
    else
        scratch.set(TextToNumber(cell(ColLength)));
    out = scratch.writeTo(out);

    // Format byte: an unrecognised value type leaves the length in the byte.
    const qsizetype valueType = valueTypes.indexOf(cell(ColValueType));
    if (valueType >= 0 && valueType < 3)
        scratch.assign(ValueTypeCodes[valueType]);
    const qsizetype byteOrder = byteOrders.indexOf(cell(ColByteOrder));
    if (byteOrder >= 0 && byteOrder < 6)
        scratch.assign(static_cast<std::uint8_t>(scratch.value() | (byteOrder << 4)));
    if (cell(ColFilterLoc) != noFilter)
        scratch.assign(static_cast<std::uint8_t>(scratch.value() | 0x80));
    out = scratch.writeTo(out);

    // "Byte 1" to "Byte 8" end in their number; "No Filter" ends in no digit.
    scratch.set(TextToNumber(cell(ColFilterLoc).right(2)));
    out = scratch.writeTo(out);

    scratch.set(TextToNumber(cell(ColFilterVal)));
    out = scratch.writeTo(out);

    const std::int32_t variable = FindVariableIndex(catalogue, cell(ColVariable));
    const QByteArray code = channel == ChannelCount && model.obdModeEnabled()
                                ? QByteArray(2, static_cast<char>(0xFF))
                                : GetLoggerChannelCode(variable);
    *out++ = code[0];
    *out++ = code[1];

    // Exponent as 8-bit two's complement.
    const double exponent = TextToNumber(cell(ColExponent));
    scratch.set(std::fabs(exponent));
    if (exponent < 0 && scratch.value() != 0)
        scratch.assign(static_cast<std::uint8_t>(256 - scratch.value()));
    out = scratch.writeTo(out);

    out = writeAdapterFloat(out, 0);
    out = writeAdapterFloat(out, 0);

    // The record carries (CAN value) / scale + offset, counted in steps of the
    // variable's resolution, as multiplier and offset.
    float scale = 0;
    if (const auto s = RoundToSingle(TextToNumber(cell(ColScale))))
        scale = *s;
    float multiplier = 0;
    if (scale == 0)
        multiplier = 1.0f;
    else
        divideInto(multiplier, 1.0, scale);
    float offset = 0;
    if (const auto o = RoundToSingle(TextToNumber(cell(ColOffset))))
        offset = *o;
    const float resolution = GetVariableResolution(variable);
    divideInto(multiplier, multiplier, resolution);
    divideInto(offset, offset, resolution);
    out = writeAdapterFloat(out, multiplier);
    writeAdapterFloat(out, offset);
    return QByteArray(record, ChannelRecordSize);
}

} // namespace cac
