#pragma once

#include <QTableWidget>

#include <functional>

namespace cac {
class DecodeTally;
class FrameDecoder;
class ValueSeries;
} // namespace cac

namespace cac::app {

// The preview's table: one line a configured channel (frames taken, last,
// least and greatest value with the unit, frames not decoded, a small plot of
// the value over time), each line knowing its channel.
class PreviewLines : public QTableWidget {
    Q_OBJECT
public:
    // The small plots read the channel's series through seriesOf, which may
    // answer null when nothing is decoded.
    using SeriesOf = std::function<const ValueSeries*(int channel)>;
    explicit PreviewLines(SeriesOf seriesOf, QWidget* parent = nullptr);

    // The lines of what the decoder's channels made of the tallied frames.
    void showLines(const FrameDecoder& decoder, const DecodeTally& tally);

signals:
    // A line was clicked or activated.
    void channelChosen(int channel);
};

} // namespace cac::app
