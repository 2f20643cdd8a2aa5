#include "app/grid/InCellEditing.h"

#include "app/grid/CellListEditor.h"
#include "app/grid/GridPresentationModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>

namespace cac::app {

InCellEditing::InCellEditing(QTableView* grid, bool headerIsColumn0, QObject* parent)
    : QObject(parent), m_grid(grid), m_headerIsColumn0(headerIsColumn0) {
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    grid->horizontalHeader()->viewport()->installEventFilter(this);
    if (headerIsColumn0)
        grid->verticalHeader()->viewport()->installEventFilter(this);

    // The editors are children of the viewport and scroll with it; a row or
    // column that changes size moves their cell without scrolling.
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()})
        connect(header, &QHeaderView::sectionResized, this, &InCellEditing::followCell);
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!m_mouseDown && current.isValid())
                    currentCellMoved(cellOf(current));
            });
}

GridCell InCellEditing::cellOf(const QModelIndex& index) const {
    return {index.row() + 1, index.column() + (m_headerIsColumn0 ? 1 : 0)};
}

GridCell InCellEditing::currentCell() const {
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? cellOf(current) : GridCell{};
}

void InCellEditing::showCell(const GridCell& cell) {
    closeEditors();
    m_grid->setCurrentIndex(indexOf(cell));
    m_grid->setFocus(Qt::OtherFocusReason);
}

QModelIndex InCellEditing::indexOf(const GridCell& cell) const {
    return m_grid->model()->index(cell.row - 1, cell.column - (m_headerIsColumn0 ? 1 : 0));
}

void InCellEditing::placeOver(QWidget* editor, const GridCell& cell, bool matchCellHeight) const {
    const QRect rect = m_grid->visualRect(indexOf(cell));
    const int height = matchCellHeight ? rect.height() : editor->sizeHint().height();
    editor->setGeometry(rect.x(), rect.y(), rect.width(), height);
    editor->raise();
    // The editor announces the cell it opens on, as the grid names that cell.
    editor->setAccessibleName(indexOf(cell).data(GridPresentationModel::CellTitleRole).toString());
}

void InCellEditing::watchList(CellListEditor* list) {
    connect(list, &CellListEditor::dismissedByPress, this, [this](const QPoint& globalPos) {
        const GridCell cell = cellAtScreen(globalPos);
        if (cell.isValid())
            closingClick(cell);
    });
}

void InCellEditing::noteFocusLostToPress() {
    m_focusLostToPress = true;
    QTimer::singleShot(0, this, [this] { m_focusLostToPress = false; });
}

GridCell InCellEditing::cellAt(QObject* surface, const QPoint& pos) const {
    if (surface == m_grid->viewport()) {
        const QModelIndex index = m_grid->indexAt(pos);
        return index.isValid() ? cellOf(index) : GridCell{};
    }
    if (surface == m_grid->horizontalHeader()->viewport()) {
        const int section = m_grid->horizontalHeader()->logicalIndexAt(pos);
        return section < 0 ? GridCell{} : GridCell{0, section + (m_headerIsColumn0 ? 1 : 0)};
    }
    const int section = m_grid->verticalHeader()->logicalIndexAt(pos);
    return section < 0 ? GridCell{} : GridCell{section + 1, 0};
}

GridCell InCellEditing::cellAtScreen(const QPoint& globalPos) const {
    QList<QWidget*> surfaces = {m_grid->viewport(), m_grid->horizontalHeader()->viewport()};
    if (m_headerIsColumn0)
        surfaces << m_grid->verticalHeader()->viewport();
    for (QWidget* surface : surfaces) {
        const QPoint pos = surface->mapFromGlobal(globalPos);
        if (surface->isVisible() && surface->rect().contains(pos))
            return cellAt(surface, pos);
    }
    return {};
}

void InCellEditing::onPress(QObject* surface, const QMouseEvent* event) {
    m_mouseDown = true;
    const GridCell cell = cellAt(surface, event->position().toPoint());
    const bool closesOnly = editorOpen() || m_focusLostToPress;
    m_focusLostToPress = false;
    m_pressed = closesOnly ? GridCell{} : cell;
    if (!closesOnly)
        return;
    closeEditors();
    if (cell.isValid())
        closingClick(cell);
}

void InCellEditing::onRelease(QObject* surface, const QMouseEvent* event) {
    m_mouseDown = false;
    const GridCell pressed = m_pressed;
    m_pressed = {};
    if (pressed.isValid() && cellAt(surface, event->position().toPoint()) == pressed)
        openEditor(pressed, QString());
}

bool InCellEditing::onKey(const QKeyEvent* event) {
    const GridCell cell = currentCell();
    if (!cell.isValid() || editorOpen())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool opens =
        (modifiers == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter ||
                                         key == Qt::Key_F2 || key == Qt::Key_Space)) ||
        (modifiers == Qt::AltModifier && key == Qt::Key_Down);
    if (opens) {
        openEditor(cell, QString());
        return true;
    }
    const QString text = event->text();
    const bool typing = !text.isEmpty() && text.front().isPrint() &&
                        !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typing)
        openEditor(cell, text);
    return typing;
}

bool InCellEditing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched != m_grid) // whichever button: every button edits
            onPress(watched, static_cast<QMouseEvent*>(event));
        break;
    case QEvent::MouseButtonRelease:
        if (watched != m_grid)
            onRelease(watched, static_cast<QMouseEvent*>(event));
        break;
    case QEvent::KeyPress:
        if (watched == m_grid)
            return onKey(static_cast<QKeyEvent*>(event));
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace cac::app
