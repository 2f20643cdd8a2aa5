#pragma once

#include "dbc/SignalRow.h"

#include <QList>
#include <QString>

namespace cac {

class ConfigModel;

// Channel 15 belongs to OBD while OBD mode is on; the user cannot edit it.
bool IsChannelLocked(const ConfigModel& model, int channel);

// A channel holds nothing a user set: every setting cell is empty or holds
// its column's default. A locked channel is never free.
bool IsChannelFree(const ConfigModel& model, int channel);

// The free channels, in channel order.
QList<int> FreeChannels(const ConfigModel& model);

// The channels `count` signals fill, one each: `first`, `first` + 1, ...
// passing over a locked channel 15, or with `first` 0 the next free channels.
// Fewer than `count` when the channels run out.
QList<int> ChannelsToFill(const ConfigModel& model, int count, int first = 0);

// Writes the signal's row into the channel as the user's own edits would: the
// variable entry (when one is given) and the list cells as list choices, each
// followed by FillRowDefaults, the other cells as typed text. The variable
// cell is otherwise kept, or gets its default. Returns false and changes
// nothing for a refused signal or a locked or unknown channel.
bool FillChannel(ConfigModel& model, int channel, const SignalRow& row,
                 const QString& variableEntry = {});

} // namespace cac
