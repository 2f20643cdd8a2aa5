#include "decode/FrameDecoder.h"

#include "bitmap/FrameLayout.h"

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"

#include <bit>
#include <cmath>

namespace cac {
namespace {

std::uint8_t byteAt(const QByteArray& bytes, int offset) {
    return static_cast<std::uint8_t>(bytes.at(offset));
}

// The single-precision resolution stands for a decimal: 0.01f for 0.01, not
// for 0.0099999998 (which turns 104857500 steps into 1048574.98). Dividing
// the steps by the decimal's power of ten gives the double nearest the true
// value, which then shows exactly at the resolution's decimals.
double stepsPerUnitOf(float resolution) {
    if (!(resolution > 0))
        return 1;
    for (double power = 1; power <= 1e9; power *= 10)
        if (static_cast<float>(1 / power) == resolution)
            return power;
    return 1 / static_cast<double>(resolution);
}

// Why the channel's bits and filter cannot be read from a frame; empty when
// they can.
QString whyUnreadable(const ChannelDecoding& d) {
    if (!d.bits.known)
        return d.bits.unknownReason;
    if (d.bits.positions.isEmpty() || d.bits.positions.size() > 32)
        return QStringLiteral("a signal of %1 bits cannot be read").arg(d.bits.length);
    if (!d.bits.insideFrame())
        return QStringLiteral("the signal reaches beyond the 8 data bytes");
    if (d.filter.on && d.filter.dataByte() < 0)
        return QStringLiteral("the filter is on but its byte position %1 names no data byte")
            .arg(d.filter.position);
    return {};
}

// The signal's bits as runs within a byte, so that a frame is read a run at a
// time rather than a bit at a time.
void gatherRuns(ChannelDecoding& d) {
    d.bytesNeeded = d.bits.lastByte() + 1;
    for (const BitPosition& p : d.bits.positions) {
        ChannelDecoding::BitRun& last = d.runs[std::max(0, d.runCount - 1)];
        if (d.runCount > 0 && last.byte == p.byte && last.shift == p.bit + 1) {
            --last.shift;
            ++last.width;
        } else {
            d.runs[d.runCount++] = {static_cast<std::uint8_t>(p.byte),
                                    static_cast<std::uint8_t>(p.bit), 1};
        }
    }
}

ChannelDecoding setUp(const ConfigModel& model, const VariableCatalogue& catalogue, int c) {
    ChannelDecoding d;
    d.channel = c;
    d.variable = model.cell(c, ColVariable);
    if (!ChannelInUse(model, c)) // the same channels the layout draws and the checks compare
        return d;
    d.previewed = true;

    const std::int32_t variable = FindVariableIndex(catalogue, d.variable);
    d.unit = GetVariableUnits(variable);
    d.resolution = GetVariableResolution(variable);
    d.stepsPerUnit = stepsPerUnitOf(d.resolution);

    // The identifier as the image's identifier word carries it.
    const auto reading = DecodeIdentifierWord(
        EncodeIdentifierWord(false, IsExtendedIdentifier(model, c), IdentifierNumber(model, c)));
    d.extended = reading && reading->extended;
    d.id = reading ? static_cast<std::uint32_t>(reading->id) : 0;

    const QByteArray record = EncodeChannelRecord(model, catalogue, c);
    const ChannelSignal signal = SignalOfRecord(record);
    d.exponent = static_cast<std::int8_t>(byteAt(record, 7));
    d.filter = signal.filter;

    const double scale = TextToNumber(model.cell(c, ColScale));
    d.scale = RoundToSingle(scale).value_or(0);
    d.offset = RoundToSingle(TextToNumber(model.cell(c, ColOffset))).value_or(0);
    d.stepMultiplier = RecordMultiplier(scale, d.resolution);
    d.stepOffset = RecordOffset(TextToNumber(model.cell(c, ColOffset)), d.resolution);

    // Value-type codes: 0 unsigned, 1 signed, 2 float; 3 names none.
    const int typeCode = signal.valueTypeCode;
    d.bits = signal.bits;
    if (typeCode == 3) {
        d.problem = QStringLiteral("its format byte names no value type");
        return d;
    }
    d.kind = typeCode == 0 ? ValueKind::Unsigned
                           : (typeCode == 1 ? ValueKind::Signed : ValueKind::Float);
    d.problem = whyUnreadable(d);
    if (d.problem.isEmpty())
        gatherRuns(d);
    return d;
}

std::uint64_t identifierKey(std::uint32_t id, bool extended) {
    return std::uint64_t{extended} << 32 | id;
}

} // namespace

FrameDecoder::FrameDecoder(const ConfigModel& model, const VariableCatalogue& catalogue) {
    for (int c = 1; c <= ChannelCount; ++c) {
        const ChannelDecoding& d = m_channels[c - 1] = setUp(model, catalogue, c);
        if (d.givesValues()) {
            m_keys[m_valueChannels.size()] = identifierKey(d.id, d.extended);
            m_valueChannels.append(c);
        }
    }
}

std::uint16_t FrameDecoder::takers(const CanFrame& frame) const {
    if (frame.error || frame.remote)
        return 0;
    const std::uint64_t key = identifierKey(frame.id, frame.extended);
    unsigned found = 0;
    for (qsizetype i = 0; i < m_valueChannels.size(); ++i) {
        if (m_keys[i] != key)
            continue;
        const ChannelDecoding& d = m_channels[m_valueChannels[i] - 1];
        const int byte = d.filter.dataByte();
        if (!d.filter.on || (frame.length > byte && frame.data[byte] == d.filter.value))
            found |= 1u << (d.channel - 1);
    }
    return static_cast<std::uint16_t>(found);
}

bool FrameDecoder::takes(const ChannelDecoding& d, const CanFrame& frame) const {
    return d.channel >= 1 && (takers(frame) >> (d.channel - 1) & 1u);
}

double RawValue(std::uint32_t raw, int length, ValueKind kind) {
    switch (kind) {
    case ValueKind::Float:
        return std::bit_cast<float>(raw);
    case ValueKind::Signed:
        if (length < 32 && (raw >> (length - 1)) & 1u)
            return static_cast<double>(raw) - static_cast<double>(std::uint64_t{1} << length);
        return length == 32 ? static_cast<double>(static_cast<std::int32_t>(raw)) : raw;
    case ValueKind::Unsigned:
        break;
    }
    return raw;
}

std::optional<DecodedValue> FrameDecoder::decode(const ChannelDecoding& d, const CanFrame& frame,
                                                 QString* problem) const {
    if (!d.givesValues())
        return std::nullopt;
    if (frame.length < d.bytesNeeded) {
        if (problem)
            *problem = QStringLiteral("a frame of %1 bytes is too short for a signal reaching "
                                      "Byte %2")
                           .arg(frame.length)
                           .arg(d.bytesNeeded);
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (int i = 0; i < d.runCount; ++i) {
        const ChannelDecoding::BitRun& run = d.runs[i];
        bits = bits << run.width | ((frame.data[run.byte] >> run.shift) & ((1u << run.width) - 1));
    }
    DecodedValue v;
    v.raw = RawValue(bits, static_cast<int>(d.bits.positions.size()), d.kind);
    // A scale factor of 0 means no scaling, as in the image.
    v.value = (d.scale == 0 ? v.raw : v.raw / d.scale) + d.offset;
    // The logger gets whole steps of the resolution; halves go to the even step
    // (rint rounds as nearbyint does, without saving the floating-point state).
    v.rounded = std::rint(v.raw * d.stepMultiplier + d.stepOffset) / d.stepsPerUnit;
    return v;
}

} // namespace cac
