// The reference side of the "Find signals" panel: the references to choose
// from (OBD answers, a CSV, a hint), their ranked matches, and the field (or
// match) used for a channel.
#include "app/discover/DiscoverPanel.h"

#include "app/discover/ChannelChooser.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/DiscoverWorker.h"
#include "app/discover/FieldLines.h"
#include "app/discover/FieldPictureView.h"
#include "app/discover/MatchPlot.h"
#include "app/editing/EditHistory.h"
#include "app/platform/PlatformServices.h"
#include "app/preview/LineTable.h"
#include "channels/ConfigModel.h"
#include "dbc/ChannelFill.h"
#include "discover/DiscoveryTexts.h"
#include "discover/reference/CsvReference.h"
#include "discover/reference/ReferenceHint.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace cac::app {

namespace {

// The combo's entries other than a reference.
constexpr int NoReference = -1;
// Matches listed for a reference.
constexpr int MatchesShown = 10;

QString referenceTitle(const ReferenceMatches& reference) {
    return reference.unit.isEmpty() ? reference.name
                                    : QStringLiteral("%1 [%2]").arg(reference.name, reference.unit);
}

} // namespace

void DiscoverPanel::fillReferenceChoices(int select) {
    m_referenceChoice->clear();
    m_referenceChoice->addItem(texts::DiscoverNoReference, NoReference);
    for (int i = 0; i < m_references.size(); ++i)
        m_referenceChoice->addItem(referenceTitle(m_references[i]), i);
    m_referenceChoice->setCurrentIndex(select);
    for (QWidget* w : std::initializer_list<QWidget*>{m_referenceChoice, m_csv, m_csvUnit, m_hint})
        w->setEnabled(m_outcome != nullptr);
}

void DiscoverPanel::referenceChosen(int comboIndex) {
    refuse({}); // a refused hint or CSV is no longer what the user looks at
    showReference(m_referenceChoice->itemData(comboIndex).toInt());
}

void DiscoverPanel::chooseCsv() {
    const QString path = m_dialogs->openFileName(parentWidget(), texts::DiscoverCsvTitle,
                                                 QtFileFilter(texts::DiscoverCsvFilter));
    if (path.isEmpty() || !m_outcome)
        return;
    CsvReference csv = LoadCsvReference(path);
    const QString fileName = QDir::toNativeSeparators(path);
    if (!csv.ok())
        return refuse(QStringLiteral("%1: %2").arg(fileName, csv.error));
    if (const QString unit = m_csvUnit->text().trimmed(); !unit.isEmpty())
        csv.series.unit = unit;
    refuse(csv.problemCount > 0 ? texts::discoverCsvProblems(fileName, csv.problemCount,
                                                             csv.problems.first().describe())
                                : QString());
    // Times that count from 0 beside a log whose times are dates count from
    // the log's first frame.
    if (!csv.series.points.empty() && !IsLogDate(csv.series.points.front().time))
        for (ReferencePoint& point : csv.series.points)
            point.time += m_outcome->run.clockShift();
    auto series = std::make_shared<const ReferenceSeries>(std::move(csv.series));
    addUserReference({[series](const LogDiscovery& run) {
                          return ReferenceMatches{
                              series->name, series->unit, -1,
                              RankFieldsAgainst(run.candidates.fields, *series)};
                      },
                      series->points});
}

void DiscoverPanel::rankHint() {
    if (!m_outcome)
        return;
    ReferenceHint hint;
    QString why;
    if (!ParseReferenceHint(m_hint->text(), hint, &why))
        return refuse(why);
    refuse({});
    const QString typed = m_hint->text();
    addUserReference({[hint, typed](const LogDiscovery& run) {
                          return MatchHint(run.candidates, hint, run.clockShift(), typed);
                      },
                      {}});
}

void DiscoverPanel::addUserReference(UserReference user) {
    m_references.append(user.rank(m_outcome->run));
    m_referencePoints.push_back(user.points);
    m_userReferences.push_back(std::move(user));
    const int reference = int(m_references.size()) - 1;
    fillReferenceChoices(reference + 1); // after "none"
    showReference(reference);
}

void DiscoverPanel::showReference(int reference, bool propose) {
    m_reference = reference;
    m_matches->setRowCount(0);
    m_plot->clear();
    chooseField(m_fields->currentRow()); // without a match of its own
    KeepColumnsWhole(m_matches);
    if (reference < 0 || reference >= m_references.size()) {
        m_matchNote->setText(texts::DiscoverChooseReference);
        m_matchNote->show();
        return;
    }
    const ReferenceMatches& chosen = m_references[reference];
    const std::vector<FieldMatch>& matches = chosen.ranking.matches;
    if (matches.empty()) {
        m_matchNote->setText(texts::discoverNoMatch(referenceTitle(chosen), chosen.ranking.error));
        m_matchNote->show();
        return;
    }
    // Two fields the evidence cannot tell apart: said, not guessed.
    m_matchNote->setText(chosen.ranking.undecided);
    m_matchNote->setVisible(!chosen.ranking.undecided.isEmpty());
    const DiscoveryCandidates& candidates = m_outcome->run.candidates;
    const int shown = int(std::min<std::size_t>(matches.size(), MatchesShown));
    m_matches->setRowCount(shown);
    for (int row = 0; row < shown; ++row) {
        const FieldMatch& m = matches[std::size_t(row)];
        m_matches->setItem(row, 0, NewLineItem(QString::number(row + 1), true));
        const CandidateField& field = candidates.fields[std::size_t(m.candidate)];
        QTableWidgetItem* name = NewLineItem(field.description, false);
        name->setToolTip(field.unseen);
        m_matches->setItem(row, 1, name);
        m_matches->setItem(row, 2, NewLineItem(CorrelationText(m.correlation), true));
        m_matches->setItem(row, 3, NewLineItem(FitNumberText(m.scale), true));
        m_matches->setItem(row, 4, NewLineItem(FitNumberText(m.offset), true));
        m_matches->setItem(row, 5, NewLineItem(FitNumberText(m.residual), true));
    }
    KeepColumnsWhole(m_matches);
    m_matches->setCurrentCell(0, 0);
    showMatch(0);
    if (propose)
        m_chooser->propose();
}

void DiscoverPanel::showMatch(int row) {
    if (m_reference < 0 || row < 0 || row >= m_matches->rowCount()) {
        m_plot->clear();
        chooseField(m_fields->currentRow()); // the field chosen in the fields stays usable
        return;
    }
    const ReferenceMatches& reference = m_references[m_reference];
    const FieldMatch& m = reference.ranking.matches[std::size_t(row)];
    const DiscoveryCandidates& candidates = m_outcome->run.candidates;
    const CandidateField& field = candidates.fields[std::size_t(m.candidate)];
    // Its identifier and field are shown beside it.
    const FieldRef& ref = candidates.refs[qsizetype(m.candidate)];
    if (m_identifiers->currentRow() != ref.identifier)
        m_identifiers->setCurrentCell(ref.identifier, 0);
    m_fields->setCurrentCell(ref.field, 0);
    m_plot->showMatch(
        m_referencePoints[std::size_t(m_reference)], field.samples, m.scale, m.offset,
        texts::discoverMatchLegend(reference.name, reference.unit, field.description));
    // A field of a page has no line of its own: the match is what Use takes.
    m_useIdentifier = ref.identifier;
    m_useField = ref.field;
    m_useMatch = row;
    offerUse();
}

// A field chosen in the fields (or on the picture) is what Use writes, fitted
// when the selected match is of it.
void DiscoverPanel::chooseField(int row) {
    m_useIdentifier = m_identifiers->currentRow();
    m_useField = row;
    m_useMatch = -1;
    const int match = m_matches->currentRow();
    if (m_outcome && m_reference >= 0 && match >= 0 && row >= 0) {
        const FieldMatch& m = m_references[m_reference].ranking.matches[std::size_t(match)];
        const FieldRef& ref = m_outcome->run.candidates.refs[qsizetype(m.candidate)];
        if (ref.identifier == m_useIdentifier && ref.field == row)
            m_useMatch = match;
    }
    if (m_useMatch < 0)
        plotField();
    offerUse();
}

// The chosen field alone, raw, when no match of it is shown: its plot takes
// the marks and a click on its time axis.
void DiscoverPanel::plotField() {
    if (!m_outcome || m_useIdentifier < 0 ||
        m_useIdentifier >= m_outcome->run.result.identifiers.size())
        return m_plot->clear();
    const QList<DiscoveredField>& fields =
        m_outcome->run.result.identifiers[m_useIdentifier].fields;
    if (m_useField < 0 || m_useField >= fields.size() || !fields[m_useField].series)
        return m_plot->clear();
    const DiscoveredField& field = fields[m_useField];
    // Each bucket's least and greatest value, so a short press shows.
    std::vector<FieldSample> samples;
    for (const SeriesBucket& bucket : field.series->buckets()) {
        if (bucket.count == 0)
            continue;
        const double low = field.isSigned ? bucket.minValue : bucket.minRaw;
        const double high = field.isSigned ? bucket.maxValue : bucket.maxRaw;
        samples.push_back({bucket.start + bucket.width / 4, low});
        if (high != low)
            samples.push_back({bucket.start + bucket.width * 3 / 4, high});
    }
    m_plot->showField(samples, texts::discoverFieldLegend(field.signal.name));
}

struct DiscoverPanel::UseProposal {
    ChannelProposal channel;
    QString field;     // its name
    QString reference; // the reference of its match, or empty
    QString unit;      // the reference's unit, or empty
};

DiscoverPanel::UseProposal DiscoverPanel::useProposal() const {
    UseProposal out;
    if (!m_outcome)
        return out;
    const DiscoveryCandidates& candidates = m_outcome->run.candidates;
    if (m_useMatch >= 0 && m_reference >= 0) {
        const ReferenceMatches& reference = m_references[m_reference];
        const FieldMatch& m = reference.ranking.matches[std::size_t(m_useMatch)];
        out.channel = ProposeChannel(candidates, reference, m, m_catalogue, m_model->choiceList(0));
        out.field = candidates.fields[std::size_t(m.candidate)].description;
        out.reference = reference.name;
        out.unit = reference.unit;
        return out;
    }
    const QList<DiscoveredIdentifier>& identifiers = m_outcome->run.result.identifiers;
    if (m_useIdentifier < 0 || m_useIdentifier >= identifiers.size() || m_useField < 0 ||
        m_useField >= identifiers[m_useIdentifier].fields.size())
        return out;
    const DiscoveredField& field = identifiers[m_useIdentifier].fields[m_useField];
    out.channel = ProposeFieldChannel(field);
    out.field = field.signal.name;
    return out;
}

void DiscoverPanel::offerUse() {
    const UseProposal proposal = useProposal();
    if (!proposal.channel.row)
        return m_chooser->withdraw();
    const SignalRow& row = *proposal.channel.row;
    m_chooser->offer(row.cells[ColScale], row.cells[ColOffset], proposal.channel.variable,
                     proposal.unit);
}

void DiscoverPanel::useField(int channel) {
    UseProposal proposal = useProposal();
    if (proposal.field.isEmpty())
        return;
    emit aboutToFill();
    if (!proposal.channel.row)
        return refuse(proposal.channel.error);
    refuse({});
    SignalRow row = *proposal.channel.row;
    row.cells[ColScale] = m_chooser->scaleText();
    row.cells[ColOffset] = m_chooser->offsetText();
    const QString variable = m_chooser->variableEntry();
    const bool replacing = !IsChannelFree(*m_model, channel);
    {
        const EditHistory::Scope step(m_history, texts::discoverStep(channel));
        if (!FillChannel(*m_model, channel, row, variable))
            return;
    }
    emit reported(texts::discoverFilled(
        FilledChannelText(channel, proposal.field, proposal.reference, variable, replacing)));
    emit channelFilled(channel);
}

} // namespace cac::app
