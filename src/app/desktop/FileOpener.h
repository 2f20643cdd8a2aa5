#pragma once

#include <QObject>

class QMimeData;
class QStatusBar;
class QWidget;

namespace cac::app {

class DbcImporter;
class EditHistory;
class FileOperations;

// Opens a file the window is handed, on its command line or dropped on it:
// a configuration file as File → Load does, a CAN database in the import
// dialog, an Intel HEX image as Tools → Load from image does. What a file is
// follows from its first bytes, otherwise from its extension. A file that
// cannot be read, or is none of these, is reported in the status bar.
class FileOpener : public QObject {
    Q_OBJECT
public:
    // Watches `window` for drops; the window must accept drops.
    // Each load is one step of `history`.
    FileOpener(QWidget* window, FileOperations* fileOperations, DbcImporter* dbcImport,
               QStatusBar* statusBar, EditHistory* history);

    void open(const QString& path);

    // The one local file of a kind the window opens, else empty. A drag over
    // the window is accepted only for such a file.
    static QString droppableFile(const QMimeData* data);

signals:
    // A file is about to be loaded: an open in-cell editor writes first.
    void aboutToOpen(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    FileOperations* m_fileOperations;
    DbcImporter* m_dbcImport;
    EditHistory* m_history;
    QStatusBar* m_statusBar;
};

} // namespace cac::app
