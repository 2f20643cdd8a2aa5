#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

class QAction;
class QLabel;
class QStatusBar;
class QWidget;

namespace cac {
class ConfigModel;
class UnsavedChanges;
} // namespace cac

namespace cac::app {

class EditHistory;

// Keeps typed work that has not been saved. While the table differs from
// what was last saved or loaded, a recovery file in the data folder holds it,
// written WriteDelayMs after the last change with the safe write of every
// other file, and at once when the window closes; a save, a load and a close
// with nothing unsaved remove it. A recovery file
// left by a session that did not end cleanly is moved aside at start-up and
// offered through restoreAction() until it is restored. A permanent widget in
// the status bar says whether there are unsaved changes.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int WriteDelayMs = 3000;

    // `dataFolder` empty: nothing is kept (there is no folder to keep it in).
    // A restore is one step of `history`.
    RecoveryKeeper(QWidget* window, ConfigModel* model, const QString& dataFolder,
                   QStatusBar* statusBar, EditHistory* history);

    // Tools → "Restore unsaved channels", available while there is something
    // to restore.
    QAction* restoreAction() const { return m_restoreAction; }

    // Call at the end of start-up: the present table is the saved state, and
    // a recovery file of an earlier session is moved aside and announced.
    void startWatching();
    // Puts the earlier session's channels into the table. They stay unsaved.
    void restore();
    // Deletes the earlier session's channels without restoring them.
    void discard();
    // After a save or a load: the table is what a file holds.
    void markSaved();

    QString recoveryPath() const;
    QString earlierPath() const;
    bool unsaved() const;

signals:
    // Before a restore puts the channels in: the window's OBD switch follows.
    void obdModeRequested(bool on);
    // The window is closing: an edit still open should be written to the table now.
    void closing();
    // An earlier session's channels, written then, wait to be restored or discarded.
    void keptWorkOffered(const QDateTime& written);
    // They are restored, discarded or gone: nothing waits any more.
    void keptWorkSettled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepNow();
    void showUnsaved(bool unsaved);

    QWidget* m_window;
    ConfigModel* m_model;
    QString m_folder;
    QStatusBar* m_statusBar;
    EditHistory* m_history;
    QAction* m_restoreAction;
    QLabel* m_indicator;
    UnsavedChanges* m_changes = nullptr;
    QTimer m_writeTimer;
};

} // namespace cac::app
