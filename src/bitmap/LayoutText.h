#pragma once

#include "bitmap/FrameLayout.h"

#include <QString>

namespace cac {

class ConfigModel;

// Which channels take a bit of a frame, as the picture and the text grid
// show it.
struct BitOwners {
    QList<int> channels;  // in channel order
    bool overlap = false; // two of them read it in the same frames
};

// The owners of bit (byte, bit) among the frame's channels with known bits.
BitOwners OwnersOfBit(const FrameChannels& frame, BitPosition position);

// A frame's layout as plain text: a title, 8 rows (Byte 1 to Byte 8) by 8
// columns (bits 7 to 0) holding the channel numbers, "**" where channels
// read the same bits of the same frames, "++" where they take them from
// frames their filters tell apart; then one line per channel saying its
// most and least significant bit, its filter, and why it is not drawn in
// full where it is not.
QString FrameLayoutText(const ConfigModel& model, const FrameChannels& frame);

} // namespace cac
