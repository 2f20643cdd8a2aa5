#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace cac {
struct SignalRow;
}

namespace cac::app {

// The channel row a signal gives, one cell per line under the channel grid's
// column titles, and below it what the user should know about the row: the
// mapping's notes and what the checks find in the row. A cell with a note is
// marked and carries the note as its tool tip.
class SignalPreview : public QWidget {
    Q_OBJECT
public:
    // The checks of the row look variables up in `catalogue`.
    SignalPreview(const VariableCatalogue& catalogue, QWidget* parent);

    // `variableText` is what the variable cell would hold.
    void showRow(const QString& signalPath, const SignalRow& row, const QString& variableText);
    void showNothing();

private:
    const VariableCatalogue& m_catalogue;
    QLabel* m_title;
    QTableWidget* m_cells;
    QLabel* m_notes;
};

} // namespace cac::app
