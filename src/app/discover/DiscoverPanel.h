#pragma once

#include "discover/DiscoveryCandidates.h"
#include "discover/reference/ReferenceSeries.h"

#include <QDockWidget>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableWidget;

namespace cac {
class ConfigModel;
class VariableCatalogue;
} // namespace cac

namespace cac::app {

class ChannelChooser;
class DiscoverWorker;
class EditHistory;
class FieldLines;
class FieldPictureView;
class FileDialogs;
class MatchPlot;
struct DiscoverOutcome;

// A table as wide as its columns' texts: the panel scrolls rather than
// cutting a column off.
void KeepColumnsWhole(QTableWidget* table);

// "Find signals": the identifiers of a log with their frames, period and data
// length; the fields of the one chosen on the frame picture, each with its
// kind and a small plot; a reference (an OBD parameter answered in the log, a
// CSV of time and value, or a typed hint) ranks the fields that follow it,
// and "Use for channel N" fills a channel with the field chosen in the
// fields, on the picture or among the matches (fitted when it is a match) as
// one undo step. The log is analysed on a worker thread; everything shown comes from
// the engine.
class DiscoverPanel : public QDockWidget {
    Q_OBJECT
public:
    using CurrentRow = std::function<int()>; // the grid's channel, 1 to 15, or 0
    DiscoverPanel(ConfigModel* model, const VariableCatalogue& catalogue, EditHistory* history,
                  FileDialogs* dialogs, CurrentRow currentRow, QWidget* parent = nullptr);
    ~DiscoverPanel() override;

    // Tools > Find signals in a log: asks for the log, then analyses it.
    void discoverLog();
    void discoverLogFile(const QString& path);
    bool isAnalysing() const { return m_analysing; }

signals:
    // A line for the status bar.
    void reported(const QString& text);
    // An analysis ended: its identifiers are shown (or why there are none).
    void analysed();
    // A channel is about to be filled: an open cell editor writes first.
    void aboutToFill();
    // The channel was filled: the equation line shows it.
    void channelFilled(int channel);

private:
    void setUpParts();
    void layOutParts();
    QWidget* buildReferenceSide();
    void connectParts();
    void finish(const std::shared_ptr<DiscoverOutcome>& outcome);
    void cancel();
    void setAnalysing(bool analysing);
    void refuse(const QString& text);
    void showIdentifiers();
    void showIdentifier(int index);
    void fillReferenceChoices(int select);
    void referenceChosen(int comboIndex);
    void chooseCsv();
    void rankHint();
    void addReference(ReferenceMatches matches, std::vector<ReferencePoint> points);
    void showReference(int reference);
    void showMatch(int row);
    void chooseField(int row);
    void offerUse();
    struct UseProposal;
    UseProposal useProposal() const;
    void useField(int channel);

    ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    EditHistory* m_history;
    FileDialogs* m_dialogs;
    DiscoverWorker* m_worker;
    int m_generation = 0;
    bool m_analysing = false;
    QString m_analysingPath;
    std::shared_ptr<const DiscoverOutcome> m_outcome;
    // The references ranked so far: the log's OBD parameters, then CSVs and
    // hints in the order given, each with its points for the plot.
    QList<ReferenceMatches> m_references;
    std::vector<std::vector<ReferencePoint>> m_referencePoints;
    int m_reference = -1; // shown in the matches
    // What Use writes: a field of the fields table (or of a page, -1), with
    // the match of it that is selected, or -1 for its raw value.
    int m_useIdentifier = -1, m_useField = -1, m_useMatch = -1;

    QLabel* m_source;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QLabel* m_refusal;
    QLabel* m_note;
    QTableWidget* m_identifiers;
    FieldPictureView* m_picture;
    FieldLines* m_fields;
    QComboBox* m_referenceChoice;
    QPushButton* m_csv;
    QLineEdit* m_hint;
    QTableWidget* m_matches;
    QLabel* m_matchNote;
    MatchPlot* m_plot;
    ChannelChooser* m_chooser;
    QSplitter* m_parts; // the found fields over the chosen field's picture and references
    QSplitter* m_found; // identifiers | fields
};

} // namespace cac::app
