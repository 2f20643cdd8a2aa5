#include "app/desktop/RecoveryKeeper.h"

#include "app/desktop/DesktopTexts.h"
#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/window/ObjectNames.h"
#include "common/BoundedFileRead.h"
#include "common/SafeFileWrite.h"
#include "configfile/RecoveryFile.h"
#include "configfile/UnsavedChanges.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace cac::app {
namespace {

const QString RecoveryWhat = QStringLiteral("a file of unsaved channels");

// The earlier session's table, or why it cannot be had.
std::optional<RecoveredTable> readRecovery(const QString& path, QString* why) {
    const FileRead read = ReadRegularFile(path, MaxRecoveryFileSize, RecoveryWhat);
    if (!read.ok()) {
        *why = read.reason;
        return std::nullopt;
    }
    return ParseRecovery(read.bytes, why);
}

} // namespace

RecoveryKeeper::RecoveryKeeper(QWidget* window, ConfigModel* model, const QString& dataFolder,
                               QStatusBar* statusBar, EditHistory* history)
    : QObject(window), m_window(window), m_model(model), m_folder(dataFolder),
      m_statusBar(statusBar), m_history(history),
      m_restoreAction(new QAction(texts::MenuRestoreUnsaved, this)),
      m_indicator(new QLabel(statusBar)) {
    m_restoreAction->setObjectName(names::MenuRestoreUnsaved);
    m_indicator->setObjectName(names::UnsavedIndicator);
    statusBar->addPermanentWidget(m_indicator);
    m_restoreAction->setEnabled(false);
    connect(m_restoreAction, &QAction::triggered, this, &RecoveryKeeper::restore);
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(WriteDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &RecoveryKeeper::keepNow);
    window->installEventFilter(this);
}

QString RecoveryKeeper::recoveryPath() const {
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(RecoveryFileName);
}

QString RecoveryKeeper::earlierPath() const {
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(EarlierRecoveryFileName);
}

bool RecoveryKeeper::unsaved() const {
    return m_changes && m_changes->unsaved();
}

void RecoveryKeeper::startWatching() {
    m_changes = new UnsavedChanges(m_model, this);
    connect(m_changes, &UnsavedChanges::tableChanged, &m_writeTimer,
            qOverload<>(&QTimer::start)); // every change starts the wait afresh
    connect(m_changes, &UnsavedChanges::unsavedChanged, this, &RecoveryKeeper::showUnsaved);
    showUnsaved(false);
    if (m_folder.isEmpty())
        return;
    // A recovery file at start-up was left by a session that did not end
    // cleanly. This session's own file must not replace it before it is
    // restored; of two such files the newer one is kept.
    if (QFileInfo::exists(recoveryPath())) {
        QFile::remove(earlierPath());
        QFile::rename(recoveryPath(), earlierPath());
    }
    const QFileInfo earlier(earlierPath());
    if (!earlier.exists())
        return;
    QString why;
    if (!readRecovery(earlier.filePath(), &why))
        return m_statusBar->showMessage(
            texts::couldNotRestore(QDir::toNativeSeparators(earlier.filePath()), why));
    m_restoreAction->setEnabled(true);
    m_statusBar->showMessage(texts::unsavedCanBeRestored(earlier.lastModified()));
    emit keptWorkOffered(earlier.lastModified());
}

void RecoveryKeeper::restore() {
    const QFileInfo earlier(earlierPath());
    QString why;
    const std::optional<RecoveredTable> table =
        earlier.exists() ? readRecovery(earlier.filePath(), &why) : std::nullopt;
    if (!table) {
        m_restoreAction->setEnabled(earlier.exists());
        if (!earlier.exists())
            emit keptWorkSettled();
        return m_statusBar->showMessage(
            texts::couldNotRestore(QDir::toNativeSeparators(earlier.filePath()),
                                   why.isEmpty() ? QStringLiteral("it is no longer there") : why));
    }
    const QDateTime written = earlier.lastModified();
    const EditHistory::Scope step(m_history, texts::StepRestore);
    emit obdModeRequested(table->obdMode);
    ApplyRecovery(*m_model, *table);
    // The channels are in the table now, and this session keeps them from here on.
    QFile::remove(earlier.filePath());
    m_restoreAction->setEnabled(false);
    m_statusBar->showMessage(texts::restoredUnsaved(written));
    emit keptWorkSettled();
}

void RecoveryKeeper::discard() {
    const QFileInfo earlier(earlierPath());
    const QDateTime written = earlier.lastModified();
    if (earlier.exists() && !QFile::remove(earlier.filePath()))
        return m_statusBar->showMessage(
            texts::couldNotRestore(QDir::toNativeSeparators(earlier.filePath()),
                                   QStringLiteral("it could not be deleted")));
    m_restoreAction->setEnabled(false);
    if (written.isValid())
        m_statusBar->showMessage(texts::discardedUnsaved(written));
    emit keptWorkSettled();
}

void RecoveryKeeper::markSaved() {
    if (m_changes)
        m_changes->markSaved();
    m_writeTimer.stop();
    if (!m_folder.isEmpty())
        QFile::remove(recoveryPath());
}

void RecoveryKeeper::keepNow() {
    if (m_folder.isEmpty())
        return;
    if (!unsaved()) { // the changes were taken back by hand
        QFile::remove(recoveryPath());
        return;
    }
    QString error;
    if (!QDir().mkpath(m_folder) ||
        !WriteFileSafely(recoveryPath(), SerializeRecovery(*m_model), &error))
        m_statusBar->showMessage(texts::couldNotWriteRecovery(
            error.isEmpty() ? QDir::toNativeSeparators(m_folder) : error));
}

void RecoveryKeeper::showUnsaved(bool unsaved) {
    m_indicator->setText(unsaved ? texts::Unsaved : texts::NothingUnsaved);
    m_indicator->setAccessibleName(m_indicator->text());
}

bool RecoveryKeeper::eventFilter(QObject* watched, QEvent* event) {
    // Exit asks nothing, so unsaved channels are kept for the next start as
    // after a crash, without waiting for the timer; with nothing unsaved the
    // file goes.
    if (watched == m_window && event->type() == QEvent::Close && !m_folder.isEmpty()) {
        emit closing(); // the open text box's text is part of the table too
        m_writeTimer.stop();
        keepNow();
    }
    return false;
}

} // namespace cac::app
