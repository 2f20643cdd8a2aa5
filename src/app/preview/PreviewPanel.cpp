#include "app/preview/PreviewPanel.h"

#include "app/live/LiveCanSource.h"
#include "app/panels/PanelRoom.h"
#include "app/platform/PlatformServices.h"
#include "app/preview/ChannelPlotWindow.h"
#include "app/preview/PreviewLines.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"
#include "app/preview/PreviewWorker.h"
#include "channels/ConfigModel.h"
#include "decode/DecodeTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace cac::app {

namespace {

constexpr int TopIdentifiers = 5; // listed on the line of frames no channel takes
constexpr int EditPauseMs = 150;  // typing on in a cell decodes once, after it
constexpr int LiveRefreshMs = 250;

} // namespace

PreviewPanel::PreviewPanel(const ConfigModel* model, const VariableCatalogue& catalogue,
                           FileDialogs* dialogs, SerialPortProbe* ports, QWidget* parent)
    : QDockWidget(texts::PreviewPanelTitle, parent), m_model(model), m_catalogue(catalogue),
      m_dialogs(dialogs), m_ports(ports), m_worker(new PreviewWorker(this)),
      m_sourceLabel(new QLabel), m_progress(new QProgressBar),
      m_cancel(new QPushButton(texts::PreviewCancel)),
      m_disconnect(new QPushButton(texts::PreviewDisconnect)),
      m_table(new PreviewLines([this](int channel) -> const ValueSeries* {
          return m_decoding && channel >= 1 && channel <= ChannelCount
                     ? &m_decoding->series(channel)
                     : nullptr;
      })),
      m_untaken(new QLabel), m_note(new QLabel), m_refusal(new QLabel) {
    setObjectName(names::PreviewPanel);
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::RightDockWidgetArea);
    setUpParts();
    connect(m_table, &PreviewLines::channelChosen, this, &PreviewPanel::openPlot);
    layOutParts();
    connectWorker();
    followEdits();
}

// Names, texts and looks of the labels, bar and buttons.
void PreviewPanel::setUpParts() {
    m_sourceLabel->setObjectName(names::PreviewSource);
    m_title = texts::PreviewNothing;
    m_sourceLabel->setText(m_title);
    m_progress->setObjectName(names::PreviewProgress);
    m_progress->setRange(0, 100);
    m_cancel->setObjectName(names::PreviewCancel);
    m_disconnect->setObjectName(names::PreviewDisconnect);
    m_untaken->setObjectName(names::PreviewUntaken);
    m_untaken->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_note->setObjectName(names::PreviewNote);
    m_note->setWordWrap(true);
    m_note->hide();
    m_refusal->setObjectName(names::PreviewRefusal);
    m_refusal->setWordWrap(true);
    m_refusal->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette refusalColors = m_refusal->palette();
    refusalColors.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
    m_refusal->setPalette(refusalColors);
    m_refusal->hide();
}

// The source line over the lines, the notes under them.
void PreviewPanel::layOutParts() {
    auto* top = new QHBoxLayout;
    top->addWidget(m_sourceLabel, 1);
    top->addWidget(m_progress);
    top->addWidget(m_cancel);
    top->addWidget(m_disconnect);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addLayout(top);
    layout->addWidget(m_refusal);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_untaken);
    layout->addWidget(m_note);
    SetScrollingBody(this, body);
    setReading(false);
    m_disconnect->hide();
}

// The worker's progress and outcome, the buttons that stop a read or a live
// source, the pause that gathers live frames into one refresh of the lines.
void PreviewPanel::connectWorker() {
    connect(m_cancel, &QPushButton::clicked, m_worker, &PreviewWorker::cancel);
    connect(m_disconnect, &QPushButton::clicked, this, &PreviewPanel::disconnectLive);
    connect(m_worker, &PreviewWorker::progressed, this, [this](int generation, int percent) {
        if (generation == m_generation)
            m_progress->setValue(percent);
    });
    connect(m_worker, &PreviewWorker::finished, this, &PreviewPanel::finish);
    m_liveRefresh.setSingleShot(true);
    m_liveRefresh.setInterval(LiveRefreshMs);
    connect(&m_liveRefresh, &QTimer::timeout, this, &PreviewPanel::refreshLines);
}

void PreviewPanel::followEdits() {
    // An edit of the channel table, the catalogue or the OBD switch changes
    // what the channels take: the loaded frames are decoded again.
    m_edited.setSingleShot(true);
    m_edited.setInterval(EditPauseMs);
    connect(&m_edited, &QTimer::timeout, this, &PreviewPanel::decodeAgain);
    // A closed panel waits until it is opened again: it reads nothing and says nothing.
    const auto edited = [this] {
        if (m_source == Source::None && m_pendingPath.isEmpty())
            return;
        if (isHidden())
            m_stale = true;
        else
            m_edited.start();
    };
    connect(m_model, &QAbstractItemModel::dataChanged, this, edited);
    connect(m_model, &QAbstractItemModel::modelReset, this, edited);
    connect(m_model, &ConfigModel::obdModeChanged, this, edited);
    connect(m_model, &ConfigModel::variableListChanged, this, edited);
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && m_stale) {
            m_stale = false;
            m_edited.start();
        }
        if (isHidden() && !m_lastReport.isEmpty())
            emit withdrawn(std::exchange(m_lastReport, QString()));
    });
}

PreviewPanel::~PreviewPanel() = default;

std::shared_ptr<const FrameDecoder> PreviewPanel::currentDecoder() const {
    return std::make_shared<const FrameDecoder>(*m_model, m_catalogue);
}

void PreviewPanel::previewLog() {
    const QString path = m_dialogs->openFileName(parentWidget(), texts::PreviewLogTitle,
                                                 QtFileFilter(texts::PreviewLogFilter));
    if (!path.isEmpty())
        previewLogFile(path);
}

void PreviewPanel::previewLogFile(const QString& path) {
    disconnectLive();
    m_pendingPath = path; // the lines and the title stay the last log's until this one is read
    OpenBelow(this);
    startRead(path, false);
    m_askedGeneration = m_generation;
}

void PreviewPanel::startRead(const QString& path, bool fromKeptFrames) {
    PreviewJob job;
    job.generation = ++m_generation;
    job.decoder = currentDecoder();
    if (fromKeptFrames) {
        job.frames = m_kept;
    } else {
        job.path = path;
        // The shown log did not fit once, it will not now; a log asked for gets the whole cap.
        job.keepCap = path != m_pendingPath && m_notKept ? 0 : m_cap;
    }
    m_readingPath = path;
    m_stale = false;
    m_sourceLabel->setText(texts::previewReading(QFileInfo(path).fileName()));
    setReading(true);
    m_worker->start(std::move(job));
}

void PreviewPanel::report(const QString& text) {
    if (isHidden())
        return;
    m_lastReport = text;
    emit reported(text);
}

void PreviewPanel::refuse(const QString& path, const QString& reason, bool asked) {
    const QString text = texts::previewCannotRead(QDir::toNativeSeparators(path), reason);
    m_refusal->setText(text);
    m_refusal->show();
    m_sourceLabel->setText(m_title); // the lines are still the last log's
    if (asked)
        report(text);
}

void PreviewPanel::finish(const std::shared_ptr<PreviewResult>& result) {
    if (result->generation != m_generation)
        return; // a read the user has moved on from
    setReading(false);
    // Only the outcome of the read the user asked for is news for the status
    // bar; a decoding after an edit would cover the edit's own message.
    const bool asked = result->generation == m_askedGeneration;
    const LogDecodeOutcome& outcome = result->outcome;
    const bool newLog = m_readingPath == m_pendingPath;
    if (!outcome.error.isEmpty()) {
        if (newLog)
            m_pendingPath.clear();
        return refuse(m_readingPath, outcome.error, asked);
    }
    if (newLog) {
        m_source = Source::File;
        m_path = m_pendingPath;
        m_pendingPath.clear();
        m_kept = result->kept;
        m_notKept = result->keptOverflowed;
    } else if (result->kept || result->keptOverflowed) {
        m_kept = result->kept;
        m_notKept = result->keptOverflowed;
    }
    m_refusal->hide();
    if (result->fromFile) {
        m_format = outcome.format;
        m_readNotes.clear();
        if (outcome.problemCount > 0)
            m_readNotes << texts::logProblems(outcome.problemCount, outcome.firstProblem());
        if (outcome.fdSkipped > 0)
            m_readNotes << texts::previewFdSkipped(outcome.fdSkipped);
    }
    const QString fileName = QFileInfo(m_path).fileName();
    m_title = outcome.cancelled
                  ? texts::previewCancelled(fileName, outcome.frames)
                  : texts::previewRead(fileName, LogFormatTitle(m_format), outcome.frames);
    m_sourceLabel->setText(m_title);
    m_decoding = std::move(result->decoding);
    QStringList notes = m_readNotes;
    if (m_notKept)
        notes << texts::previewNotKept(m_cap);
    showNotes(notes);
    refreshLines();
    if (asked)
        report(m_title);
}

void PreviewPanel::decodeAgain() {
    if (!m_pendingPath.isEmpty()) {
        startRead(m_pendingPath, false); // the log asked for, with the edit
    } else if (m_source == Source::File) {
        startRead(m_path, m_kept != nullptr);
    } else if (m_source == Source::Live) {
        m_decoding = std::make_unique<PreviewDecoding>(currentDecoder());
        for (const CanFrame& frame : m_liveKept.frames())
            m_decoding->add(frame);
        refreshLines();
    }
}

void PreviewPanel::setReading(bool reading) {
    m_reading = reading;
    m_progress->setValue(0);
    m_progress->setVisible(reading);
    m_cancel->setVisible(reading);
}

void PreviewPanel::showNotes(const QStringList& notes) {
    m_note->setText(notes.join(QLatin1Char('\n')));
    m_note->setVisible(!notes.isEmpty());
}

void PreviewPanel::refreshLines() {
    if (!m_decoding) {
        m_table->setRowCount(0);
        m_untaken->clear();
        return;
    }
    m_table->showLines(m_decoding->decoder(), m_decoding->tally());
    const UntakenTally& untaken = m_decoding->tally().untaken();
    m_untaken->setText(texts::previewUntaken(
        untaken.frames, TopUntakenText(m_decoding->topUntaken(TopIdentifiers))));
    updatePlot();
    emit refreshed();
}

void PreviewPanel::openPlot(int channel) {
    if (!m_decoding)
        return;
    if (!m_plot)
        m_plot = new ChannelPlotWindow(this);
    const ChannelDecoding& d = m_decoding->decoder().channel(channel);
    m_plot->showChannel(channel, d.variable, d.unit, m_decoding->series(channel).buckets());
    m_plot->show();
    m_plot->raise();
}

void PreviewPanel::updatePlot() {
    if (!m_plot || !m_plot->isVisible() || !m_decoding)
        return;
    const int channel = m_plot->channel();
    const ChannelDecoding& d = m_decoding->decoder().channel(channel);
    m_plot->showChannel(channel, d.variable, d.unit, m_decoding->series(channel).buckets());
}

} // namespace cac::app
