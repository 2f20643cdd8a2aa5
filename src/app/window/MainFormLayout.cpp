// The window's layout: the top band, the two tabs with their grids, the
// panels under the channel grid, and the window's height fitted to them.
#include "app/window/MainForm.h"

#include "app/checks/CheckFindings.h"
#include "app/checks/ChecksPanel.h"
#include "app/dbcimport/DbcImporter.h"
#include "app/desktop/AccessibleNames.h"
#include "app/desktop/FileOpener.h"
#include "app/desktop/RecoveryKeeper.h"
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
#include "app/window/DisplayCap.h"
#include "app/window/FileOperations.h"
#include "app/window/LoadedFolderDialogs.h"
#include "app/window/ObjectNames.h"
#include "app/window/ScreenFit.h"
#include "app/window/WindowTexts.h"
#include "app/window/WrappedLabel.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "obd/ObdParameters.h"

#include <QAction>
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
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

namespace cac::app {
namespace {

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
    auto* label = new WrappedLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

// The frame picture whole where the window has the room, scrolled where it
// has not: then no taller than the equation line beside it.
QScrollArea* newPictureRoom(FrameLayoutView* picture, int leastHeight) {
    auto* room = new QScrollArea;
    room->setObjectName(names::FrameLayoutRoom);
    room->setFrameShape(QFrame::NoFrame);
    room->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    room->setWidget(picture);
    const QSize whole = picture->sizeHint();
    room->setFixedWidth(whole.width() + room->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    room->setMinimumHeight(leastHeight);
    room->setMaximumHeight(whole.height());
    room->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    room->setVisible(picture->toggleViewAction()->isChecked());
    QObject::connect(picture->toggleViewAction(), &QAction::toggled, room, &QWidget::setVisible);
    return room;
}

QStringList channelColumnToolTips() {
    QStringList tips;
    for (int column = 1; column < ChannelGridColumns; ++column)
        tips << texts::channelColumnToolTip(column);
    return tips;
}

} // namespace

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
    connect(send, &QPushButton::clicked, this, [this] { m_fileOperations->sendConfiguration(); });
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
    m_frameLayout = new FrameLayoutView(m_model, m_loadedFolder->startingThere());
    besidePicture->addWidget(newPictureRoom(m_frameLayout, m_equationLabel->minimumHeight()));
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

void MainForm::fitHeightToContents() {
    // The window's least size follows what it holds now. The pending layout
    // requests first: the wrapped notes know their height once laid out at
    // their width, and the tab widget does not pass its page's changes on.
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        m_tabs->updateGeometry();
        layout()->activate();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QLayout* contents = m_central->layout();
    const int needed = contents->hasHeightForWidth()
                           ? contents->totalHeightForWidth(m_central->width())
                           : contents->totalSizeHint().height();
    const QRect room = screen()->availableGeometry();
    resize(std::min(width(), room.width()),
           std::min(height() - centralWidget()->height() + needed, room.height()));
    m_screenFit->fit(); // the title bar and the borders taken off, when known
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

} // namespace cac::app
