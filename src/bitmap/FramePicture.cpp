#include "bitmap/FramePicture.h"

#include "bitmap/FramePictureTexts.h"
#include "channels/ConfigModel.h"

#include <algorithm>

namespace cac {

const ChannelSignal* FramePicture::signalOf(int number) const {
    for (const ChannelSignal& signal : channels) {
        if (signal.channel == number)
            return &signal;
    }
    return nullptr;
}

FramePicture BuildFramePicture(const ConfigModel& model, int channel) {
    FramePicture picture;
    if (channel < 1 || channel > ChannelCount)
        return picture;
    picture.channel = channel;
    if (channel == ChannelCount && model.obdModeEnabled()) {
        picture.title = FramePictureObdChannel();
        return picture;
    }
    ChannelSignal own = ReadChannelSignal(model, channel);
    FrameChannels frame{own.extended, own.id, {}};
    // A blank identifier names no frame (it reads as 0): the channel is drawn
    // alone, so that its bits show while it is filled in.
    const bool noId = model.cell(channel, ColCanId).trimmed().isEmpty();
    for (const FrameChannels& used : UsedFrames(model)) {
        if (!noId && used.extended == own.extended && used.id == own.id)
            frame = used;
    }
    const auto later = std::find_if(frame.channels.begin(), frame.channels.end(),
                                    [&](const ChannelSignal& s) { return s.channel >= channel; });
    if (later == frame.channels.end() || later->channel != channel)
        frame.channels.insert(later, std::move(own));

    QList<int> numbers;
    for (const ChannelSignal& signal : frame.channels) {
        numbers.append(signal.channel);
        if (!signal.bits.known)
            picture.notes.append(FramePictureNotDrawn(signal.channel, signal.bits.unknownReason));
        else if (!signal.bits.insideFrame())
            picture.notes.append(FramePictureBeyondFrame(signal.channel));
    }
    picture.title = noId ? FramePictureNoId(channel)
                         : FramePictureTitle(FrameName(frame.extended, frame.id), numbers);
    for (int cell = 0; cell < FramePicture::Cells; ++cell)
        picture.owners[static_cast<std::size_t>(cell)] =
            OwnersOfBit(frame, FramePicture::positionOf(cell));
    picture.channels = std::move(frame.channels);
    return picture;
}

QString CellToolTip(const ConfigModel& model, const FramePicture& picture, int cell) {
    const BitPosition position = FramePicture::positionOf(cell);
    QStringList lines;
    for (int number : picture.owners[static_cast<std::size_t>(cell)].channels) {
        const SignalBitMap& bits = picture.signalOf(number)->bits;
        const auto index = bits.positions.indexOf(position);
        lines.append(FramePictureBitOwner(number, model.cell(number, ColVariable),
                                          static_cast<int>(bits.positions.size() - 1 - index)));
    }
    if (picture.owners[static_cast<std::size_t>(cell)].overlap)
        lines.append(FramePictureOverlap);
    lines.append(FramePictureBitPlace(position.byte, position.bit, position.databaseIndex()));
    return lines.join(u'\n');
}

} // namespace cac
