#include "app/checks/ChecksPanel.h"

#include "app/checks/CheckFindings.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

namespace cac::app {
namespace {

// Lines the list shows at first, and as few as it shows on a screen too
// short for more; the bar above it gives it more or less.
constexpr int ShownLines = 4;
constexpr int FewestLines = 2;

} // namespace

ChecksPanel::ChecksPanel(CheckFindings* findings, QWidget* parent)
    : QWidget(parent), m_findings(findings), m_summary(new QLabel(this)),
      m_list(new QListView(this)), m_toggle(new QAction(texts::MenuChecks, this)) {
    setObjectName(names::ChecksPanel);
    m_toggle->setObjectName(names::MenuChecks);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(true);
    connect(m_toggle, &QAction::toggled, this, &QWidget::setVisible);
    m_summary->setObjectName(names::ChecksSummary);
    m_list->setObjectName(names::ChecksList);
    m_list->setModel(findings);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setTextElideMode(Qt::ElideMiddle); // where and what both stay; the tip has it all
    m_list->setUniformItemSizes(true);
    m_list->setMinimumHeight(listHeight(FewestLines));
    // A click; Enter, and whatever else the style counts as activating.
    connect(m_list, &QListView::clicked, this, &ChecksPanel::choose);
    connect(m_list, &QListView::activated, this, &ChecksPanel::choose);
    const auto showSummary = [this] {
        m_summary->setText(texts::checksSummary(m_findings->findings()));
    };
    connect(findings, &CheckFindings::refreshed, this, showSummary);
    showSummary();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_summary);
    layout->addWidget(m_list);
}

int ChecksPanel::listHeight(int lines) const {
    return lines * (fontMetrics().height() + 4) + 2 * m_list->frameWidth();
}

QSize ChecksPanel::sizeHint() const {
    const int spacing = layout() ? layout()->spacing() : 0;
    return {QWidget::sizeHint().width(),
            m_summary->sizeHint().height() + spacing + listHeight(ShownLines)};
}

void ChecksPanel::choose(const QModelIndex& index) {
    if (index.isValid())
        emit findingChosen(m_findings->findings().at(index.row()));
}

} // namespace cac::app
