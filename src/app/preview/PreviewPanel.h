#pragma once

#include "app/live/LiveInterfaces.h"
#include "canlog/LogReader.h"
#include "decode/PreviewDecoding.h"

#include <QDockWidget>
#include <QTimer>

#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace cac {
class ConfigModel;
class VariableCatalogue;
} // namespace cac

namespace cac::app {

class ChannelPlotWindow;
class FileDialogs;
class LiveCanSource;
class SerialPortProbe;
class PreviewLines;
class PreviewWorker;
struct PreviewResult;

// The CAN preview: what each configured channel makes of a CAN log or of
// live traffic, one line a channel (frames taken, last, least and greatest
// value with the unit, frames not decoded, a small plot over time) and a
// line for the frames no channel takes. A log is read on a worker thread;
// its frames stay in memory up to a cap, so that an edit of the channel
// table decodes them again at once (past the cap the file is read again).
// A click on a line opens the channel's larger plot.
class PreviewPanel : public QDockWidget {
    Q_OBJECT
public:
    // `ports` lists the serial ports an SLCAN adapter may be on.
    PreviewPanel(const ConfigModel* model, const VariableCatalogue& catalogue, FileDialogs* dialogs,
                 SerialPortProbe* ports, QWidget* parent = nullptr);
    ~PreviewPanel() override;

    // Tools > Preview with a CAN log: asks for the log, then reads it.
    void previewLog();
    void previewLogFile(const QString& path);
    // Tools > Preview live CAN traffic: asks for the interface and its bit rate.
    void previewLive();
    void connectLive(const LiveInterface& choice, int bitRate, const QString& address);
    void disconnectLive();

    // Frames kept in memory at most (the default holds about 48 MB).
    void setFrameCap(qsizetype cap) { m_cap = cap; }
    bool isReading() const { return m_reading; }
    // What the lines show; null before any log or live bus.
    const PreviewDecoding* decoding() const { return m_decoding.get(); }
    ChannelPlotWindow* plotWindow() const { return m_plot; }

signals:
    // A line for the status bar.
    void reported(const QString& text);
    // The panel was closed: its last line, when the status bar still shows it, goes.
    void withdrawn(const QString& text);
    // The lines were refreshed from a finished decoding or new live frames.
    void refreshed();
    // The live interface is connected: frames sent now arrive.
    void liveConnected();
    // The live interface was disconnected, or went away.
    void liveEnded();

private:
    void setUpParts();
    void layOutParts();
    void connectWorker();
    // Decodes again after an edit, once the typing pauses; a hidden panel on
    // being shown again.
    void followEdits();
    enum class Source { None, File, Live };

    std::shared_ptr<const FrameDecoder> currentDecoder() const;
    void startRead(const QString& path, bool fromKeptFrames);
    void finish(const std::shared_ptr<PreviewResult>& result);
    void refuse(const QString& path, const QString& reason, bool asked);
    void decodeAgain();
    // A line for the status bar, only while the panel is open.
    void report(const QString& text);
    void takeLiveFrames(const QList<CanFrame>& frames);
    void showLiveNotes();
    void refreshLines();
    void showNotes(const QStringList& notes);
    void openPlot(int channel);
    void updatePlot();
    void setReading(bool reading);

    const ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    FileDialogs* m_dialogs;
    SerialPortProbe* m_ports;
    PreviewWorker* m_worker;
    std::unique_ptr<LiveCanSource> m_live;
    bool m_liveConnected = false;

    Source m_source = Source::None;
    QString m_path;        // the log the lines come from
    QString m_pendingPath; // a log asked for, not read yet: the lines stay the last log's
    QString m_readingPath; // the file the running job reads
    QString m_title;       // what the lines come from, for the source label
    int m_generation = 0;
    int m_askedGeneration = -1; // the read the user asked for: its outcome goes to the status bar
    bool m_stale = false;       // edited while closed: decoded again when opened
    QString m_lastReport;       // the last line given to the status bar
    bool m_reading = false;
    qsizetype m_cap = KeptFrames::DefaultCap;
    std::shared_ptr<const std::vector<CanFrame>> m_kept; // the log's frames, while they fit
    bool m_notKept = false;                              // too many: an edit reads the file
    LogFormat m_format = LogFormat::Unknown;
    KeptFrames m_liveKept;
    QStringList m_readNotes; // what the last read said beyond the lines
    std::unique_ptr<PreviewDecoding> m_decoding;
    QTimer m_edited;      // an edit waits for the next ones before decoding again
    QTimer m_liveRefresh; // live lines are refreshed a few times a second

    QLabel* m_sourceLabel;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    QPushButton* m_disconnect;
    PreviewLines* m_table;
    QLabel* m_untaken;
    QLabel* m_note;
    QLabel* m_refusal; // why the last log asked for was not read
    ChannelPlotWindow* m_plot = nullptr;
};

} // namespace cac::app
