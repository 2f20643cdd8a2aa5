#include "app/MainForm.h"

#include "app/AccessibleNames.h"
#include "app/CataloguePath.h"
#include "app/CellListEditor.h"
#include "app/ChannelGridEditor.h"
#include "app/CheckFindings.h"
#include "app/ChecksPanel.h"
#include "app/DbcImportCommand.h"
#include "app/DisplayCap.h"
#include "app/EditHistory.h"
#include "app/FileOpener.h"
#include "app/FrameLayoutView.h"
#include "app/GridCellDelegate.h"
#include "app/GridEditCommands.h"
#include "app/GridPresentationModel.h"
#include "app/GridSizer.h"
#include "app/ObjectNames.h"
#include "app/PriorityTableEditor.h"
#include "app/RecoveryKeeper.h"
#include "app/WindowCommands.h"
#include "app/WindowTexts.h"
#include "app/preview/PreviewPanel.h"
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

// A drop-down list with an edit field: the user may also type any text, which
// is then the list's text; typed text is never added as an entry.
QComboBox* newEditableList(QWidget* parent, const QString& objectName, int minimumCharacters) {
    auto* list = new QComboBox(parent);
    list->setObjectName(objectName);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMinimumContentsLength(minimumCharacters);
    return list;
}

QLabel* newLabel(QWidget* parent, const QString& objectName, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

QStringList channelColumnToolTips() {
    QStringList tips;
    for (int column = 1; column < ChannelGridColumns; ++column)
        tips << texts::channelColumnToolTip(column);
    return tips;
}

} // namespace

MainForm::MainForm(PlatformServices services, QWidget* parent)
    : QMainWindow(parent), m_platform(std::move(services)), m_model(new ConfigModel(this)),
      m_history(new EditHistory(m_model, this)),
      m_findings(new CheckFindings(m_model, m_catalogue, this)) {
    setObjectName(names::MainForm);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buildTopBand());
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(names::Tabs);
    m_tabs->addTab(buildCanTab(), texts::CanTab);
    m_tabs->addTab(buildObdTab(), texts::ObdTab);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);
    // Right under the grid: the findings are read beside the cells they name.
    m_checksPanel = new ChecksPanel(m_findings);
    addPanelBelowGrid(m_checksPanel);
    connect(m_checksPanel, &ChecksPanel::findingChosen, this, &MainForm::showFinding);
    connect(m_frameLayout, &FrameLayoutView::reported, this,
            [this](const QString& text) { statusBar()->showMessage(text); });

    statusBar()->setObjectName(names::StatusBar);
    capStatusMessages(statusBar());
    m_commands = new WindowCommands(this, m_model, m_catalogue, m_findings, m_platform, m_portList,
                                    statusBar());
    m_dbcImport = new DbcImportCommand(this, m_model, m_catalogue, m_platform.dialogs.get(),
                                       statusBar(), m_history);
    m_gridCommands =
        new GridEditCommands(m_grid, m_channelEditor, m_model, m_history, statusBar(), this);
    connect(m_model, &ConfigModel::obdModeChanged, this, &MainForm::showObdMode);
    connect(m_dbcImport, &DbcImportCommand::equationRequested, this,
            &MainForm::showConversionEquation);

    // Files handed to the window: on its command line, or dropped on it.
    m_opener = new FileOpener(this, m_commands, m_dbcImport, statusBar(), m_history);
    connect(m_opener, &FileOpener::aboutToOpen, m_channelEditor, &ChannelGridEditor::closeEditors);
    setAcceptDrops(true);
    // Unsaved channels are kept beside the catalogue, in the data folder.
    const QString catalogue = m_platform.folders->userCataloguePath();
    m_recovery = new RecoveryKeeper(
        this, m_model, catalogue.isEmpty() ? QString() : QFileInfo(catalogue).absolutePath(),
        statusBar(), m_history);
    connect(m_commands, &WindowCommands::configurationSaved, m_recovery,
            &RecoveryKeeper::markSaved);
    connect(m_commands, &WindowCommands::configurationLoaded, m_recovery,
            &RecoveryKeeper::markSaved);
    connect(m_recovery, &RecoveryKeeper::obdModeRequested, this, [this](bool on) {
        m_channelEditor->closeEditors();
        m_obdCheck->setChecked(on);
    });
    // The CAN preview docks below everything, hidden until a log or a bus is chosen.
    m_previewPanel = new PreviewPanel(m_model, m_catalogue, m_platform.dialogs.get(), this);
    addDockWidget(Qt::BottomDockWidgetArea, m_previewPanel);
    m_previewPanel->hide();
    connect(m_previewPanel, &PreviewPanel::reported, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    buildMenus();
    nameControlsForReaders(this);
}

void MainForm::openFile(const QString& path) {
    m_opener->open(path);
}

MainForm::~MainForm() = default;

// The OBD switch and its notes, and the send frame.
QLayout* MainForm::buildTopBand() {
    auto* top = new QHBoxLayout;
    m_obdCheck = new QCheckBox(texts::ObdModeCheck);
    m_obdCheck->setObjectName(names::ObdModeCheck);
    top->addWidget(m_obdCheck, 0, Qt::AlignTop);
    connect(m_obdCheck, &QCheckBox::toggled, this, &MainForm::applyObdMode);

    auto* notes = new QVBoxLayout;
    notes->addWidget(newLabel(nullptr, names::Label1, texts::Label1));
    notes->addWidget(newLabel(nullptr, names::Label3, texts::Label3));
    top->addLayout(notes, 1);

    m_sendFrame = new QGroupBox(texts::SendFrame);
    m_sendFrame->setObjectName(names::SendFrame);
    auto* sendLayout = new QHBoxLayout(m_sendFrame);
    m_portList = newEditableList(m_sendFrame, names::PortList, 12);
    auto* send = new QPushButton(texts::SendButton, m_sendFrame);
    send->setObjectName(names::SendButton);
    send->setToolTip(texts::SendButtonToolTip);
    connect(send, &QPushButton::clicked, this, [this] { m_commands->sendConfiguration(); });
    sendLayout->addWidget(m_portList);
    sendLayout->addWidget(send);
    top->addWidget(m_sendFrame, 0, Qt::AlignTop);
    return top;
}

GridView* MainForm::newGrid(const QString& objectName, GridPresentationModel* view) {
    view->setFixedCellBrush(palette().brush(QPalette::Button));
    auto* grid = new GridView;
    grid->setObjectName(objectName);
    grid->setModel(view);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);   // the grid editors open cells
    grid->setSelectionMode(QAbstractItemView::SingleSelection); // the current cell shows
    grid->setWordWrap(true);
    grid->setCornerButtonEnabled(false);
    grid->setItemDelegate(new GridCellDelegate(grid));
    grid->setTabKeyNavigation(true);
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
    }
    grid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment::fromInt(Qt::AlignCenter | Qt::TextWordWrap)); // long titles wrap
    return grid;
}

QWidget* MainForm::buildCanTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* view = new GridPresentationModel(this);
    view->setSourceModel(m_model);
    view->setColumnToolTips(channelColumnToolTips());
    view->setFindings(m_findings, Place::Channel);
    m_grid = newGrid(names::ChannelGrid, view);
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // The grid and the panel below it share the room the window has; the
    // user moves the bar between them.
    m_gridSplitter = new QSplitter(Qt::Vertical, page);
    m_gridSplitter->setObjectName(names::GridSplitter);
    m_gridSplitter->setChildrenCollapsible(false);
    m_gridSplitter->addWidget(m_grid);
    layout->addWidget(m_gridSplitter, 1);
    // Cells are selected for the Edit menu by Shift or Ctrl and the mouse or
    // keys, whole channels by Shift+Space; a click on a title cell still
    // selects no row or column.
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_channelEditor = new ChannelGridEditor(m_grid, m_model, m_platform.messages.get(), this);
    connect(m_channelEditor, &ChannelGridEditor::equationRequested, this,
            &MainForm::showConversionEquation);

    m_equationLabel = newLabel(page, names::EquationLabel, texts::NoEquation);
    m_equationLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_equationLabel->setFrameShape(QFrame::StyledPanel);
    m_equationLabel->setMargin(4);
    // Two lines always, so that a longer equation does not move the grid.
    m_equationLabel->setMinimumHeight(2 * fontMetrics().lineSpacing() + 10);
    // The frame layout stands beside the equation line: the current
    // channel's bits next to its equation.
    auto* besidePicture = new QHBoxLayout;
    besidePicture->addWidget(m_equationLabel, 1, Qt::AlignTop);
    m_frameLayout = new FrameLayoutView(m_model, m_platform.dialogs.get(), page);
    besidePicture->addWidget(m_frameLayout, 0, Qt::AlignTop);
    layout->addLayout(besidePicture);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { m_frameLayout->showChannel(m_channelEditor->currentCell().row); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(newLabel(page, names::Label2, texts::Label2), 1);
    m_baudRateFrame = new QGroupBox(texts::BaudRateFrame, page);
    m_baudRateFrame->setObjectName(names::BaudRateFrame);
    QSizePolicy keepRoom = m_baudRateFrame->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true); // hiding it in OBD mode moves nothing
    m_baudRateFrame->setSizePolicy(keepRoom);
    m_baudRate = newEditableList(m_baudRateFrame, names::BaudRateList, 10);
    (new QHBoxLayout(m_baudRateFrame))->addWidget(m_baudRate);
    bottom->addWidget(m_baudRateFrame, 0, Qt::AlignBottom);
    layout->addLayout(bottom);

    const auto storeBaudRate = [this](const QString& text) { m_model->setBaudRateText(text); };
    connect(m_baudRate, &QComboBox::editTextChanged, this, storeBaudRate);
    connect(m_baudRate, &QComboBox::currentTextChanged, this, storeBaudRate);
    connect(m_model, &ConfigModel::baudRateTextChanged, this, &MainForm::showBaudRate);
    return page;
}

QWidget* MainForm::buildObdTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* view = new GridPresentationModel(this);
    view->setFirstColumnFixed(true);
    view->setSourceModel(m_model->obdTable());
    view->setColumnToolTips({texts::obdColumnToolTip(0), texts::obdColumnToolTip(1)});
    view->setFindings(m_findings, Place::ObdPriority);
    m_obdGrid = newGrid(names::ObdGrid, view);
    m_obdGrid->verticalHeader()->hide();
    layout->addWidget(m_obdGrid);
    layout->addStretch(1);
    m_priorityEditor = new PriorityTableEditor(m_obdGrid, m_model, this);
    return page;
}

void MainForm::addPanelBelowGrid(QWidget* panel) {
    m_gridSplitter->addWidget(panel);
    // Spare height goes to the grid's rows until they are roomy, then to the panel.
    m_gridSplitter->setStretchFactor(0, 1);
    m_gridSplitter->setStretchFactor(m_gridSplitter->count() - 1, 1);
}

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
void MainForm::fitHeightToContents() {
    layout()->activate(); // the window's least size follows what it holds now
    const QLayout* contents = centralWidget()->layout();
    const int needed = contents->hasHeightForWidth()
                           ? contents->totalHeightForWidth(centralWidget()->width())
                           : contents->totalSizeHint().height();
    const QRect room = screen()->availableGeometry();
    // The title bar and the borders, once the window manager has added them.
    const QSize frame = frameGeometry().size() - size();
    resize(std::min(width(), std::max(minimumWidth(), room.width() - frame.width())),
           std::min(height() - centralWidget()->height() + needed,
                    std::max(minimumHeight(), room.height() - frame.height())));
    // All of it on the screen, the status bar too, where the screen is big
    // enough for the window's least size.
    const QRect outer = frameGeometry();
    const auto pull = [](int spill, int left) { return left >= spill ? -std::max(0, spill) : 0; };
    move(pos() + QPoint(pull(outer.right() - room.right(), outer.left() - room.left()),
                        pull(outer.bottom() - room.bottom(), outer.top() - room.top())));
}

// The grid gets the height its rows want, as far as the panel keeps its
// least; the panel the rest.
void MainForm::shareGridAndPanel() {
    layout()->activate();
    const int room =
        m_gridSplitter->height() - m_gridSplitter->handleWidth() * (m_gridSplitter->count() - 1);
    const int grid = std::max(
        m_grid->minimumHeight(),
        std::min(m_grid->sizeHint().height(), room - m_checksPanel->minimumSizeHint().height()));
    m_gridSplitter->setSizes({grid, room - grid});
}

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
