#pragma once

#include "app/grid/InCellEditing.h"
#include "channels/ChoiceLists.h"

#include <array>

namespace cac {
class ConfigModel;
}

namespace cac::app {

class CellTextBox;
class MessageBoxes;

// Editing of the channel grid MSFlexGrid1: the seven lists Combo(0) to
// Combo(6) and the text box TextBox over its cells, the edit position
// EditRow/EditCol, and the requests to show a row's conversion equation.
class ChannelGridEditor : public InCellEditing {
    Q_OBJECT
public:
    ChannelGridEditor(QTableView* grid, ConfigModel* model, MessageBoxes* messages,
                      QObject* parent);

    int editRow() const { return m_editRow; }
    int editCol() const { return m_editCol; }
    CellListEditor* list(int k) const { return m_lists[static_cast<std::size_t>(k)]; }
    CellTextBox* textBox() const { return m_textBox; }

    // Combo(0) takes the model's variable list.
    void fillVariableList();
    // Combo(1) to Combo(6) in the order 1, 3, 2, 4, 5, 6.
    void fillFixedLists();
    void closeEditors() override;
    // Writes what the open text box holds, without the identifier warning:
    // on the way out the window asks nothing.
    void writeOpenTextBox();

signals:
    // The equation display should show row `row` (0 is the title row).
    void equationRequested(int row);

protected:
    bool editorOpen() const override;
    void closingClick(const GridCell& cell) override;
    void openEditor(const GridCell& cell, const QString& typed) override;
    void currentCellMoved(const GridCell& cell) override;
    void followCell() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitList(int k, int entry);
    void commitTextBox(bool warnAboutHex = true);
    void cancelTextBox();
    void hideTextBox();

    ConfigModel* m_model;
    MessageBoxes* m_messages;
    std::array<CellListEditor*, ChoiceListCount> m_lists{};
    CellTextBox* m_textBox = nullptr;
    int m_editRow = 0;
    int m_editCol = 0;
    bool m_textBoxOpen = false; // shown and not yet written back
};

} // namespace cac::app
