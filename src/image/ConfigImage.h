#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace cac {

class ConfigModel;

inline constexpr int ConfigImageSize = 1140;
inline constexpr int ChannelRecordSize = 24;

// The adapter's 1140-byte configuration image for the model's current state.
QByteArray BuildConfigImage(const ConfigModel& model, const VariableCatalogue& catalogue);

// Four bytes describing one CAN identifier; `marker` sets bit 2 of byte 1.
QByteArray EncodeIdentifierWord(bool marker, bool extended, std::int32_t id);

// Priority masks then sequence numbers, one byte per OBD table row each.
QByteArray BuildObdPriorityTable(const QStringList& priorityTexts);

// Two's complement, least significant byte first.
QByteArray LongToBytes(std::int32_t value);
void AppendBytes(QByteArray& dest, const QByteArray& src);

// The 24-byte record of channel 1 to 15.
QByteArray EncodeChannelRecord(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int channel);

// The adapter's float layout: sign and fraction bits 22..16, fraction 15..8,
// fraction 7..0, exponent biased by 127.
QByteArray EncodeAdapterFloat(double value);

} // namespace cac
