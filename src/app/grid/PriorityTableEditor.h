#pragma once

#include "app/grid/InCellEditing.h"

namespace cac {
class ConfigModel;
}

namespace cac::app {

// Editing of the OBD table ObdMsGrid: the priority list SetPriorityCombo over
// the cells of the priority column.
class PriorityTableEditor : public InCellEditing {
    Q_OBJECT
public:
    PriorityTableEditor(QTableView* grid, ConfigModel* model, QObject* parent);

    CellListEditor* list() const { return m_list; }
    // The nine priority entries, none of them selected.
    void fillList();
    void closeEditors() override;

protected:
    bool editorOpen() const override;
    void openEditor(const GridCell& cell, const QString& typed) override;
    void followCell() override;

private:
    ConfigModel* m_model;
    CellListEditor* m_list;
    int m_row = 0; // the OBD row being edited
};

} // namespace cac::app
