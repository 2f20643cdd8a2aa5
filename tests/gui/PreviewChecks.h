#pragma once

// What the CAN preview's channel lines should show, and what they show: the
// window tests of both platforms compare the two.
#include "app/preview/PreviewTexts.h"
#include "canlog/LogReader.h"
#include "decode/DecodeTally.h"
#include "decode/DecodeTexts.h"
#include "decode/FrameDecoder.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTableWidget>

namespace cac::testing {

// The texts of one channel line as the engine gives them for `frames`:
// channel, variable, frames, last, minimum, maximum, unit, not decoded.
using Lines = QList<QStringList>;

inline Lines engineLines(const ConfigModel& model, const VariableCatalogue& catalogue,
                         const QList<CanFrame>& frames) {
    const FrameDecoder decoder(model, catalogue);
    DecodeTally tally(decoder);
    for (const CanFrame& frame : frames)
        tally.add(frame);
    Lines lines;
    const auto shown = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("\u2013") : value;
    };
    for (const ChannelSummary& s : ChannelSummaries(decoder, tally)) {
        const bool noValue = !decoder.channel(s.channel).problem.isEmpty();
        lines.append({QString::number(s.channel), s.variable, s.frames, shown(s.last),
                      shown(s.minimum), shown(s.maximum), s.unit,
                      noValue ? app::texts::PreviewNoValue
                              : QString::number(tally.channel(s.channel).undecodable)});
    }
    return lines;
}

inline QList<CanFrame> readLog(const QString& path) {
    QFile file(path);
    QList<CanFrame> frames;
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    QString error;
    const auto reader = OpenLogReader(&file, LogFormat::Unknown, &error);
    CanFrame frame;
    while (reader && reader->readFrame(frame))
        frames.append(frame);
    return frames;
}

// What the panel's channel lines show, in the columns engineLines gives.
inline Lines PanelLines(const QTableWidget* table) {
    Lines lines;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList line;
        for (int column = 0; column < 8; ++column)
            line << table->item(row, column)->text();
        lines.append(line);
    }
    return lines;
}

} // namespace cac::testing
