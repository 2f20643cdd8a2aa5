#include "bitmap/FrameLayout.h"

#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "common/HexText.h"
#include "image/ConfigImage.h"

#include <algorithm>

namespace cac {

bool ChannelInUse(const ConfigModel& model, int channel) {
    if (channel == ChannelCount && model.obdModeEnabled())
        return false;
    const QString variable = model.cell(channel, ColVariable);
    return !variable.trimmed().isEmpty() && variable != DoNotUseText && variable != UsedForObdText;
}

ChannelSignal ReadChannelSignal(const ConfigModel& model, int channel) {
    auto cell = [&](int column) { return model.cell(channel, column); };
    const auto bytes =
        EncodeSignalFields({cell(ColStartBit), cell(ColLength), cell(ColValueType),
                            cell(ColByteOrder), cell(ColFilterLoc), cell(ColFilterVal)});
    ChannelSignal signal = SignalOfRecord(QByteArrayView(bytes.data(), bytes.size()));
    signal.channel = channel;
    signal.extended = IsExtendedIdentifier(model, channel);
    signal.id = IdentifierNumber(model, channel);
    return signal;
}

ChannelSignal SignalOfRecord(QByteArrayView record) {
    const auto byte = [&](int offset) { return static_cast<std::uint8_t>(record.at(offset)); };
    const std::uint8_t format = byte(2);
    ChannelSignal signal;
    signal.filter = {(format & 0x80) != 0, byte(3), byte(4)};
    signal.valueTypeCode = format & 3;
    signal.bits = MapSignalBits(byte(0), byte(1), (format >> 4) & 7);
    return signal;
}

QList<FrameChannels> UsedFrames(const ConfigModel& model) {
    QList<FrameChannels> frames;
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        if (!ChannelInUse(model, channel))
            continue;
        ChannelSignal signal = ReadChannelSignal(model, channel);
        auto frame = std::find_if(frames.begin(), frames.end(), [&](const FrameChannels& f) {
            return f.extended == signal.extended && f.id == signal.id;
        });
        if (frame == frames.end())
            frame = frames.insert(frames.end(), {signal.extended, signal.id, {}});
        frame->channels.append(std::move(signal));
    }
    return frames;
}

bool ReadSameFrames(const ChannelFilter& a, const ChannelFilter& b) {
    return !a.on || !b.on || (a.position == b.position && a.value == b.value);
}

QList<BitPosition> SharedBits(const SignalBitMap& a, const SignalBitMap& b) {
    QList<BitPosition> shared;
    for (const BitPosition& p : a.positions) {
        if (b.covers(p))
            shared.append(p);
    }
    return shared;
}

QString FrameName(bool extended, std::int32_t id) {
    const QString hex = HexNumber(id);
    return extended ? hex + QStringLiteral(" (29 bit)") : hex;
}

} // namespace cac
