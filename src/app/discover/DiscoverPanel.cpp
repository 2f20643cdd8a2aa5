#include "app/discover/DiscoverPanel.h"

#include "app/discover/ChannelChooser.h"
#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/DiscoverWorker.h"
#include "app/discover/FieldLines.h"
#include "app/discover/FieldPictureView.h"
#include "app/discover/LiveListening.h"
#include "app/discover/MatchPlot.h"
#include "app/editing/EditHistory.h"
#include "app/panels/PanelRoom.h"
#include "app/platform/PlatformServices.h"
#include "app/preview/LineTable.h"
#include "app/preview/PreviewTexts.h"
#include "channels/ConfigModel.h"
#include "decode/LogDecodeRun.h"
#include "discover/DiscoveryTexts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace cac::app {

namespace {

QTableWidget* newTable(const QString& name, const QStringList& columns) {
    auto* table = new QTableWidget;
    SetUpLineTable(*table, name, columns);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QLabel* redLine(const QString& name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
    label->setPalette(colors);
    label->hide();
    return label;
}

// Rows a list of fields or matches shows at least: a short panel scrolls
// rather than squeezing them to a row or two.
constexpr int RowsShown = 5;

void showRows(QTableWidget* table, int rows) {
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            rows * table->verticalHeader()->defaultSectionSize() +
                            table->horizontalScrollBar()->sizeHint().height() +
                            2 * table->frameWidth());
}

} // namespace

void KeepColumnsWhole(QTableWidget* table) {
    QHeaderView* header = table->horizontalHeader();
    // Every column at its texts' width now, a stretched one too; a stretch
    // takes what is over at the next layout. A stretched last column would
    // keep a width it had once, so none is stretched.
    header->setStretchLastSection(false);
    header->resizeSections(QHeaderView::ResizeToContents);
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < table->columnCount(); ++column)
        width += header->sectionSize(column);
    table->setMinimumWidth(width);
}

DiscoverPanel::DiscoverPanel(ConfigModel* model, const VariableCatalogue& catalogue,
                             EditHistory* history, FileDialogs* dialogs, SerialPortProbe* ports,
                             CurrentRow currentRow, QWidget* parent)
    : QDockWidget(texts::DiscoverPanelTitle, parent), m_model(model), m_catalogue(catalogue),
      m_history(history), m_dialogs(dialogs), m_worker(new DiscoverWorker(this)), m_ports(ports),
      m_listening(new LiveListening(this)), m_liveTick(new QTimer(this)),
      m_source(new QLabel(texts::DiscoverNothing)), m_pause(new QPushButton(texts::DiscoverPause)),
      m_saveRecording(new QPushButton(texts::DiscoverSaveRecording)),
      m_stop(new QPushButton(texts::DiscoverStop)), m_mark(new QPushButton(texts::DiscoverMark)),
      m_markLabel(new QLineEdit), m_marksText(new QLabel(texts::DiscoverNoMarks)),
      m_clearMarks(new QPushButton(texts::DiscoverClearMarks)),
      m_markKey(new QShortcut(QKeySequence(Qt::Key_Space), this, nullptr, nullptr,
                              Qt::WidgetWithChildrenShortcut)),
      m_liveRow(new QWidget), m_progress(new QProgressBar),
      m_cancel(new QPushButton(texts::DiscoverCancel)), m_refusal(redLine(names::DiscoverRefusal)),
      m_note(new QLabel),
      m_identifiers(newTable(names::DiscoverIdentifiers, texts::discoverIdentifierColumns())),
      m_picture(new FieldPictureView), m_fields(new FieldLines), m_referenceChoice(new QComboBox),
      m_csv(new QPushButton(texts::DiscoverCsv)), m_csvUnit(new QLineEdit), m_hint(new QLineEdit),
      m_matches(newTable(names::DiscoverMatches, texts::discoverMatchColumns())),
      m_matchNote(new QLabel(texts::DiscoverChooseReference)), m_plot(new MatchPlot),
      m_chooser(new ChannelChooser(model, catalogue, std::move(currentRow))),
      m_parts(new QSplitter(Qt::Vertical)), m_found(new QSplitter(Qt::Horizontal)) {
    setObjectName(names::DiscoverPanel);
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    setUpParts();
    layOutParts();
    connectParts();
    connectLive();
}

// Names, texts and accessible names of the labels, lists and fields.
void DiscoverPanel::setUpParts() {
    m_source->setObjectName(names::DiscoverSource);
    // A long file or interface name is cut rather than pushing the buttons
    // beside it out of reach; its tip has it whole.
    m_source->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_source->setMinimumWidth(120);
    m_progress->setObjectName(names::DiscoverProgress);
    m_progress->setRange(0, 100);
    m_cancel->setObjectName(names::DiscoverCancel);
    m_note->setObjectName(names::DiscoverNote);
    m_note->setWordWrap(true);
    m_note->hide();
    m_referenceChoice->setObjectName(names::DiscoverReference);
    m_referenceChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_csv->setObjectName(names::DiscoverCsv);
    m_csvUnit->setObjectName(names::DiscoverCsvUnit);
    m_csvUnit->setPlaceholderText(texts::DiscoverCsvUnitPlaceholder);
    m_csvUnit->setToolTip(texts::DiscoverCsvUnitTip);
    m_csvUnit->setMaximumWidth(m_csvUnit->fontMetrics().horizontalAdvance(u'M') * 6);
    m_hint->setObjectName(names::DiscoverHint);
    m_hint->setPlaceholderText(texts::DiscoverHintPlaceholder);
    m_matchNote->setObjectName(names::DiscoverMatchNote);
    m_identifiers->setAccessibleName(texts::DiscoverIdentifiersName);
    m_fields->setAccessibleName(texts::DiscoverFieldsName);
    m_matches->setAccessibleName(texts::DiscoverMatchesName);
    m_matchNote->setWordWrap(true);
    showRows(m_fields, RowsShown);
    showRows(m_matches, RowsShown);
}

// The source line on top; below it the identifiers beside their fields, and
// under those the frame picture beside the reference side: two rows, so that
// every column of the fields and the matches fits a laptop's width.
void DiscoverPanel::layOutParts() {
    auto* top = new QHBoxLayout;
    top->addWidget(m_source, 1);
    top->addWidget(m_progress);
    top->addWidget(m_cancel);
    top->addWidget(buildLiveRow());

    m_found->setChildrenCollapsible(false);
    m_found->addWidget(m_identifiers);
    m_found->addWidget(m_fields);
    m_found->setStretchFactor(0, 0);
    m_found->setStretchFactor(1, 1);
    m_identifiers->horizontalHeader()->setStretchLastSection(false);
    auto* chosen = new QSplitter(Qt::Horizontal);
    chosen->setChildrenCollapsible(false);
    chosen->addWidget(m_picture);
    chosen->addWidget(buildReferenceSide());
    chosen->setStretchFactor(0, 0);
    chosen->setStretchFactor(1, 1);
    m_parts->setChildrenCollapsible(false);
    m_parts->addWidget(m_found);
    m_parts->addWidget(chosen);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addLayout(top);
    layout->addWidget(m_refusal);
    layout->addWidget(m_note);
    layout->addWidget(buildMarkRow());
    layout->addWidget(m_parts, 1);
    SetScrollingBody(this, body);
    setAnalysing(false);
    fillReferenceChoices(0);
}

// The reference to rank the fields against (a list, a CSV, a typed hint),
// its matches, the plot of the chosen one and the channel to fill.
QWidget* DiscoverPanel::buildReferenceSide() {
    auto* referenceLabel = new QLabel(texts::DiscoverReference);
    referenceLabel->setBuddy(m_referenceChoice);
    auto* referenceRow = new QHBoxLayout;
    referenceRow->addWidget(referenceLabel);
    referenceRow->addWidget(m_referenceChoice, 1);
    referenceRow->addWidget(m_csv);
    referenceRow->addWidget(m_csvUnit);
    auto* hintLabel = new QLabel(texts::DiscoverHint);
    hintLabel->setBuddy(m_hint);
    referenceRow->addWidget(hintLabel);
    referenceRow->addWidget(m_hint, 1);
    // The matches beside the plot of the chosen one.
    auto* ranked = new QWidget;
    auto* rankedLayout = new QVBoxLayout(ranked);
    rankedLayout->setContentsMargins(0, 0, 0, 0);
    rankedLayout->addWidget(m_matches, 1);
    rankedLayout->addWidget(m_matchNote);
    auto* matched = new QSplitter(Qt::Horizontal);
    matched->setChildrenCollapsible(false);
    matched->addWidget(ranked);
    matched->addWidget(m_plot);
    matched->setStretchFactor(0, 3);
    matched->setStretchFactor(1, 2);
    auto* reference = new QWidget;
    auto* referenceLayout = new QVBoxLayout(reference);
    referenceLayout->setContentsMargins(0, 0, 0, 0);
    referenceLayout->addLayout(referenceRow);
    referenceLayout->addWidget(matched, 1);
    referenceLayout->addWidget(m_chooser);
    return reference;
}

void DiscoverPanel::connectParts() {
    connect(m_cancel, &QPushButton::clicked, this, &DiscoverPanel::cancel);
    connect(m_worker, &DiscoverWorker::progressed, this, [this](int generation, int percent) {
        if (generation == m_generation)
            m_progress->setValue(percent);
    });
    connect(m_worker, &DiscoverWorker::finished, this, &DiscoverPanel::finish);
    connect(m_identifiers, &QTableWidget::currentCellChanged, this,
            [this](int row) { showIdentifier(row); });
    connect(m_fields, &QTableWidget::currentCellChanged, this, [this](int row) {
        FramePicture picture = m_picture->picture();
        const QTableWidgetItem* number = m_fields->item(row, 0);
        picture.channel = number ? number->text().toInt() : 0;
        m_picture->showPicture(std::move(picture));
        chooseField(row);
    });
    connect(m_picture, &FieldPictureView::fieldClicked, this, [this](int number) {
        if (!m_outcome || m_identifiers->currentRow() < 0)
            return;
        const QList<int> numbers =
            FieldNumbers(m_outcome->run.result.identifiers[m_identifiers->currentRow()]);
        if (const qsizetype row = numbers.indexOf(number); row >= 0) {
            m_fields->setCurrentCell(int(row), 0);
            m_fields->setFocus(Qt::MouseFocusReason);
        }
    });
    connect(m_referenceChoice, &QComboBox::activated, this, &DiscoverPanel::referenceChosen);
    connect(m_csv, &QPushButton::clicked, this, &DiscoverPanel::chooseCsv);
    connect(m_hint, &QLineEdit::returnPressed, this, &DiscoverPanel::rankHint);
    connect(m_matches, &QTableWidget::currentCellChanged, this,
            [this](int row) { showMatch(row); });
    connect(m_chooser, &ChannelChooser::useRequested, this, &DiscoverPanel::useField);
}

DiscoverPanel::~DiscoverPanel() {
    // The interface closes as its listening goes: the panel hears no more of it.
    m_listening->disconnect(this);
    m_liveTick->stop();
}

void DiscoverPanel::discoverLog() {
    const QString path = m_dialogs->openFileName(parentWidget(), texts::DiscoverLogTitle,
                                                 QtFileFilter(texts::PreviewLogFilter));
    if (!path.isEmpty())
        discoverLogFile(path);
}

void DiscoverPanel::discoverLogFile(const QString& path) {
    OpenBelow(this);
    m_analysingPath = path;
    setSourceLine(texts::discoverAnalysing(QFileInfo(path).fileName()));
    setAnalysing(true);
    m_worker->start(++m_generation, path);
}

// The analysis stops; what the panel showed before it stays, whole.
void DiscoverPanel::cancel() {
    if (!m_analysing)
        return;
    m_worker->cancel();
    ++m_generation; // a late outcome of it is passed over
    setAnalysing(false);
    const QString text = texts::discoverCancelled(QFileInfo(m_analysingPath).fileName());
    setSourceLine(text);
    emit reported(text);
    emit analysed();
}

void DiscoverPanel::setAnalysing(bool analysing) {
    m_analysing = analysing;
    m_progress->setValue(0);
    m_progress->setVisible(analysing);
    m_cancel->setVisible(analysing);
}

void DiscoverPanel::setSourceLine(const QString& text) {
    m_source->setText(text);
    m_source->setToolTip(text);
}

void DiscoverPanel::refuse(const QString& text) {
    const QString was = m_refusal->text();
    m_refusal->setText(text);
    m_refusal->setVisible(!text.isEmpty());
    // A refusal whose cause has gone leaves the status bar too.
    if (!text.isEmpty() || !was.isEmpty())
        emit reported(text);
}

} // namespace cac::app
