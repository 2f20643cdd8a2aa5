#pragma once

#include "discover/DiscoveryCandidates.h"
#include "discover/LogDiscovery.h"
#include "discover/reference/ReferenceSeries.h"

#include <QDockWidget>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QShortcut;
class QTimer;
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
class LiveListening;
class SerialPortProbe;
struct LiveInterface;
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
                  FileDialogs* dialogs, SerialPortProbe* ports, CurrentRow currentRow,
                  QWidget* parent = nullptr);
    ~DiscoverPanel() override;

    // Tools > Find signals in a log: asks for the log, then analyses it.
    void discoverLog();
    void discoverLogFile(const QString& path);
    bool isAnalysing() const { return m_analysing; }
    // Tools > Find signals live: asks for the interface, then listens to it.
    void discoverLive();
    void listenTo(const LiveInterface& choice, int bitRate, const QString& address);
    bool isListening() const;
    // A mark at `time` of the log's clock ("now" when live), with a label.
    void addMark(double time, const QString& label);

signals:
    // A line for the status bar.
    void reported(const QString& text);
    // An analysis ended: its identifiers are shown (or why there are none).
    void analysed();
    // A channel is about to be filled: an open cell editor writes first.
    void aboutToFill();
    // The channel was filled: the equation line shows it.
    void channelFilled(int channel);
    // Listening began (the interface answered) and ended.
    void listening();
    void listeningEnded();

private:
    void setUpParts();
    QWidget* buildLiveRow();
    QWidget* buildMarkRow();
    void connectLive();
    void liveTick();
    void showListening();
    void endListening(const QString& reason);
    void saveRecording();
    void markNow();
    void clearMarks();
    void showMarks();
    void rankMarks();
    // What the user looks at, found again in live traffic analysed anew.
    struct Choice {
        bool identifierChosen = false;
        IdentifierKey identifier;
        bool fieldChosen = false; // a line of the fields, not a match
        int startBit = -1, length = 0;
        bool littleEndian = true;
        QString reference; // its title in the list
        QString match;     // the field of the selected match
    };
    Choice currentChoice() const;
    void restoreChoice(const Choice& choice);
    // A reference the user gave (a CSV, a hint): ranked again whenever live
    // traffic is analysed again.
    struct UserReference {
        std::function<ReferenceMatches(const LogDiscovery&)> rank;
        std::vector<ReferencePoint> points;
    };
    void addUserReference(UserReference reference);
    void layOutParts();
    QWidget* buildReferenceSide();
    void connectParts();
    void finish(const std::shared_ptr<DiscoverOutcome>& outcome);
    void cancel();
    void setAnalysing(bool analysing);
    void refuse(const QString& text);
    void setSourceLine(const QString& text);
    void showIdentifiers();
    void showIdentifier(int index);
    void fillReferenceChoices(int select);
    void referenceChosen(int comboIndex);
    void chooseCsv();
    void rankHint();
    // `propose`: the chooser proposes a channel again (not when live traffic
    // is analysed anew).
    void showReference(int reference, bool propose = true);
    void showMatch(int row);
    void plotField();
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
    std::vector<UserReference> m_userReferences;
    int m_reference = -1; // shown in the matches
    // Live: the listening, a tick that lights the picture's bits and starts
    // the next analysis once the last one is in, and the frames it saw.
    SerialPortProbe* m_ports;
    LiveListening* m_listening;
    QTimer* m_liveTick;
    bool m_liveAnalysing = false;
    qint64 m_liveAnalysedFrames = -1;
    qint64 m_liveAnalysisStarted = 0; // ms of the tick's clock
    // When something was done, on the log's clock, and what: every plot
    // shows them and they rank the fields that change there.
    struct Mark {
        double time = 0;
        QString label;
    };
    std::vector<Mark> m_marks;
    int m_marksReference = -1; // the marks' ranking among the references
    // What Use writes: a field of the fields table (or of a page, -1), with
    // the match of it that is selected, or -1 for its raw value.
    int m_useIdentifier = -1, m_useField = -1, m_useMatch = -1;

    QLabel* m_source;
    QPushButton* m_pause;
    QPushButton* m_saveRecording;
    QPushButton* m_stop;
    QPushButton* m_mark;
    QLineEdit* m_markLabel;
    QLabel* m_marksText;
    QPushButton* m_clearMarks;
    QShortcut* m_markKey;
    QWidget* m_liveRow;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QLabel* m_refusal;
    QLabel* m_note;
    QTableWidget* m_identifiers;
    FieldPictureView* m_picture;
    FieldLines* m_fields;
    QComboBox* m_referenceChoice;
    QPushButton* m_csv;
    QLineEdit* m_csvUnit; // the CSV's unit where its header names none
    QLineEdit* m_hint;
    QTableWidget* m_matches;
    QLabel* m_matchNote;
    MatchPlot* m_plot;
    ChannelChooser* m_chooser;
    QSplitter* m_parts; // the found fields over the chosen field's picture and references
    QSplitter* m_found; // identifiers | fields
};

} // namespace cac::app
