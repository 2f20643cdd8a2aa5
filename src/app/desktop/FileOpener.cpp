#include "app/desktop/FileOpener.h"

#include "app/dbcimport/DbcImporter.h"
#include "app/desktop/DesktopTexts.h"
#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/window/FileOperations.h"
#include "common/BoundedFileRead.h"
#include "configfile/FileKind.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QWidget>

namespace cac::app {
namespace {

struct LookedAt {
    FileKind kind = FileKind::Unknown;
    QString problem; // why the file cannot be read; empty when it can
};

// The first bytes of the file decide what it is; one that cannot be opened
// says why.
LookedAt lookAt(const QString& path) {
    OpenedFile opened = OpenRegularFile(path);
    if (!opened.file)
        return {FileKind::Unknown, opened.reason};
    BoundedInput input(*opened.file, FileKindHeadSize);
    const QByteArray head = ReadBounded(input);
    if (input.failed())
        return {FileKind::Unknown, QStringLiteral("it cannot be read")};
    return {KindOfFile(path, head), {}};
}

} // namespace

FileOpener::FileOpener(QWidget* window, FileOperations* fileOperations, DbcImporter* dbcImport,
                       QStatusBar* statusBar, EditHistory* history)
    : QObject(window), m_window(window), m_fileOperations(fileOperations), m_dbcImport(dbcImport),
      m_history(history), m_statusBar(statusBar) {
    window->installEventFilter(this);
}

void FileOpener::open(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const LookedAt file = lookAt(path);
    if (file.kind != FileKind::Unknown)
        emit aboutToOpen(path);
    switch (file.kind) {
    case FileKind::Configuration: {
        const EditHistory::Scope step(m_history, texts::StepLoad);
        return m_fileOperations->loadConfigurationFrom(path);
    }
    case FileKind::HexImage: {
        const EditHistory::Scope step(m_history, texts::StepLoadImage);
        return m_fileOperations->loadImageFrom(path);
    }
    case FileKind::CanDatabase:
        return m_dbcImport->runWith(path);
    case FileKind::Unknown:
        break;
    }
    m_statusBar->showMessage(file.problem.isEmpty() ? texts::cannotOpenKind(shown)
                                                    : texts::couldNotOpen(shown, file.problem));
}

QString FileOpener::droppableFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    return lookAt(path).kind == FileKind::Unknown ? QString() : path;
}

bool FileOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!droppableFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = droppableFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        // Once the drop is over: the source waits for its end, and a
        // database opens a dialog.
        QMetaObject::invokeMethod(
            this, [this, path] { open(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

} // namespace cac::app
