#include "app/MainForm.h"

#include "app/CataloguePath.h"
#include "app/CellListEditor.h"
#include "app/GridPresentationModel.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/ConversionEquation.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/FlasherCommand.h"
#include "output/IntelHex.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace cac::app {
namespace {

const QString CcfFilter = QStringLiteral("CAN config files(*.ccf )|*.ccf|Show All Files (*.*)|*.*");

const QString Label1Text = QStringLiteral(
    "Enabling the OBD mode requires allocation of channel 15 of the CAN adapter, so this will "
    "not be able for general use. Also in OBD mode the CAN baud rate cannot be user set as this "
    "is requested automatically measured from the vehicle.");
const QString Label3Text =
    QStringLiteral("IMPORTANT: If OBD is enabled, and OBD is not available then the CAN adapter "
                   "will not be able to establish communications.");
const QString SalesContact = QStringLiteral("support@can-adapter-config.example");
const QString Label2Text = QStringLiteral(
    "IMPORTANT: Configuring the CAN to serial adapter requires the CAN protocol information to "
    "be available and some knowledge of the CAN system. Vorlane are happy to assist in doing "
    "this if required, but in most cases this support will be chargeable. For more information "
    "about this service, please contact ");

const QString NoSerialPortsMessage = QStringLiteral("Cannot open any serial ports!");

// Width of channel grid columns 1 to 12 in multiples of column 0.
constexpr std::array<double, 12> ColumnUnits = {10, 2, 4, 3, 2, 2, 2, 3, 6, 2, 2, 3.5};

// The channel and OBD grids show no focus rectangle.
class NoFocusRectDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

// Shared settings of the two grids: fixed title row, no in-place editing, no
// selection, word wrap.
void SetUpGridView(QTableView* grid) {
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setWordWrap(true);
    grid->setCornerButtonEnabled(false);
    grid->setItemDelegate(new NoFocusRectDelegate(grid));
    grid->setTabKeyNavigation(false);
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
    }
    grid->horizontalHeader()->setDefaultAlignment(
        Qt::Alignment::fromInt(Qt::AlignCenter | Qt::TextWordWrap)); // long titles wrap
}

bool LooksLikeUnprefixedHex(const QString& text) {
    const QString upper = text.toUpper();
    if (upper.contains(QStringLiteral("0X")))
        return false;
    return std::any_of(upper.cbegin(), upper.cend(),
                       [](QChar ch) { return ch >= QLatin1Char('A') && ch <= QLatin1Char('F'); });
}

// A drop-down list with an edit field: the user may also type any text, which
// is then the list's text; typed text is never added as an entry.
QComboBox* NewEditableList(QWidget* parent, const QString& objectName, int minimumCharacters) {
    auto* list = new QComboBox(parent);
    list->setObjectName(objectName);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMinimumContentsLength(minimumCharacters);
    return list;
}

} // namespace

MainForm::MainForm(PlatformServices services, QWidget* parent)
    : QMainWindow(parent), m_platform(std::move(services)), m_model(new ConfigModel(this)) {
    setObjectName(QStringLiteral("Main_form"));
    buildMenu();
    buildWidgets();
    // Wide enough for the twelve columns at this width's unit (see
    // applyChannelColumnWidths), tall enough for all fifteen channels.
    resize(43 * 27 + 21, 680);
}

MainForm::~MainForm() = default;

QString MainForm::HexWarningText() {
    return QStringLiteral("Note that you appeared to have a hex format address but\r\n"
                          "without a 0x prefix. This is interperated as decimal.");
}

void MainForm::buildMenu() {
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuFile->setTitle(QStringLiteral("File"));

    m_mnuLoad = m_mnuFile->addAction(QStringLiteral("Load configuration file"));
    m_mnuLoad->setObjectName(QStringLiteral("mnuLoad"));
    m_mnuSave = m_mnuFile->addAction(QStringLiteral("Save configuration file"));
    m_mnuSave->setObjectName(QStringLiteral("mnuSave"));
    m_mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuBar"));
    m_mnuGenHexFile = m_mnuFile->addAction(QStringLiteral("Generate hex file (for debug only)"));
    m_mnuGenHexFile->setObjectName(QStringLiteral("mnuGenHexFile"));
    m_mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuBar2"));
    m_mnuExit = m_mnuFile->addAction(QStringLiteral("Exit"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));

    connect(m_mnuLoad, &QAction::triggered, this, &MainForm::mnuLoad_Click);
    connect(m_mnuSave, &QAction::triggered, this, &MainForm::mnuSave_Click);
    connect(m_mnuGenHexFile, &QAction::triggered, this, &MainForm::mnuGenHexFile_Click);
    connect(m_mnuExit, &QAction::triggered, this, &MainForm::mnuExit_Click);
}

void MainForm::buildWidgets() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);

    // Top band: the OBD switch and its notes, and the send frame.
    auto* top = new QHBoxLayout;
    m_obdCheck = new QCheckBox(QStringLiteral("Enable OBD mode"), central);
    m_obdCheck->setObjectName(QStringLiteral("EnableObdModeCheck"));
    top->addWidget(m_obdCheck, 0, Qt::AlignTop);

    auto* notes = new QVBoxLayout;
    m_label1 = new QLabel(Label1Text, central);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label3 = new QLabel(Label3Text, central);
    m_label3->setObjectName(QStringLiteral("Label3"));
    for (QLabel* note : {m_label1, m_label3}) {
        note->setWordWrap(true);
        notes->addWidget(note);
    }
    top->addLayout(notes, 1);

    m_frame2 = new QGroupBox(QStringLiteral("Send configuration"), central);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    auto* sendLayout = new QHBoxLayout(m_frame2);
    m_selectPort = NewEditableList(m_frame2, QStringLiteral("SelectPort"), 12);
    m_cmdSend = new QPushButton(QStringLiteral("Send now!"), m_frame2);
    m_cmdSend->setObjectName(QStringLiteral("cmdSend"));
    m_cmdSend->setToolTip(QStringLiteral("Send the data to the CAN module now"));
    sendLayout->addWidget(m_selectPort);
    sendLayout->addWidget(m_cmdSend);
    top->addWidget(m_frame2, 0, Qt::AlignTop);
    layout->addLayout(top);

    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->addTab(buildCanTab(), QStringLiteral("CAN"));
    m_tabs->addTab(buildObdTab(), QStringLiteral("OBD"));
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);

    connect(m_obdCheck, &QCheckBox::toggled, this, [this] { EnableObdModeCheck_Click(); });
    connect(m_cmdSend, &QPushButton::clicked, this, &MainForm::cmdSend_Click);
}

QWidget* MainForm::buildCanTab() {
    m_canPage = new QWidget;
    auto* layout = new QVBoxLayout(m_canPage);
    layout->setContentsMargins(4, 4, 4, 4);

    m_channelView = new GridPresentationModel(this);
    m_channelView->setSourceModel(m_model);
    m_grid = new QTableView(m_canPage);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setModel(m_channelView);
    SetUpGridView(m_grid);
    m_channelView->setFixedCellBrush(m_grid->palette().brush(QPalette::Button));
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    layout->addWidget(m_grid, 1);

    for (int k = 0; k < ChoiceListCount; ++k) {
        auto* combo = new CellListEditor(m_canPage);
        combo->setObjectName(QStringLiteral("Combo(%1)").arg(k));
        combo->hide();
        connect(combo, &QComboBox::activated, this,
                [this, k](int entry) { Combo_Click(k, entry); });
        m_combos[static_cast<std::size_t>(k)] = combo;
    }
    m_textBox = new QLineEdit(m_canPage);
    m_textBox->setObjectName(QStringLiteral("TextBox"));
    m_textBox->hide();
    m_textBox->installEventFilter(this);
    connect(m_textBox, &QLineEdit::returnPressed, this, &MainForm::TextBox_KeyPress_Enter);

    m_equationLabel = new QLabel(QStringLiteral("n/a"), m_canPage);
    m_equationLabel->setObjectName(QStringLiteral("EquationLabel"));
    m_equationLabel->setWordWrap(true);
    m_equationLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_equationLabel->setFrameShape(QFrame::StyledPanel);
    m_equationLabel->setMargin(4);
    layout->addWidget(m_equationLabel);

    auto* bottom = new QHBoxLayout;
    m_label2 = new QLabel(Label2Text + SalesContact + QStringLiteral(" ."), m_canPage);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setWordWrap(true);
    bottom->addWidget(m_label2, 1);

    m_fraCanBaud = new QGroupBox(QStringLiteral("Can Baud Rate"), m_canPage);
    m_fraCanBaud->setObjectName(QStringLiteral("FraCanBaud"));
    auto* baudLayout = new QHBoxLayout(m_fraCanBaud);
    m_baudRate = NewEditableList(m_fraCanBaud, QStringLiteral("ComCanBaudRate"), 10);
    baudLayout->addWidget(m_baudRate);
    bottom->addWidget(m_fraCanBaud, 0, Qt::AlignBottom);
    layout->addLayout(bottom);

    connect(m_baudRate, &QComboBox::editTextChanged, this, &MainForm::ComCanBaudRate_Change);
    connect(m_baudRate, &QComboBox::currentTextChanged, this, &MainForm::ComCanBaudRate_Change);
    connect(m_model, &ConfigModel::baudRateTextChanged, this, [this](const QString& text) {
        if (m_baudRate->currentText() == text)
            return;
        const int entry = m_baudRate->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (entry >= 0)
            m_baudRate->setCurrentIndex(entry);
        else
            m_baudRate->setEditText(text);
    });

    // Presses on the cells and on the fixed title row and number column.
    for (QWidget* surface : {m_grid->viewport(), m_grid->horizontalHeader()->viewport(),
                             m_grid->verticalHeader()->viewport()})
        surface->installEventFilter(this);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!m_applyingWidths)
            m_userSizedColumns = true;
    });
    return m_canPage;
}

QWidget* MainForm::buildObdTab() {
    m_obdPage = new QWidget;
    auto* layout = new QVBoxLayout(m_obdPage);
    layout->setContentsMargins(4, 4, 4, 4);

    m_obdView = new GridPresentationModel(this);
    m_obdView->setFirstColumnFixed(true);
    m_obdView->setSourceModel(m_model->obdTable());
    m_obdGrid = new QTableView(m_obdPage);
    m_obdGrid->setObjectName(QStringLiteral("ObdMsGrid"));
    m_obdGrid->setModel(m_obdView);
    SetUpGridView(m_obdGrid);
    m_obdView->setFixedCellBrush(m_obdGrid->palette().brush(QPalette::Button));
    m_obdGrid->verticalHeader()->hide();
    m_obdGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(m_obdGrid, 1);

    m_priorityCombo = new CellListEditor(m_obdPage);
    m_priorityCombo->setObjectName(QStringLiteral("SetPriorityCombo"));
    m_priorityCombo->setEditable(true);
    m_priorityCombo->setInsertPolicy(QComboBox::NoInsert);
    m_priorityCombo->hide();
    connect(m_priorityCombo, &QComboBox::activated, this, &MainForm::SetPriorityCombo_Click);

    m_obdGrid->viewport()->installEventFilter(this); // presses, and resizes keep the 2:1 split
    m_obdGrid->horizontalHeader()->viewport()->installEventFilter(this);
    return m_obdPage;
}

// ---------------------------------------------------------------------------
// Start-up

void MainForm::Form_Load() {
    show(); // messages of the following steps appear over the visible window

    // Channel grid, first settings: resizable columns, rows as tall as a list.
    const int rowHeight = m_combos[0]->sizeHint().height();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);

    LoadVariableDefinitions();

    const int cellWidth = m_grid->columnWidth(0);
    for (QComboBox* combo : m_combos) {
        combo->hide();
        combo->raise();
        combo->resize(cellWidth, combo->sizeHint().height());
    }
    m_textBox->hide();

    FillFixedChoiceLists();
    LayOutChannelGrid();
    FillBaudRateList();
    LayOutObdTable();

    QCoreApplication::processEvents(); // paint the filled window before probing

    DiscoverSerialPorts();

    m_obdCheck->setChecked(false);
    EnableObdModeCheck_Click();
}

void MainForm::LoadVariableDefinitions() {
    const QString path = ChooseCataloguePath(m_platform.folders->userCataloguePath(),
                                             m_platform.folders->applicationFolder());
    CatalogueLoad load = cac::LoadVariableDefinitions(path);
    m_catalogue = std::move(load.catalogue);
    m_model->setVariableList(load.variableList); // "**Do not use**" alone when corrupt

    QComboBox* variables = m_combos[0];
    variables->clear();
    variables->addItems(m_model->choiceList(0));
    if (load.corrupt)
        m_platform.messages->showMessage(this, CatalogueCorruptMessage);
}

void MainForm::FillFixedChoiceLists() {
    for (int k : {1, 3, 2, 4, 5, 6}) {
        QComboBox* combo = m_combos[static_cast<std::size_t>(k)];
        combo->clear();
        combo->addItems(m_model->choiceList(k));
    }
}

void MainForm::LayOutChannelGrid() {
    const int rowHeight = m_grid->verticalHeader()->defaultSectionSize();
    m_grid->horizontalHeader()->setFixedHeight(2 * rowHeight);
    applyChannelColumnWidths();
}

void MainForm::applyChannelColumnWidths() {
    const int unit = static_cast<int>(std::lround(width() / 43.0));
    m_applyingWidths = true;
    m_grid->verticalHeader()->setFixedWidth(unit);
    for (int c = 1; c < ChannelGridColumns; ++c) {
        const double units = ColumnUnits[static_cast<std::size_t>(c - 1)];
        m_grid->setColumnWidth(c - 1, static_cast<int>(std::lround(units * unit)));
    }
    m_applyingWidths = false;
}

void MainForm::FillBaudRateList() {
    m_baudRate->clear();
    m_baudRate->addItems(BaudRateEntries());
    m_baudRate->setCurrentIndex(static_cast<int>(BaudRateEntries().indexOf(StartupBaudRate)));
}

void MainForm::LayOutObdTable() {
    const int rowHeight = m_priorityCombo->sizeHint().height();
    m_obdGrid->verticalHeader()->setMinimumSectionSize(rowHeight);
    m_obdGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_obdGrid->horizontalHeader()->setFixedHeight(2 * rowHeight);
    applyObdColumnWidths();

    m_priorityCombo->clear();
    m_priorityCombo->addItems(PriorityEntries());
    m_priorityCombo->setCurrentIndex(-1);
}

void MainForm::applyObdColumnWidths() {
    const int total = m_obdGrid->viewport()->width();
    m_obdGrid->setColumnWidth(0, total * 2 / 3);
    m_obdGrid->setColumnWidth(1, total - total * 2 / 3);
}

void MainForm::DiscoverSerialPorts() {
    m_selectPort->clear();
    for (int port = 1; port <= 16; ++port) {
        if (m_platform.ports->canOpen(port)) {
            m_selectPort->addItem(QStringLiteral("Serial Port %1").arg(port));
            m_selectPort->setItemData(m_selectPort->count() - 1, m_platform.ports->deviceName(port),
                                      Qt::ToolTipRole);
        }
    }
    if (m_selectPort->count() == 0) {
        m_platform.messages->showMessage(this, NoSerialPortsMessage);
        m_frame2->hide();
        return;
    }
    m_selectPort->setCurrentIndex(0);
}

// ---------------------------------------------------------------------------
// Geometry

void MainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The width unit follows the window until the user sizes a column himself.
    if (!m_userSizedColumns)
        applyChannelColumnWidths();
}

void MainForm::placeOver(QWidget* editor, QTableView* grid, const QModelIndex& index,
                         bool matchCellHeight) const {
    const QRect cell = grid->visualRect(index);
    const QPoint topLeft = grid->viewport()->mapTo(editor->parentWidget(), cell.topLeft());
    const int height = matchCellHeight ? cell.height() : editor->sizeHint().height();
    editor->setGeometry(QRect(topLeft, QSize(cell.width(), height)));
    editor->raise();
}

std::optional<MainForm::GridCell> MainForm::channelCellAt(QObject* surface,
                                                          const QPoint& pos) const {
    if (surface == m_grid->viewport()) {
        const QModelIndex index = m_grid->indexAt(pos);
        if (!index.isValid())
            return std::nullopt;
        return GridCell{index.row() + 1, index.column() + 1};
    }
    if (surface == m_grid->horizontalHeader()->viewport()) {
        const int section = m_grid->horizontalHeader()->logicalIndexAt(pos);
        if (section < 0)
            return std::nullopt;
        return GridCell{0, section + 1};
    }
    if (surface == m_grid->verticalHeader()->viewport()) {
        const int section = m_grid->verticalHeader()->logicalIndexAt(pos);
        if (section < 0)
            return std::nullopt;
        return GridCell{section + 1, 0};
    }
    return std::nullopt;
}

std::optional<MainForm::GridCell> MainForm::obdCellAt(QObject* surface, const QPoint& pos) const {
    if (surface == m_obdGrid->viewport()) {
        const QModelIndex index = m_obdGrid->indexAt(pos);
        if (!index.isValid())
            return std::nullopt;
        return GridCell{index.row() + 1, index.column()};
    }
    const int section = m_obdGrid->horizontalHeader()->logicalIndexAt(pos);
    if (section < 0)
        return std::nullopt;
    return GridCell{0, section};
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: { // the second press of a double click is no new press
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (watched == m_obdGrid->viewport() ||
            watched == m_obdGrid->horizontalHeader()->viewport())
            OpenPriorityEditor(obdCellAt(watched, pos));
        else if (watched == m_grid->viewport() ||
                 watched == m_grid->horizontalHeader()->viewport() ||
                 watched == m_grid->verticalHeader()->viewport())
            OpenCellEditor(channelCellAt(watched, pos));
        break;
    }
    case QEvent::FocusOut:
        // Switching to another application is not the end of an edit.
        if (watched == m_textBox &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
            TextBox_LostFocus();
        break;
    case QEvent::Resize:
        if (watched == m_obdGrid->viewport())
            applyObdColumnWidths();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Channel grid editing

bool MainForm::anyCellEditorShown() const {
    return m_textBox->isVisible() ||
           std::any_of(m_combos.cbegin(), m_combos.cend(),
                       [](const QComboBox* combo) { return combo->isVisible(); });
}

void MainForm::OpenCellEditor(const std::optional<GridCell>& cell) {
    const bool editorWasShown = anyCellEditorShown() || m_textBoxOpen;
    if (m_textBoxOpen)
        TextBox_LostFocus(); // the press took the focus away: write the text back
    for (QComboBox* combo : m_combos)
        combo->hide();
    m_textBox->hide();

    if (editorWasShown) {
        // A press on an open editor only closes it; the click still shows the
        // equation of the row under the pointer.
        if (cell)
            ShowConversionEquation(cell->row);
        return;
    }
    if (!cell)
        return;

    m_editRow = cell->row;
    m_editCol = cell->column;
    ShowConversionEquation(m_editRow);

    if (m_editRow < 1)
        return;
    if (m_editRow >= ChannelCount && m_model->obdModeEnabled())
        return;
    if (m_editCol < 1 || m_editCol > ChannelGridColumns - 1)
        return;

    const QModelIndex index = m_channelView->index(m_editRow - 1, m_editCol - 1);
    const QString cellText = m_model->cell(m_editRow, m_editCol);
    const int k = ComboForColumn(m_editCol);
    if (k >= 0) {
        QComboBox* combo = m_combos[static_cast<std::size_t>(k)];
        placeOver(combo, m_grid, index, false);
        combo->setCurrentIndex(
            SelectMatchingItem(m_model->choiceList(k), cellText, combo->currentIndex()));
        combo->show();
        combo->showPopup();
        return;
    }
    placeOver(m_textBox, m_grid, index, true);
    m_textBox->setText(cellText);
    m_textBox->show();
    m_textBoxOpen = true;
    m_textBox->setFocus(Qt::MouseFocusReason);
}

void MainForm::Combo_Click(int k, int entry) {
    QComboBox* combo = m_combos[static_cast<std::size_t>(k)];
    m_model->setCell(m_editRow, m_editCol, combo->itemText(entry));
    combo->hide();
    m_model->FillRowDefaults(m_editRow);
    ShowConversionEquation(m_editRow);
}

void MainForm::TextBox_KeyPress_Enter() {
    m_grid->setFocus(Qt::OtherFocusReason);
    // Without an active window no focus change is delivered; end the edit here.
    if (m_textBoxOpen)
        TextBox_LostFocus();
}

void MainForm::TextBox_LostFocus() {
    if (!m_textBoxOpen)
        return;
    m_textBoxOpen = false;
    const QString text = m_textBox->text();
    m_model->setCell(m_editRow, m_editCol, text);
    m_textBox->hide();
    if (m_editCol == ColCanId && LooksLikeUnprefixedHex(text))
        m_platform.messages->showMessage(this, HexWarningText());
    // The equation keeps showing the state of the click that opened the box.
}

QChar MainForm::decimalPoint() const {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

void MainForm::ShowConversionEquation(int row) {
    m_equationLabel->setText(ConversionEquationText(*m_model, m_catalogue, row, decimalPoint()));
}

// ---------------------------------------------------------------------------
// OBD mode

void MainForm::EnableObdModeCheck_Click() {
    const bool on = m_obdCheck->isChecked();
    m_grid->setUpdatesEnabled(false);

    // A list left open over a cell is closed without a choice.
    for (QComboBox* combo : m_combos)
        combo->hide();

    m_model->setObdModeEnabled(on);
    setWindowTitle(WindowCaption(on));
    m_tabs->setTabEnabled(1, on);
    m_tabs->setTabEnabled(0, true);
    if (!on)
        m_tabs->setCurrentIndex(0);
    m_fraCanBaud->setVisible(!on);

    m_grid->setUpdatesEnabled(true);
    m_grid->viewport()->update();
}

void MainForm::OpenPriorityEditor(const std::optional<GridCell>& cell) {
    const bool wasShown = m_priorityCombo->isVisible();
    m_priorityCombo->hide();
    if (wasShown)
        return;
    if (!cell || cell->row <= 0 || cell->column <= 0)
        return;

    m_priorityRow = cell->row;
    placeOver(m_priorityCombo, m_obdGrid, m_obdView->index(cell->row - 1, cell->column), false);
    m_priorityCombo->setCurrentIndex(SelectMatchingItem(
        PriorityEntries(), m_model->obdPriority(m_priorityRow), m_priorityCombo->currentIndex()));
    m_priorityCombo->show();
    m_priorityCombo->showPopup();
}

void MainForm::SetPriorityCombo_Click(int entry) {
    if (entry < 0)
        return;
    m_model->setObdPriority(m_priorityRow, m_priorityCombo->itemText(entry));
    m_priorityCombo->hide();
}

void MainForm::ComCanBaudRate_Change(const QString& text) {
    if (m_model->baudRateText() != text)
        m_model->setBaudRateText(text);
}

// ---------------------------------------------------------------------------
// File menu and sending

void MainForm::mnuLoad_Click() {
    const QString path = m_platform.dialogs->openFileName(
        this, QStringLiteral("Load a CAN config file"), QtFileFilter(CcfFilter));
    if (path.isEmpty())
        return;
    LoadCcfFile(*m_model, path);
    m_grid->viewport()->update();
}

void MainForm::mnuSave_Click() {
    const QString path = m_platform.dialogs->saveFileName(
        this, QStringLiteral("Save CAN configuration file"), QtFileFilter(CcfFilter));
    if (path.isEmpty())
        return;
    SaveCcfFile(*m_model, path);
}

QString MainForm::hexFilePath() const {
    return m_platform.folders->applicationFolder() + NativeSeparator() + HexFileName;
}

void MainForm::mnuGenHexFile_Click() {
    WriteIntelHex(BuildConfigImage(*m_model, m_catalogue), hexFilePath());
}

void MainForm::cmdSend_Click() {
    WriteIntelHex(BuildConfigImage(*m_model, m_catalogue), hexFilePath());
    const QString port = m_selectPort->currentText();
    const QString folder = m_platform.folders->applicationFolder();
    m_platform.launcher->startDetached(FlasherCommandLine(folder, port, NativeSeparator()),
                                       FlasherInvocationFor(folder, port, NativeSeparator()));
}

void MainForm::mnuExit_Click() {
    close();
}

} // namespace cac::app
