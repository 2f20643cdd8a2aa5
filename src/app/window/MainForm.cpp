#include "app/window/MainForm.h"

#include "app/checks/CheckFindings.h"
#include "app/checks/ChecksPanel.h"
#include "app/dbcimport/DbcImporter.h"
#include "app/desktop/AccessibleNames.h"
#include "app/desktop/FileOpener.h"
#include "app/desktop/RecoveryKeeper.h"
#include "app/desktop/RestoreBar.h"
#include "app/discover/DiscoverPanel.h"
#include "app/editing/EditHistory.h"
#include "app/editing/GridSelectionEdits.h"
#include "app/framelayout/FrameLayoutView.h"
#include "app/grid/CellListEditor.h"
#include "app/grid/ChannelGridEditor.h"
#include "app/grid/GridCellDelegate.h"
#include "app/grid/GridPresentationModel.h"
#include "app/grid/GridSizer.h"
#include "app/grid/PriorityTableEditor.h"
#include "app/preview/PreviewPanel.h"
#include "app/window/ContentScroller.h"
#include "app/window/DisplayCap.h"
#include "app/window/FileOperations.h"
#include "app/window/FocusChain.h"
#include "app/window/LoadedFolderDialogs.h"
#include "app/window/ObjectNames.h"
#include "app/window/ScreenFit.h"
#include "app/window/WindowTexts.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace cac::app {
namespace {

// Shares of the channel grid's width: the channel numbers, then columns 1 to 12.
const QList<double> ChannelColumnShares = {1, 10, 2, 4, 3, 2, 2, 2, 3, 6, 2, 2, 3.5};
// The OBD table: names two thirds, priorities one third.
const QList<double> ObdColumnShares = {2, 1};

// How much taller than an in-cell list a channel row may grow with spare height.
constexpr double ChannelRowGrowth = 1.5;

constexpr int DefaultWindowWidth = 1180;
constexpr int DefaultWindowHeight = 700;

} // namespace

MainForm::MainForm(PlatformServices services, QWidget* parent)
    : QMainWindow(parent), m_platform(std::move(services)), m_model(new ConfigModel(this)),
      m_history(new EditHistory(m_model, this)),
      m_findings(new CheckFindings(m_model, m_catalogue, this)), m_screenFit(new ScreenFit(this)) {
    setObjectName(names::MainForm);
    // Every dialog notes the file it loads; the newer ones open in its folder.
    auto dialogs = std::make_unique<LoadedFolderDialogs>(std::move(m_platform.dialogs));
    m_loadedFolder = dialogs.get();
    m_platform.dialogs = std::move(dialogs);
    buildCentralWidget();
    buildCommands();
    keepRecovery();
    addLogPanels();
    buildMenus();
    nameControlsForReaders(this);
    SetUpFocusChain(this);
}

// The top band over the CAN and OBD tabs, the checks right under the grid.
void MainForm::buildCentralWidget() {
    auto* scroller = new ContentScroller(this);
    scroller->setObjectName(names::CentralScroller);
    auto* central = new QWidget;
    m_central = central;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buildTopBand());
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(names::Tabs);
    m_tabs->addTab(buildCanTab(), texts::CanTab);
    m_tabs->addTab(buildObdTab(), texts::ObdTab);
    layout->addWidget(m_tabs, 1);
    scroller->setContents(central);
    setCentralWidget(scroller);
    // Right under the grid: the findings are read beside the cells they name.
    m_checksPanel = new ChecksPanel(m_findings);
    addPanelBelowGrid(m_checksPanel);
    connect(m_checksPanel, &ChecksPanel::findingChosen, this, &MainForm::showFinding);
    connect(m_frameLayout, &FrameLayoutView::reported, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
}

// What the menus, the grid and dropped files call: file commands, the
// import, the cell commands and the file opener.
void MainForm::buildCommands() {
    statusBar()->setObjectName(names::StatusBar);
    capStatusMessages(statusBar());
    m_fileOperations = new FileOperations(this, m_model, m_catalogue, m_findings, m_platform,
                                          m_portList, statusBar());
    m_dbcImport = new DbcImporter(this, m_model, m_catalogue, m_platform.dialogs.get(), statusBar(),
                                  m_history);
    m_selectionEdits =
        new GridSelectionEdits(m_grid, m_channelEditor, m_model, m_history, statusBar(), this);
    connect(m_model, &ConfigModel::obdModeChanged, this, &MainForm::showObdMode);
    connect(m_dbcImport, &DbcImporter::equationRequested, this, &MainForm::showConversionEquation);

    // Files handed to the window: on its command line, or dropped on it.
    m_opener = new FileOpener(this, m_fileOperations, m_dbcImport, statusBar(), m_history);
    connect(m_opener, &FileOpener::aboutToOpen, m_channelEditor, &ChannelGridEditor::closeEditors);
    connect(m_opener, &FileOpener::aboutToOpen, this,
            [this](const QString& path) { m_loadedFolder->noteLoaded(path); });
    setAcceptDrops(true);
}

void MainForm::keepRecovery() {
    // Unsaved channels are kept beside the catalogue, in the data folder.
    const QString catalogue = m_platform.folders->userCataloguePath();
    m_recovery = new RecoveryKeeper(
        this, m_model, catalogue.isEmpty() ? QString() : QFileInfo(catalogue).absolutePath(),
        statusBar(), m_history);
    connect(m_fileOperations, &FileOperations::configurationSaved, m_recovery,
            &RecoveryKeeper::markSaved);
    connect(m_fileOperations, &FileOperations::configurationLoaded, m_recovery,
            &RecoveryKeeper::markSaved);
    connect(m_recovery, &RecoveryKeeper::closing, m_channelEditor,
            &ChannelGridEditor::writeOpenTextBox);
    connect(m_recovery, &RecoveryKeeper::obdModeRequested, this, [this](bool on) {
        m_channelEditor->closeEditors();
        m_obdCheck->setChecked(on);
    });
    // Across the top of the window, above everything it holds.
    auto* bar = new RestoreBar(m_central);
    qobject_cast<QBoxLayout*>(m_central->layout())->insertWidget(0, bar);
    connect(m_recovery, &RecoveryKeeper::keptWorkOffered, bar,
            [this, bar](const QDateTime& written) {
                bar->offer(written);
                QTimer::singleShot(0, m_screenFit, &ScreenFit::fit); // the bar's line may need room
            });
    connect(m_recovery, &RecoveryKeeper::keptWorkSettled, bar, &QWidget::hide);
    connect(bar, &RestoreBar::restoreChosen, this, [this] {
        m_channelEditor->closeEditors();
        m_recovery->restore();
    });
    connect(bar, &RestoreBar::discardChosen, m_recovery, &RecoveryKeeper::discard);
}

// The CAN preview and the signal finder, docked below everything.
void MainForm::addLogPanels() {
    // The CAN preview docks below everything, hidden until a log or a bus is chosen.
    m_previewPanel = new PreviewPanel(m_model, m_catalogue, m_loadedFolder->startingThere(),
                                      m_platform.ports.get(), this);
    addDockWidget(Qt::BottomDockWidgetArea, m_previewPanel);
    m_previewPanel->hide();
    connect(m_previewPanel, &PreviewPanel::reported, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_previewPanel, &PreviewPanel::withdrawn, this, [this](const QString& text) {
        if (statusBar()->currentMessage() == text)
            statusBar()->clearMessage();
    });
    // Finding signals in a log docks below everything too, hidden until a log is chosen.
    m_discoverPanel = new DiscoverPanel(
        m_model, m_catalogue, m_history, m_loadedFolder->startingThere(), m_platform.ports.get(),
        [this] { return m_grid->currentIndex().row() + 1; }, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_discoverPanel);
    m_discoverPanel->hide();
    m_screenFit->watch(m_previewPanel);
    m_screenFit->watch(m_discoverPanel, ScreenFit::Room::Share);
    connect(m_discoverPanel, &DiscoverPanel::reported, statusBar(),
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_discoverPanel, &DiscoverPanel::aboutToFill, m_channelEditor,
            &ChannelGridEditor::closeEditors);
    connect(m_discoverPanel, &DiscoverPanel::channelFilled, this,
            &MainForm::showConversionEquation);
}

void MainForm::openFile(const QString& path) {
    m_opener->open(path);
}

MainForm::~MainForm() = default;

// ---------------------------------------------------------------------------
// Start-up

void MainForm::startUp() {
    const QRect screen = this->screen()->availableGeometry();
    resize(std::min(DefaultWindowWidth, screen.width()),
           std::min(DefaultWindowHeight, screen.height()));
    show(); // messages of the following steps appear over the visible window

    // Every row is as tall as an in-cell list, so that a list covers its cell.
    const int rowHeight = m_channelEditor->list(0)->sizeHint().height();
    loadVariableDefinitions();
    m_channelEditor->closeEditors();
    m_channelEditor->fillFixedLists();
    (new GridSizer(m_grid, ChannelColumnShares, rowHeight, ChannelRowGrowth))->apply();

    m_baudRate->clear();
    m_baudRate->addItems(BaudRateEntries());
    m_baudRate->setCurrentIndex(static_cast<int>(BaudRateEntries().indexOf(StartupBaudRate)));

    const int priorityRowHeight = m_priorityEditor->list()->sizeHint().height();
    (new GridSizer(m_obdGrid, ObdColumnShares, priorityRowHeight))->apply();
    m_priorityEditor->fillList();

    QCoreApplication::processEvents(); // paint the filled window before probing
    fitHeightToContents();
    shareGridAndPanel();

    discoverSerialPorts();

    m_obdCheck->setChecked(false);
    applyObdMode();

    // The keyboard starts on the first setting of channel 1.
    m_grid->setCurrentIndex(m_grid->model()->index(0, 0));
    m_obdGrid->setCurrentIndex(m_obdGrid->model()->index(0, 1));
    m_grid->setFocus(Qt::OtherFocusReason);
    m_history->reset(); // undo stops at the start-up state

    m_recovery->startWatching(); // the table as it stands now is nothing unsaved
}

void MainForm::loadVariableDefinitions() {
    const QString path = ChooseCataloguePath(m_platform.folders->userCataloguePath(),
                                             m_platform.folders->applicationFolder());
    CatalogueLoad load = LoadVariableDefinitions(path);
    m_catalogue = std::move(load.catalogue);
    m_model->setVariableList(load.variableList); // "**Do not use**" alone when corrupt
    m_channelEditor->fillVariableList();
    if (load.corrupt)
        m_platform.messages->showMessage(this, CatalogueCorruptMessage);
}

// As tall as its contents at this width (the notes wrap onto more lines on
// a narrow window), when the screen allows.
void MainForm::discoverSerialPorts() {
    m_portList->clear();
    for (int port = 1; port <= 16; ++port) {
        if (m_platform.ports->canOpen(port)) {
            m_portList->addItem(texts::SerialPortEntry.arg(port));
            m_portList->setItemData(m_portList->count() - 1, m_platform.ports->deviceName(port),
                                    Qt::ToolTipRole);
        }
    }
    if (m_portList->count() == 0) {
        m_platform.messages->showMessage(this, texts::NoSerialPortsMessage);
        m_sendFrame->hide();
        return;
    }
    m_portList->setCurrentIndex(0);
}

// ---------------------------------------------------------------------------
// Wiring

void MainForm::applyObdMode() {
    const bool on = m_obdCheck->isChecked();
    m_grid->setUpdatesEnabled(false);
    m_channelEditor->closeEditors(); // a list left open closes without a choice
    m_model->setObdModeEnabled(on);  // the window follows through showObdMode
    m_grid->setUpdatesEnabled(true);
}

// Also when an undo puts the flag back: the check box follows without a click.
void MainForm::showObdMode(bool on) {
    if (m_obdCheck->isChecked() != on) {
        const QSignalBlocker quiet(m_obdCheck);
        m_obdCheck->setChecked(on);
    }
    setWindowTitle(WindowCaption(on));
    m_tabs->setTabEnabled(1, on);
    m_tabs->setTabEnabled(0, true);
    if (!on)
        m_tabs->setCurrentIndex(0);
    m_baudRateFrame->setVisible(!on);
}

void MainForm::showConversionEquation(int row) {
    const QString point = QLocale().decimalPoint();
    // Both ends stay: the variable's name in braces and the equation itself.
    m_equationLabel->setText(
        displayCapped(ConversionEquationText(*m_model, m_catalogue, row,
                                             point.isEmpty() ? QLatin1Char('.') : point.front()),
                      Qt::ElideMiddle));
}

// Goes to what a finding is about: a channel's cell (its first setting for
// the whole channel), an OBD priority, the bit-rate list.
void MainForm::showFinding(const Finding& finding) {
    if (finding.place == Place::Channel) {
        m_tabs->setCurrentIndex(0);
        m_channelEditor->showCell({finding.row, std::max(finding.column, int{ColVariable})});
    } else if (finding.place == Place::ObdPriority && m_tabs->isTabEnabled(1)) {
        m_tabs->setCurrentIndex(1);
        m_priorityEditor->showCell({finding.row, 1});
    } else if (finding.place == Place::BitRate && m_baudRate->isVisible()) {
        m_baudRate->setFocus(Qt::OtherFocusReason);
    }
}

void MainForm::showBaudRate(const QString& text) {
    if (m_baudRate->currentText() == text)
        return;
    const int entry = m_baudRate->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry >= 0) {
        m_baudRate->setCurrentIndex(entry);
        return;
    }
    // What the field shows of a long text must not come back as the text.
    const QSignalBlocker quiet(m_baudRate);
    m_baudRate->setEditText(displayCapped(text));
}

} // namespace cac::app
