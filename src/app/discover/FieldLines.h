#pragma once

#include <QTableWidget>

#include <memory>
#include <vector>

namespace cac {
struct DiscoveredIdentifier;
class ValueSeries;
} // namespace cac

namespace cac::app {

// The fields of one identifier, a line each: its number and colour on the
// frame picture, name, kind, layout, raw range, confidence and a small plot
// of its raw value over the log.
class FieldLines : public QTableWidget {
    Q_OBJECT
public:
    explicit FieldLines(QWidget* parent = nullptr);

    void showFields(const DiscoveredIdentifier& identifier);
    // The series of the field on `row`, or null (a constant field has none).
    const ValueSeries* seriesOf(int row) const;
    bool signedAt(int row) const;
    // Times (the log's clock) drawn across every field's plot.
    void setMarks(std::vector<double> times);

private:
    std::vector<std::shared_ptr<const ValueSeries>> m_series;
    std::vector<bool> m_signed;
    std::vector<double> m_marks;
};

} // namespace cac::app
