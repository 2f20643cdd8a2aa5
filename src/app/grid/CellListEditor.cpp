#include "app/grid/CellListEditor.h"

#include "app/grid/CellListPopup.h"
#include "app/window/DisplayCap.h"

#include <QStyleOptionComboBox>

namespace cac::app {

CellListEditor::CellListEditor(QWidget* parent)
    : QComboBox(parent), m_popup(new CellListPopup(this)) {
    // Keys reach the drop-down, never the closed list: a closed QComboBox
    // would take arrow keys as a choice.
    setFocusPolicy(Qt::NoFocus);
    // It takes the cell's width: its size never depends on its entries.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    hide();
    connect(m_popup, &CellListPopup::closed, this, &QWidget::hide);
    connect(m_popup, &CellListPopup::dismissedByPress, this, &CellListEditor::dismissedByPress);
    connect(m_popup, &CellListPopup::picked, this, [this](int entry) {
        setCurrentIndex(entry);
        emit activated(entry);
        emit textActivated(itemText(entry));
    });
}

void CellListEditor::setFilterable(bool filterable) {
    m_popup->setFilterable(filterable);
}

void CellListEditor::showPopup() {
    showPopupWith(QString());
}

void CellListEditor::showPopupWith(const QString& typed) {
    m_popup->open(typed);
}

void CellListEditor::hidePopup() {
    m_popup->hide();
    hide();
}

bool CellListEditor::isPopupShown() const {
    return m_popup->isVisible();
}

void CellListEditor::hideEvent(QHideEvent* event) {
    m_popup->hide(); // an editor hidden by a click elsewhere takes its drop-down along
    QComboBox::hideEvent(event);
}

void CellListEditor::initStyleOption(QStyleOptionComboBox* option) const {
    QComboBox::initStyleOption(option);
    option->currentText = displayCapped(option->currentText);
}

} // namespace cac::app
