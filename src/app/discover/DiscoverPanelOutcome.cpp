// What an analysis found, shown in the "Find signals" panel: a log's
// outcome afresh, live traffic's again with what the user chose kept, and
// the identifiers with the fields of the chosen one.
#include "app/discover/DiscoverPanel.h"

#include "app/discover/DiscoverTexts.h"
#include "app/discover/DiscoverWorker.h"
#include "app/discover/FieldLines.h"
#include "app/discover/FieldPictureView.h"
#include "app/discover/LiveListening.h"
#include "app/preview/LineTable.h"
#include "app/preview/PreviewTexts.h"
#include "decode/LogDecodeRun.h"
#include "discover/DiscoveryTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>

#include <algorithm>

namespace cac::app {

void DiscoverPanel::finish(const std::shared_ptr<DiscoverOutcome>& outcome) {
    if (outcome->generation != m_generation)
        return; // an analysis the user has moved on from
    const bool live = outcome->path.isEmpty();
    if (live)
        m_liveAnalysing = false;
    else
        setAnalysing(false);
    const QString fileName = QFileInfo(outcome->path).fileName();
    const LogDiscovery& run = outcome->run;
    if (run.result.stopped) {
        if (live)
            return; // the next tick analyses again
        // The log could not be read: what was shown stays.
        setSourceLine(m_outcome && !m_outcome->path.isEmpty()
                          ? texts::discoverAnalysed(QFileInfo(m_outcome->path).fileName(),
                                                    LogFormatTitle(m_outcome->run.firstRead.format),
                                                    m_outcome->run.result.frames,
                                                    m_outcome->run.result.identifiers.size())
                          : texts::DiscoverNothing);
        refuse(texts::discoverCannotRead(QDir::toNativeSeparators(outcome->path), run.error));
        emit analysed();
        return;
    }
    // Live traffic found again keeps what the user looks at; a new log
    // starts afresh, without the marks and references of the last one.
    const bool keep = live && m_outcome && m_outcome->path.isEmpty();
    const Choice kept = keep ? currentChoice() : Choice{};
    if (!live) {
        refuse({});
        if (m_listening->isListening())
            m_listening->stop();
        m_liveRow->hide();
        m_marks.clear();
        m_picture->clearChanges();
    }
    if (!keep)
        m_userReferences.clear();
    m_outcome = outcome;
    m_references = outcome->obd;
    m_marksReference = -1;
    m_reference = -1; // its index named a reference of the last outcome
    m_referencePoints.clear();
    for (const ReferenceMatches& reference : std::as_const(m_references)) {
        const std::optional<ReferenceSeries> series = run.answers.series(reference.pid);
        m_referencePoints.push_back(series ? series->points : std::vector<ReferencePoint>());
    }
    for (const UserReference& reference : m_userReferences) {
        m_references.append(reference.rank(run));
        m_referencePoints.push_back(reference.points);
    }
    QStringList notes;
    if (const QString note = ShortLogNote(run.result); !note.isEmpty())
        notes << note;
    if (live && m_listening->traffic().dropped() > 0)
        notes << texts::discoverLiveAnalysedLatest(m_listening->traffic().kept(),
                                                   m_listening->traffic().frames());
    if (run.firstRead.problemCount > 0)
        notes << texts::logProblems(run.firstRead.problemCount, run.firstRead.firstProblem());
    // Where some identifier's order is the bus's, the bus's order is news.
    if (std::any_of(run.result.identifiers.begin(), run.result.identifiers.end(),
                    [](const DiscoveredIdentifier& i) { return i.orderFromBus; }))
        notes << BusOrderTexts(run.result);
    m_note->setText(notes.join(u'\n'));
    m_note->setVisible(!notes.isEmpty());
    showMarks();
    if (live) {
        showListening();
        restoreChoice(kept);
        emit analysed();
        return;
    }
    const QString title = texts::discoverAnalysed(fileName, LogFormatTitle(run.firstRead.format),
                                                  run.result.frames, run.result.identifiers.size());
    setSourceLine(title);
    showIdentifiers();
    fillReferenceChoices(0);
    showReference(-1);
    emit reported(title);
    emit analysed();
}

void DiscoverPanel::showIdentifiers() {
    const QList<DiscoveredIdentifier>& identifiers = m_outcome->run.result.identifiers;
    m_identifiers->setRowCount(int(identifiers.size()));
    for (int row = 0; row < identifiers.size(); ++row) {
        const DiscoveredIdentifier& identifier = identifiers[row];
        m_identifiers->setItem(row, 0, NewLineItem(IdentifierOnBusText(identifier), false));
        m_identifiers->setItem(row, 1, NewLineItem(IdentifierLengthText(identifier.key), false));
        m_identifiers->setItem(row, 2, NewLineItem(QString::number(identifier.frames), true));
        m_identifiers->setItem(row, 3, NewLineItem(MillisecondsText(identifier.period), true));
        m_identifiers->setItem(row, 4, NewLineItem(MillisecondsText(identifier.jitter), true));
        m_identifiers->setItem(row, 5, NewLineItem(LengthsText(identifier.lengths), true));
    }
    // Its columns whole: the splitter gives the rest to the fields and matches.
    m_identifiers->setMinimumWidth(m_identifiers->horizontalHeader()->length() +
                                   m_identifiers->verticalScrollBar()->sizeHint().width() +
                                   2 * m_identifiers->frameWidth());
    const QList<int> sizes = m_found->sizes();
    m_found->setSizes({m_identifiers->minimumWidth(),
                       std::max(0, sizes[0] + sizes[1] - m_identifiers->minimumWidth())});
    m_identifiers->setCurrentCell(identifiers.isEmpty() ? -1 : 0, 0);
    showIdentifier(identifiers.isEmpty() ? -1 : 0);
}

void DiscoverPanel::showIdentifier(int index) {
    if (!m_outcome || index < 0 || index >= m_outcome->run.result.identifiers.size()) {
        m_picture->showPicture({});
        m_fields->setRowCount(0);
        return;
    }
    const DiscoveredIdentifier& identifier = m_outcome->run.result.identifiers[index];
    m_picture->showPicture(FieldsPicture(identifier));
    m_fields->showFields(identifier);
    KeepColumnsWhole(m_fields);
}

} // namespace cac::app
