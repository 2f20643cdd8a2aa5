#pragma once

#include "app/preview/PlotView.h"
#include "decode/ValueSeries.h"

#include <QDialog>

#include <vector>

class QLabel;

namespace cac::app {

// The larger plot of one channel, a window of its own beside the main one.
class ChannelPlotWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChannelPlotWindow(QWidget* parent = nullptr);

    int channel() const { return m_channel; }
    void showChannel(int channel, const QString& variable, const QString& unit,
                     std::vector<SeriesBucket> buckets);
    PlotView* view() const { return m_view; }

private:
    int m_channel = 0;
    QLabel* m_legend;
    PlotView* m_view;
};

} // namespace cac::app
