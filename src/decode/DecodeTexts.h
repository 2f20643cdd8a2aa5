#pragma once

#include "canlog/LogReader.h"
#include "decode/DecodeTally.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The texts of a decoding: values at their resolution, the CSV of decoded
// values and the summary lines the command line prints.
namespace cac {

// A value as the logger message carries it: as many decimals as the
// resolution has (1 gives "12", 0.1 "12.3", 0.01 "12.34").
QString LoggerValueText(double rounded, float resolution);

// "time,channel,raw,value" and a line end.
QByteArray DecodedCsvHeader();
// One CSV line: the log's time in seconds, the channel 1 to 15, the raw value
// (an integer; a float's shortest text) and the value after scale and offset,
// before rounding. Numbers never depend on the locale.
void AppendDecodedCsvLine(QByteArray& out, const CanFrame& frame, int channel, ValueKind kind,
                          const DecodedValue& value);

// A previewed channel's summary as the command line and the window show it;
// minimum, maximum and last are empty while the channel has no value.
struct ChannelSummary {
    int channel = 0;
    QString variable;
    QString frames;
    QString minimum;
    QString maximum;
    QString last;
    QString unit;
};
QList<ChannelSummary> ChannelSummaries(const FrameDecoder& decoder, const DecodeTally& tally);

// One line a channel, padded into columns: channel, variable, frames,
// minimum, maximum, last, unit, then notes (no value and why, frames that
// could not be decoded, an exponent not applied). Only previewed channels.
QStringList ChannelSummaryLines(const FrameDecoder& decoder, const DecodeTally& tally);
// "frames no channel takes: 12 (2 remote, 1 error); identifiers 0x123, ..."
QString UntakenSummaryLine(const UntakenTally& untaken);
// What the log's times, and so the CSV's, count from.
QString LogTimesLine(LogTimes times);

} // namespace cac
