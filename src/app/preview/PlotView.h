#pragma once

#include "decode/ValueSeries.h"

#include <QColor>
#include <QWidget>

#include <vector>

namespace cac::app {

// A channel's values and raw values over the log's time, drawn with
// QPainter (Qt Charts is not part of the Windows build's Qt): the wheel zooms in time around the
// pointer, a drag moves along it, a double-click shows the whole log again.
class PlotView : public QWidget {
    Q_OBJECT
public:
    explicit PlotView(QWidget* parent = nullptr);

    // New buckets; the zoom stays when `keepView` and the view still lies
    // within the new series.
    void setSeries(std::vector<SeriesBucket> buckets, bool keepView);
    void showWhole();
    // Shows [from, to], kept within the log and no shorter than the deepest zoom.
    void setView(double from, double to);

    double viewFrom() const { return m_from; }
    double viewTo() const { return m_to; }
    double wholeFrom() const;
    double wholeTo() const;

    QSize sizeHint() const override { return {720, 360}; }

    // The colours of the value and the raw line, for a legend beside the plot.
    static QColor valueColor();
    static QColor rawColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRectF plotArea() const;
    double timeAt(double x) const;

    std::vector<SeriesBucket> m_buckets;
    double m_from = 0, m_to = 1;
    double m_dragX = 0, m_dragFrom = 0, m_dragTo = 0;
};

} // namespace cac::app
