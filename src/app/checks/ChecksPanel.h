#pragma once

#include "checks/Finding.h"

#include <QWidget>

class QAction;
class QLabel;
class QListView;

namespace cac::app {

class CheckFindings;

// The checks panel under the channel grid: what the checks say about the
// configuration, one finding a line (where, severity, sentence), and how
// many. It shows the findings, it never works them out. A click on a
// finding, or Enter on it, asks to go to its cell. Its toggle action (View >
// Checks) hides and shows it; it is shown at every start.
class ChecksPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChecksPanel(CheckFindings* findings, QWidget* parent = nullptr);

    QAction* toggleViewAction() const { return m_toggle; }
    // The summary and a few lines of findings.
    QSize sizeHint() const override;

signals:
    void findingChosen(const cac::Finding& finding);

private:
    void choose(const QModelIndex& index);
    int listHeight(int lines) const;

    CheckFindings* m_findings;
    QLabel* m_summary;
    QListView* m_list;
    QAction* m_toggle;
};

} // namespace cac::app
