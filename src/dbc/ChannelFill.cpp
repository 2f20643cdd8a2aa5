#include "dbc/ChannelFill.h"

#include "channels/ConfigModel.h"

namespace cac {

bool IsChannelLocked(const ConfigModel& model, int channel) {
    return model.obdModeEnabled() && channel == ChannelCount;
}

bool IsChannelFree(const ConfigModel& model, int channel) {
    if (channel < 1 || channel > ChannelCount || IsChannelLocked(model, channel))
        return false;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        const QString text = model.cell(channel, column);
        if (!text.isEmpty() && text != ColumnDefault(column))
            return false;
    }
    return true;
}

QList<int> FreeChannels(const ConfigModel& model) {
    QList<int> free;
    for (int channel = 1; channel <= ChannelCount; ++channel) {
        if (IsChannelFree(model, channel))
            free.append(channel);
    }
    return free;
}

QList<int> ChannelsToFill(const ConfigModel& model, int count, int first) {
    if (first <= 0)
        return FreeChannels(model).mid(0, count);
    QList<int> channels;
    for (int channel = first; channel <= ChannelCount && channels.size() < count; ++channel) {
        if (!IsChannelLocked(model, channel))
            channels.append(channel);
    }
    return channels;
}

bool FillChannel(ConfigModel& model, int channel, const SignalRow& row,
                 const QString& variableEntry) {
    if (!row.importable() || channel < 1 || channel > ChannelCount ||
        IsChannelLocked(model, channel))
        return false;
    if (!variableEntry.isEmpty()) {
        model.setCell(channel, ColVariable, variableEntry);
        model.FillRowDefaults(channel);
    }
    for (int column = ColIdLength; column < ChannelGridColumns; ++column) {
        model.setCell(channel, column, row.cells[column]);
        if (ComboForColumn(column) >= 0) // a list choice fills the row's empty cells
            model.FillRowDefaults(channel);
    }
    return true;
}

} // namespace cac
