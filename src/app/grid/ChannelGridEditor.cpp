#include "app/grid/ChannelGridEditor.h"

#include "app/grid/CellListEditor.h"
#include "app/grid/CellTextBox.h"
#include "app/platform/PlatformServices.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTableView>

#include <algorithm>

namespace cac::app {
namespace {

bool looksLikeUnprefixedHex(const QString& text) {
    const QString upper = text.toUpper();
    if (upper.contains(QStringLiteral("0X")))
        return false;
    return std::any_of(upper.cbegin(), upper.cend(),
                       [](QChar ch) { return ch >= QLatin1Char('A') && ch <= QLatin1Char('F'); });
}

} // namespace

ChannelGridEditor::ChannelGridEditor(QTableView* grid, ConfigModel* model, MessageBoxes* messages,
                                     QObject* parent)
    : InCellEditing(grid, true, parent), m_model(model), m_messages(messages) {
    for (int k = 0; k < ChoiceListCount; ++k) {
        auto* list = new CellListEditor(grid->viewport());
        list->setObjectName(names::combo(k));
        connect(list, &QComboBox::activated, this, [this, k](int entry) { commitList(k, entry); });
        watchList(list);
        m_lists[static_cast<std::size_t>(k)] = list;
    }
    m_lists[0]->setFilterable(true); // the variable list can hold thousands of entries
    // Made here, not in the initialiser list: its creation is already an
    // event this object filters.
    m_textBox = new CellTextBox(grid->viewport());
    m_textBox->setObjectName(names::TextBox);
    m_textBox->hide();
    m_textBox->installEventFilter(this);
}

void ChannelGridEditor::fillVariableList() {
    m_lists[0]->clear();
    m_lists[0]->addItems(m_model->choiceList(0));
}

void ChannelGridEditor::fillFixedLists() {
    for (int k : {1, 3, 2, 4, 5, 6}) {
        list(k)->clear();
        list(k)->addItems(m_model->choiceList(k));
        for (int entry = 0; entry < list(k)->count(); ++entry) {
            const QString tip = ByteOrderExplanation(list(k)->itemText(entry));
            if (!tip.isEmpty())
                list(k)->setItemData(entry, tip, Qt::ToolTipRole);
        }
    }
}

bool ChannelGridEditor::editorOpen() const {
    return m_textBoxOpen || std::any_of(m_lists.cbegin(), m_lists.cend(),
                                        [](auto* list) { return list->isVisible(); });
}

void ChannelGridEditor::closeEditors() {
    commitTextBox();
    for (CellListEditor* list : m_lists)
        list->hidePopup();
}

void ChannelGridEditor::writeOpenTextBox() {
    commitTextBox(false);
}

void ChannelGridEditor::closingClick(const GridCell& cell) {
    emit equationRequested(cell.row); // the grid's click notification
}

void ChannelGridEditor::currentCellMoved(const GridCell& cell) {
    emit equationRequested(cell.row); // moving by keyboard shows the row as a click does
}

void ChannelGridEditor::openEditor(const GridCell& cell, const QString& typed) {
    m_editRow = cell.row;
    m_editCol = cell.column;
    emit equationRequested(m_editRow);
    if (m_editRow < 1 || (m_editRow >= ChannelCount && m_model->obdModeEnabled()))
        return;
    if (m_editCol < 1 || m_editCol > ChannelGridColumns - 1)
        return;

    const QString cellText = m_model->cell(m_editRow, m_editCol);
    const int k = ComboForColumn(m_editCol);
    if (k >= 0) {
        CellListEditor* editor = list(k);
        placeOver(editor, cell, false);
        editor->setCurrentIndex(
            SelectMatchingItem(m_model->choiceList(k), cellText, editor->currentIndex()));
        editor->show();
        editor->showPopupWith(typed);
        return;
    }
    placeOver(m_textBox, cell, true);
    m_textBox->setCellText(typed.isEmpty() ? cellText : typed);
    if (typed.isEmpty())
        m_textBox->selectAll(); // as in a spreadsheet: typing replaces, an arrow key keeps
    m_textBox->show();
    m_textBoxOpen = true;
    m_textBox->setFocus(Qt::OtherFocusReason);
}

void ChannelGridEditor::followCell() {
    const GridCell cell{m_editRow, m_editCol};
    if (m_textBoxOpen)
        placeOver(m_textBox, cell, true);
    for (CellListEditor* editor : m_lists) {
        if (editor->isVisible())
            placeOver(editor, cell, false);
    }
}

void ChannelGridEditor::commitList(int k, int entry) {
    m_model->setCell(m_editRow, m_editCol, list(k)->itemText(entry));
    list(k)->hide();
    m_model->FillRowDefaults(m_editRow);
    emit equationRequested(m_editRow);
}

void ChannelGridEditor::commitTextBox(bool warnAboutHex) {
    if (!m_textBoxOpen)
        return;
    m_textBoxOpen = false;
    const QString text = m_textBox->cellText();
    m_model->setCell(m_editRow, m_editCol, text);
    hideTextBox();
    if (warnAboutHex && m_editCol == ColCanId && looksLikeUnprefixedHex(text))
        m_messages->showMessage(grid()->window(), texts::HexWarning);
    // The equation keeps showing the state of the click that opened the box.
}

void ChannelGridEditor::cancelTextBox() {
    m_textBoxOpen = false;
    grid()->setFocus(Qt::OtherFocusReason);
    hideTextBox();
}

// A focus widget that is hidden hands the focus on as Tab does, and the grid
// takes that Tab as a move to the next cell: the grid takes the focus first.
void ChannelGridEditor::hideTextBox() {
    if (m_textBox->hasFocus())
        grid()->setFocus(Qt::OtherFocusReason);
    m_textBox->hide();
}

bool ChannelGridEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_textBox)
        return InCellEditing::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another application, or a context menu, ends no edit.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        if (reason == Qt::MouseFocusReason && m_textBoxOpen)
            noteFocusLostToPress();
        commitTextBox();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Taken here: a line edit passes Enter on to the grid, which
            // would open the cell again.
            grid()->setFocus(Qt::OtherFocusReason);
            commitTextBox(); // without an active window no focus change is delivered
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancelTextBox();
            return true;
        }
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            // Ctrl+Tab leaves the grid: the key goes on to the grid, which says where.
            if (static_cast<QKeyEvent*>(event)->modifiers() & Qt::ControlModifier)
                return false;
            // Write the text and move on to the neighbouring cell, as the
            // grid itself does with these keys.
            grid()->setFocus(Qt::TabFocusReason);
            commitTextBox();
            QKeyEvent move(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(grid(), &move);
            return true;
        }
    }
    return false;
}

} // namespace cac::app
