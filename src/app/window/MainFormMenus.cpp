// The window's menus: File keeps its four commands; Edit, Tools and View hold
// what the window offers beyond them.
#include "app/checks/ChecksPanel.h"
#include "app/dbcimport/DbcImporter.h"
#include "app/desktop/RecoveryKeeper.h"
#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverPanel.h"
#include "app/discover/DiscoverTexts.h"
#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/editing/GridSelectionEdits.h"
#include "app/framelayout/FrameLayoutView.h"
#include "app/grid/ChannelGridEditor.h"
#include "app/grid/GridSizer.h"
#include "app/grid/PriorityTableEditor.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"
#include "app/window/FileOperations.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>

namespace cac::app {

void MainForm::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildToolsMenu();
    buildViewMenu();
}

void MainForm::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(texts::MenuFile);
    file->setObjectName(names::MenuFile);
    const auto addItem = [this, file](const QString& name, const QString& text,
                                      QKeyCombination keys, void (FileOperations::*command)()) {
        QAction* action = file->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        if (command)
            connect(action, &QAction::triggered, m_fileOperations, command);
        return action;
    };
    // A load is one undo step; an open text box writes its own step first.
    QAction* load = addItem(names::MenuLoad, texts::MenuLoad, Qt::CTRL | Qt::Key_O, nullptr);
    connect(load, &QAction::triggered, this, [this] {
        m_channelEditor->closeEditors();
        const EditHistory::Scope step(m_history, texts::StepLoad);
        m_fileOperations->loadConfiguration();
    });
    addItem(names::MenuSave, texts::MenuSave, Qt::CTRL | Qt::Key_S,
            &FileOperations::saveConfiguration);
    file->addSeparator()->setObjectName(names::MenuBar);
    addItem(names::MenuGenHexFile, texts::MenuGenHexFile, Qt::CTRL | Qt::Key_G,
            &FileOperations::generateHexFile);
    file->addSeparator()->setObjectName(names::MenuBar2);
    QAction* exit = file->addAction(texts::MenuExit, Qt::CTRL | Qt::Key_Q, this,
                                    &QWidget::close); // asks nothing, saves nothing
    exit->setObjectName(names::MenuExit);
}

void MainForm::buildToolsMenu() {
    QMenu* tools = menuBar()->addMenu(texts::MenuTools);
    tools->setObjectName(names::MenuTools);
    QAction* importDbc = tools->addAction(texts::MenuImportDbc, Qt::CTRL | Qt::Key_I, this, [this] {
        m_channelEditor->closeEditors(); // an open text box writes before the import does
        m_dbcImport->run();
    });
    importDbc->setObjectName(names::MenuImportDbc);
    QAction* loadImage = tools->addAction(texts::MenuLoadImage, this, [this] {
        m_channelEditor->closeEditors();
        const EditHistory::Scope step(m_history, texts::StepLoadImage);
        m_fileOperations->loadFromImage();
    });
    loadImage->setObjectName(names::MenuLoadImage);
    QAction* exportDbc = tools->addAction(texts::MenuExportDbc, this, [this] {
        m_channelEditor->closeEditors(); // an open text box writes before the export reads
        m_fileOperations->exportCanDatabase();
    });
    exportDbc->setObjectName(names::MenuExportDbc);
    tools->addSeparator();
    QAction* previewLog = tools->addAction(texts::MenuPreviewLog, this, [this] {
        m_channelEditor->closeEditors(); // an open text box writes before the log is decoded
        m_previewPanel->previewLog();
    });
    previewLog->setObjectName(names::MenuPreviewLog);
    QAction* previewLive = tools->addAction(texts::MenuPreviewLive, this, [this] {
        m_channelEditor->closeEditors();
        m_previewPanel->previewLive();
    });
    previewLive->setObjectName(names::MenuPreviewLive);
    QAction* discover = tools->addAction(texts::MenuDiscover, this, [this] {
        m_channelEditor->closeEditors();
        m_discoverPanel->discoverLog();
    });
    discover->setObjectName(names::MenuDiscover);
    QAction* discoverLive = tools->addAction(texts::MenuDiscoverLive, this, [this] {
        m_channelEditor->closeEditors();
        m_discoverPanel->discoverLive();
    });
    discoverLive->setObjectName(names::MenuDiscoverLive);
    tools->addSeparator();
    tools->addAction(m_recovery->restoreAction());
}

void MainForm::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(texts::MenuView);
    view->setObjectName(names::MenuView);
    for (QAction* toggle : {m_checksPanel->toggleViewAction(), m_frameLayout->toggleViewAction()}) {
        view->addAction(toggle);
        connect(toggle, &QAction::toggled, this, [this] {
            m_tabs->updateGeometry(); // the tab widget does not pass its page's change on
            if (windowState() == Qt::WindowNoState)  // the room comes and goes with the panel
                QTimer::singleShot(0, this, [this] { // once laid out
                    fitHeightToContents();
                    shareGridAndPanel();
                });
        });
    }
    view->addAction(m_previewPanel->toggleViewAction());
    view->addAction(m_discoverPanel->toggleViewAction());
}

// Undo and redo work wherever the focus is (a text field keeps its own);
// the cell commands only while the channel grid has the focus, so that the
// other lists and fields keep their keys.
void MainForm::buildEditMenu() {
    QMenu* edit = menuBar()->addMenu(texts::MenuEdit);
    edit->setObjectName(names::MenuEdit);
    addUndoRedo(edit);
    edit->addSeparator();
    addCellCommands(edit);
}

void MainForm::addUndoRedo(QMenu* edit) {
    QAction* undo = m_history->stack()->createUndoAction(edit, texts::UndoPrefix);
    undo->setObjectName(names::MenuUndo);
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = m_history->stack()->createRedoAction(edit, texts::RedoPrefix);
    redo->setObjectName(names::MenuRedo);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The stack's own actions would undo without closing an open editor first.
    for (QAction* action : {undo, redo}) {
        disconnect(action, &QAction::triggered, m_history->stack(), nullptr);
        edit->addAction(action);
    }
    const auto closeAll = [this] {
        m_channelEditor->closeEditors();
        m_priorityEditor->closeEditors();
    };
    // The equation line shows the current channel as the step left it.
    const auto showCurrentEquation = [this] {
        const int row = m_channelEditor->currentCell().row;
        if (row >= 1)
            showConversionEquation(row);
    };
    connect(undo, &QAction::triggered, this, [this, closeAll, showCurrentEquation] {
        closeAll();
        m_history->undo();
        showCurrentEquation();
    });
    connect(redo, &QAction::triggered, this, [this, closeAll, showCurrentEquation] {
        closeAll();
        m_history->redo();
        showCurrentEquation();
    });
}

void MainForm::addCellCommands(QMenu* edit) {
    const auto addCellItem = [this, edit](const QString& name, const QString& text,
                                          const QList<QKeySequence>& keys,
                                          void (GridSelectionEdits::*command)()) {
        QAction* action = edit->addAction(text);
        action->setObjectName(name);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_grid->addAction(action);
        connect(action, &QAction::triggered, m_selectionEdits, command);
    };
    addCellItem(names::MenuCut, texts::MenuCut, {QKeySequence::Cut}, &GridSelectionEdits::cut);
    addCellItem(names::MenuCopy, texts::MenuCopy, {QKeySequence::Copy}, &GridSelectionEdits::copy);
    addCellItem(names::MenuPaste, texts::MenuPaste, {QKeySequence::Paste},
                &GridSelectionEdits::paste);
    addCellItem(names::MenuClear, texts::MenuClear, {QKeySequence::Delete},
                &GridSelectionEdits::clear);
    edit->addSeparator();
    addCellItem(names::MenuMoveUp, texts::MenuMoveUp, {QKeySequence(Qt::ALT | Qt::Key_Up)},
                &GridSelectionEdits::moveUp);
    addCellItem(names::MenuMoveDown, texts::MenuMoveDown, {QKeySequence(Qt::ALT | Qt::Key_Down)},
                &GridSelectionEdits::moveDown);
    edit->addSeparator();
    addCellItem(names::MenuSelectAll, texts::MenuSelectAll, {QKeySequence::SelectAll},
                &GridSelectionEdits::selectAll);
    addCellItem(names::MenuSelectChannels, texts::MenuSelectChannels,
                {QKeySequence(Qt::SHIFT | Qt::Key_Space)}, &GridSelectionEdits::selectChannels);
}

} // namespace cac::app
