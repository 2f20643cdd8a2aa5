#include "app/grid/PriorityTableEditor.h"

#include "app/grid/CellListEditor.h"
#include "app/window/ObjectNames.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "obd/ObdParameters.h"

#include <QTableView>

namespace cac::app {

PriorityTableEditor::PriorityTableEditor(QTableView* grid, ConfigModel* model, QObject* parent)
    : InCellEditing(grid, false, parent), m_model(model),
      m_list(new CellListEditor(grid->viewport())) {
    m_list->setObjectName(names::PriorityList);
    m_list->setEditable(true); // a drop-down list with an edit field
    m_list->setInsertPolicy(QComboBox::NoInsert);
    watchList(m_list);
    connect(m_list, &QComboBox::activated, this, [this](int entry) {
        m_model->setObdPriority(m_row, m_list->itemText(entry));
        m_list->hide();
    });
}

void PriorityTableEditor::fillList() {
    m_list->clear();
    m_list->addItems(PriorityEntries());
    m_list->setCurrentIndex(-1);
}

bool PriorityTableEditor::editorOpen() const {
    return m_list->isVisible();
}

void PriorityTableEditor::closeEditors() {
    m_list->hidePopup();
}

void PriorityTableEditor::openEditor(const GridCell& cell, const QString& typed) {
    if (cell.row <= 0 || cell.column <= 0)
        return;
    m_row = cell.row;
    placeOver(m_list, cell, false);
    m_list->setCurrentIndex(
        SelectMatchingItem(PriorityEntries(), m_model->obdPriority(m_row), m_list->currentIndex()));
    m_list->show();
    m_list->showPopupWith(typed);
}

void PriorityTableEditor::followCell() {
    if (m_list->isVisible())
        placeOver(m_list, {m_row, 1}, false);
}

} // namespace cac::app
