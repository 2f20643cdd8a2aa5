#pragma once

#include "bitmap/FrameLayout.h"
#include "bitmap/LayoutText.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace cac {

class ConfigModel;

// What the frame layout picture shows for one channel: the frame its
// identifier names, every channel in use on that identifier, and per cell
// (byte 0 to 7 down, bit 7 to 0 across) the channels taking that bit as the
// bit map says. The window only lays these answers out.
struct FramePicture {
    static constexpr int Cells = FrameDataBytes * 8;

    int channel = 0; // the channel the picture is for; 0 for none
    QString title;
    QStringList notes; // channels drawn without all their bits, and why
    QList<ChannelSignal> channels;
    std::array<BitOwners, Cells> owners{};

    // (byte, bit) of a cell index: rows by byte, bit 7 in the first column.
    static BitPosition positionOf(int cell) { return {cell / 8, 7 - cell % 8}; }
    const ChannelSignal* signalOf(int channel) const;
};

// The picture for channel row 1 to 15; a channel not in use is drawn with
// the channels in use on its identifier, so its bits show while it is filled in.
FramePicture BuildFramePicture(const ConfigModel& model, int channel);

// One line per channel taking the cell: its number and variable, the bit's
// weight in its signal, the bit as byte/bit and as a database start-bit number.
QString CellToolTip(const ConfigModel& model, const FramePicture& picture, int cell);

} // namespace cac
