// The window's menus: File keeps its four commands; Tools and View hold what
// the window offers beyond them.
#include "app/ChannelGridEditor.h"
#include "app/ChecksPanel.h"
#include "app/DbcImportCommand.h"
#include "app/FrameLayoutView.h"
#include "app/MainForm.h"
#include "app/ObjectNames.h"
#include "app/WindowCommands.h"
#include "app/WindowTexts.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>

namespace cac::app {

void MainForm::buildMenus() {
    QMenu* file = menuBar()->addMenu(texts::MenuFile);
    file->setObjectName(names::MenuFile);
    const auto addItem = [this, file](const QString& name, const QString& text,
                                      QKeyCombination keys, void (WindowCommands::*command)()) {
        QAction* action = file->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, m_commands, command);
    };
    addItem(names::MenuLoad, texts::MenuLoad, Qt::CTRL | Qt::Key_O,
            &WindowCommands::loadConfiguration);
    addItem(names::MenuSave, texts::MenuSave, Qt::CTRL | Qt::Key_S,
            &WindowCommands::saveConfiguration);
    file->addSeparator()->setObjectName(names::MenuBar);
    addItem(names::MenuGenHexFile, texts::MenuGenHexFile, Qt::CTRL | Qt::Key_G,
            &WindowCommands::generateHexFile);
    file->addSeparator()->setObjectName(names::MenuBar2);
    QAction* exit = file->addAction(texts::MenuExit, Qt::CTRL | Qt::Key_Q, this,
                                    &QWidget::close); // asks nothing, saves nothing
    exit->setObjectName(names::MenuExit);

    QMenu* tools = menuBar()->addMenu(texts::MenuTools);
    tools->setObjectName(names::MenuTools);
    QAction* importDbc = tools->addAction(texts::MenuImportDbc, Qt::CTRL | Qt::Key_I, this, [this] {
        m_channelEditor->closeEditors(); // an open text box writes before the import does
        m_dbcImport->run();
    });
    importDbc->setObjectName(names::MenuImportDbc);
    QAction* loadImage =
        tools->addAction(texts::MenuLoadImage, m_commands, &WindowCommands::loadFromImage);
    loadImage->setObjectName(names::MenuLoadImage);
    QAction* exportDbc = tools->addAction(texts::MenuExportDbc, this, [this] {
        m_channelEditor->closeEditors(); // an open text box writes before the export reads
        m_commands->exportCanDatabase();
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
    if (!PreviewPanel::liveAvailable()) {
        previewLive->setEnabled(false);
        previewLive->setToolTip(texts::PreviewNoSerialBus);
        tools->setToolTipsVisible(true);
    }

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
}

} // namespace cac::app
