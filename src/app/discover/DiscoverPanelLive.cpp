// Finding signals in live traffic: an interface chosen as for the preview,
// its frames analysed again a few times a second while the picture lights
// the bits that change, and marks set as the user does things at the car.
#include "app/discover/DiscoverPanel.h"

#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/DiscoverWorker.h"
#include "app/discover/FieldLines.h"
#include "app/discover/FieldPictureView.h"
#include "app/discover/LiveListening.h"
#include "app/discover/MatchPlot.h"
#include "app/live/LiveCanSource.h"
#include "app/panels/PanelRoom.h"
#include "app/platform/PlatformServices.h"
#include "app/preview/LiveCanDialog.h"
#include "app/preview/PreviewTexts.h"
#include "channels/ConfigModel.h"
#include "live/BusBitRate.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace cac::app {

namespace {

// How often the picture's lit bits fade a step.
constexpr int LiveTickMs = 100;
// The fields are found again at most this often: often enough to follow a
// pedal pressed, rarely enough that the analysis of a busy bus keeps up.
constexpr qint64 LiveAnalysisMs = 250;

qint64 tickClock() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

QWidget* DiscoverPanel::buildLiveRow() {
    m_pause->setObjectName(names::DiscoverPause);
    m_saveRecording->setObjectName(names::DiscoverSaveRecording);
    m_stop->setObjectName(names::DiscoverStop);
    auto* row = new QHBoxLayout(m_liveRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_pause);
    row->addWidget(m_saveRecording);
    row->addWidget(m_stop);
    m_liveRow->hide();
    return m_liveRow;
}

QWidget* DiscoverPanel::buildMarkRow() {
    m_mark->setObjectName(names::DiscoverMark);
    m_markLabel->setObjectName(names::DiscoverMarkLabel);
    m_markLabel->setPlaceholderText(texts::DiscoverMarkLabelPlaceholder);
    m_marksText->setObjectName(names::DiscoverMarks);
    m_marksText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_marksText->setMinimumWidth(0);
    m_marksText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_clearMarks->setObjectName(names::DiscoverClearMarks);
    auto* holder = new QWidget;
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_mark);
    row->addWidget(m_markLabel);
    row->addWidget(m_marksText, 1);
    row->addWidget(m_clearMarks);
    m_mark->setEnabled(false);
    m_markLabel->setEnabled(false);
    m_clearMarks->setEnabled(false);
    m_markKey->setEnabled(false);
    return holder;
}

void DiscoverPanel::connectLive() {
    m_liveTick->setInterval(LiveTickMs);
    connect(m_liveTick, &QTimer::timeout, this, &DiscoverPanel::liveTick);
    connect(m_listening, &LiveListening::connected, this, [this] {
        showListening();
        emit reported(m_source->text());
        emit listening();
    });
    connect(m_listening, &LiveListening::ended, this, &DiscoverPanel::endListening);
    connect(m_pause, &QPushButton::clicked, this, [this] {
        m_listening->setPaused(!m_listening->isPaused());
        m_pause->setText(m_listening->isPaused() ? texts::DiscoverContinue : texts::DiscoverPause);
        showListening();
        emit reported(m_source->text());
    });
    connect(m_saveRecording, &QPushButton::clicked, this, &DiscoverPanel::saveRecording);
    connect(m_stop, &QPushButton::clicked, m_listening, &LiveListening::stop);
    connect(m_mark, &QPushButton::clicked, this, &DiscoverPanel::markNow);
    connect(m_markLabel, &QLineEdit::returnPressed, this, &DiscoverPanel::markNow);
    connect(m_markKey, &QShortcut::activated, this, &DiscoverPanel::markNow);
    connect(m_clearMarks, &QPushButton::clicked, this, &DiscoverPanel::clearMarks);
    connect(m_plot, &MatchPlot::timeClicked, this,
            [this](double time) { addMark(time, m_markLabel->text().trimmed()); });
}

void DiscoverPanel::discoverLive() {
    const QString entry = m_model->baudRateText();
    auto* dialog = new LiveCanDialog(ListLiveInterfaces(m_ports), BitRateOfEntry(entry), entry,
                                     parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { listenTo(dialog->choice(), dialog->bitRate(), dialog->address()); });
    dialog->open();
}

bool DiscoverPanel::isListening() const {
    return m_listening->isListening();
}

void DiscoverPanel::listenTo(const LiveInterface& choice, int bitRate, const QString& address) {
    std::unique_ptr<LiveCanSource> source = MakeLiveSource(choice, bitRate, address);
    if (!source)
        return;
    cancel(); // a log being analysed is no longer wanted
    ++m_generation;
    m_liveAnalysing = false;
    m_liveAnalysedFrames = -1;
    m_marks.clear();
    showMarks();
    OpenBelow(this);
    const QString title = source->title();
    QString error;
    m_pause->setText(texts::DiscoverPause);
    m_liveRow->show();
    m_pause->setEnabled(true);
    m_stop->setEnabled(true);
    m_saveRecording->setEnabled(true);
    if (!m_listening->start(std::move(source), &error)) {
        endListening(error.isEmpty() ? texts::DiscoverNothing : error);
        return;
    }
    refuse({});
    m_mark->setEnabled(true);
    m_markLabel->setEnabled(true);
    m_markKey->setEnabled(true);
    setSourceLine(texts::discoverListening(title, 0, 0));
    m_liveTick->start();
}

void DiscoverPanel::showListening() {
    const LiveTraffic& traffic = m_listening->traffic();
    const qsizetype identifiers =
        m_outcome && m_outcome->path.isEmpty() ? m_outcome->run.result.identifiers.size() : 0;
    setSourceLine(
        m_listening->isPaused()
            ? texts::discoverPaused(m_listening->title(), traffic.frames(), identifiers,
                                    m_listening->passedOver())
            : texts::discoverListening(m_listening->title(), traffic.frames(), identifiers));
}

void DiscoverPanel::endListening(const QString& reason) {
    m_liveTick->stop();
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
    m_mark->setEnabled(false);
    m_markLabel->setEnabled(false);
    m_markKey->setEnabled(false);
    m_saveRecording->setEnabled(m_listening->recorded() > 0);
    const QString title = m_listening->title();
    const bool heard = m_listening->traffic().frames() > 0 || m_outcome;
    const QString text = reason.isEmpty()
                             ? texts::discoverListenStopped(title, m_listening->traffic().frames())
                             : (heard ? texts::discoverListenEnded(title, reason)
                                      : texts::discoverCannotListen(title, reason));
    setSourceLine(text);
    if (!reason.isEmpty())
        refuse(text);
    else
        emit reported(text);
    // What was heard last is analysed once more, so nothing is left out.
    if (m_listening->traffic().frames() != m_liveAnalysedFrames &&
        m_listening->traffic().frames() > 0) {
        m_liveAnalysedFrames = m_listening->traffic().frames();
        m_liveAnalysing = true;
        m_worker->startFrames(++m_generation, std::make_shared<const std::vector<CanFrame>>(
                                                  m_listening->traffic().keptFrames()));
    }
    emit listeningEnded();
}

void DiscoverPanel::liveTick() {
    if (!m_listening->isListening())
        return;
    if (m_outcome && m_outcome->path.isEmpty() && m_identifiers->currentRow() >= 0) {
        const IdentifierKey key =
            m_outcome->run.result.identifiers[m_identifiers->currentRow()].key;
        m_picture->showChanges(m_listening->traffic().bitChanges(key), m_listening->now());
    }
    const LiveTraffic& traffic = m_listening->traffic();
    if (m_liveAnalysing || traffic.frames() == m_liveAnalysedFrames || traffic.frames() == 0 ||
        tickClock() - m_liveAnalysisStarted < LiveAnalysisMs) {
        if (!m_liveAnalysing)
            showListening();
        return;
    }
    m_liveAnalysing = true;
    m_liveAnalysedFrames = traffic.frames();
    m_liveAnalysisStarted = tickClock();
    m_worker->startFrames(++m_generation,
                          std::make_shared<const std::vector<CanFrame>>(traffic.keptFrames()));
}

DiscoverPanel::Choice DiscoverPanel::currentChoice() const {
    Choice choice;
    const QList<DiscoveredIdentifier>& identifiers = m_outcome->run.result.identifiers;
    const int row = m_identifiers->currentRow();
    if (row >= 0 && row < identifiers.size()) {
        choice.identifierChosen = true;
        choice.identifier = identifiers[row].key;
        const int field = m_fields->currentRow();
        if (m_useMatch < 0 && field >= 0 && field < identifiers[row].fields.size()) {
            const DbcSignal& signal = identifiers[row].fields[field].signal;
            choice.fieldChosen = true;
            choice.startBit = signal.startBit;
            choice.length = signal.length;
            choice.littleEndian = signal.littleEndian;
        }
    }
    if (m_reference >= 0 && m_reference < m_references.size()) {
        choice.reference = m_referenceChoice->currentText();
        if (const QTableWidgetItem* match = m_matches->item(m_matches->currentRow(), 1))
            choice.match = match->text();
    }
    return choice;
}

void DiscoverPanel::restoreChoice(const Choice& choice) {
    const QList<DiscoveredIdentifier>& identifiers = m_outcome->run.result.identifiers;
    const int listed = m_referenceChoice->findText(choice.reference);
    showIdentifiers();
    fillReferenceChoices(std::max(0, listed));
    showReference(listed > 0 ? m_referenceChoice->itemData(listed).toInt() : -1, false);
    if (listed > 0 && !choice.match.isEmpty())
        if (const auto found = m_matches->findItems(choice.match, Qt::MatchExactly);
            !found.isEmpty() && found.first()->column() == 1)
            m_matches->setCurrentCell(found.first()->row(), 0);
    if (!choice.identifierChosen || (listed > 0 && !choice.fieldChosen))
        return;
    for (int row = 0; row < identifiers.size(); ++row) {
        if (!(identifiers[row].key == choice.identifier))
            continue;
        if (m_identifiers->currentRow() != row)
            m_identifiers->setCurrentCell(row, 0);
        const QList<DiscoveredField>& fields = identifiers[row].fields;
        for (int field = 0; choice.fieldChosen && field < fields.size(); ++field) {
            const DbcSignal& signal = fields[field].signal;
            if (signal.startBit == choice.startBit && signal.length == choice.length &&
                signal.littleEndian == choice.littleEndian)
                m_fields->setCurrentCell(field, 0);
        }
        return;
    }
}

void DiscoverPanel::saveRecording() {
    QString chosenFilter;
    const QString path =
        m_dialogs->saveFileNameIn(parentWidget(), texts::DiscoverRecordingTitle,
                                  QtFileFilter(texts::DiscoverRecordingFilter), {}, &chosenFilter);
    if (path.isEmpty())
        return;
    QString error;
    const QString shown = QDir::toNativeSeparators(path);
    if (!m_listening->saveRecording(path, &error))
        return refuse(texts::discoverCannotSaveRecording(shown, error));
    refuse({});
    emit reported(texts::discoverRecordingSaved(shown, m_listening->recorded()));
}

void DiscoverPanel::markNow() {
    if (!m_listening->isListening())
        return;
    addMark(m_listening->now(), m_markLabel->text().trimmed());
}

void DiscoverPanel::addMark(double time, const QString& label) {
    const auto at = std::upper_bound(m_marks.begin(), m_marks.end(), time,
                                     [](double t, const Mark& mark) { return t < mark.time; });
    m_marks.insert(at, Mark{time, label});
    showMarks();
    const double origin = m_outcome ? m_outcome->run.clockShift() : 0;
    emit reported(texts::discoverMarked(time - origin, label));
}

void DiscoverPanel::clearMarks() {
    m_marks.clear();
    showMarks();
}

void DiscoverPanel::showMarks() {
    const double origin = m_outcome ? m_outcome->run.clockShift() : 0;
    QList<QPair<double, QString>> shown;
    std::vector<double> times; // the marks, for the plots
    for (const Mark& mark : m_marks) {
        shown.append({mark.time - origin, mark.label});
        times.push_back(mark.time);
    }
    m_marksText->setText(m_marks.empty() ? texts::DiscoverNoMarks
                                         : texts::discoverMarksText(shown));
    m_marksText->setToolTip(m_marksText->text());
    m_clearMarks->setEnabled(!m_marks.empty());
    m_plot->setMarks(times, origin);
    m_fields->setMarks(std::move(times));
    rankMarks();
}

// The marks are a reference: the fields, flags too, that change at them and
// not elsewhere rank first. Ranked again as marks come and go.
void DiscoverPanel::rankMarks() {
    if (!m_outcome || (m_marks.empty() && m_marksReference < 0))
        return;
    std::vector<ReferenceMark> marks;
    for (const Mark& mark : m_marks)
        marks.push_back({mark.time, mark.label});
    ReferenceMatches matches =
        MatchMarks(m_outcome->run.candidates, std::move(marks), m_outcome->run.clockShift());
    if (m_marksReference < 0) {
        m_references.append(std::move(matches));
        m_referencePoints.push_back({});
        m_marksReference = int(m_references.size()) - 1;
    } else {
        m_references[m_marksReference] = std::move(matches);
    }
    const int shown = m_reference;
    fillReferenceChoices(shown + 1); // after "none"
    if (shown == m_marksReference)
        showReference(shown, false);
}

} // namespace cac::app
