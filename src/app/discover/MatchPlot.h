#pragma once

#include "discover/reference/FieldMatch.h"
#include "discover/reference/ReferenceSeries.h"

#include <QWidget>

#include <vector>

namespace cac::app {

// A match over its reference: the reference's values in grey, the field's
// raw values through the fitted conversion (value = raw / scale + offset) in
// the link colour, on one time and one value axis.
class MatchPlot : public QWidget {
    Q_OBJECT
public:
    explicit MatchPlot(QWidget* parent = nullptr);

    void showMatch(std::vector<ReferencePoint> reference, std::vector<FieldSample> field,
                   double scale, double offset, const QString& legend);
    void clear();
    bool isEmpty() const { return m_reference.empty() && m_field.empty(); }

    QSize sizeHint() const override { return {360, 150}; }
    QSize minimumSizeHint() const override { return {160, 90}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<ReferencePoint> m_reference;
    std::vector<ReferencePoint> m_field; // converted
    QString m_legend;
};

} // namespace cac::app
