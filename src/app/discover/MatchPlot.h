#pragma once

#include "discover/reference/FieldMatch.h"
#include "discover/reference/ReferenceSeries.h"

#include <QRectF>
#include <QWidget>

#include <vector>

namespace cac::app {

// A match over its reference: the reference's values in grey, the field's
// raw values through the fitted conversion (value = raw / scale + offset) in
// the link colour, on one time and one value axis; or a field alone, raw.
// The marks are drawn across it; a click on the time axis sets one there.
class MatchPlot : public QWidget {
    Q_OBJECT
public:
    explicit MatchPlot(QWidget* parent = nullptr);

    void showMatch(std::vector<ReferencePoint> reference, std::vector<FieldSample> field,
                   double scale, double offset, const QString& legend);
    void showField(const std::vector<FieldSample>& field, const QString& legend);
    void clear();
    bool isEmpty() const { return m_reference.empty() && m_field.empty(); }
    // Times are on the log's clock; the axis counts them from `origin` (a
    // dated log's first frame).
    void setMarks(std::vector<double> times, double origin);
    const std::vector<double>& marks() const { return m_marks; }

    // Where the time axis is drawn and which times it spans, for a click.
    struct Frame {
        QRectF area;
        double t0 = 0, t1 = 1, v0 = 0, v1 = 1;
        int axisWidth = 0;
    };
    Frame frame() const;

    QSize sizeHint() const override { return {360, 150}; }
    QSize minimumSizeHint() const override { return {160, 90}; }

signals:
    // The time axis was clicked at `time`, on the log's clock.
    void timeClicked(double time);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<ReferencePoint> m_reference;
    std::vector<ReferencePoint> m_field; // converted
    QString m_legend;
    std::vector<double> m_marks;
    double m_origin = 0;
};

} // namespace cac::app
