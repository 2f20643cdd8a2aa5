#include "app/window/FileOperations.h"

#include "app/checks/CheckFindings.h"
#include "app/platform/PlatformServices.h"
#include "app/window/WindowTexts.h"
#include "channels/ConfigModel.h"
#include "checks/Finding.h"
#include "common/SafeFileWrite.h"
#include "configfile/CcfFile.h"
#include "configfile/ImageToCcf.h"
#include "dbc/DbcWriter.h"
#include "image/ConfigImage.h"
#include "output/FlasherCommand.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <QComboBox>
#include <QDir>
#include <QStatusBar>

namespace cac::app {

FileOperations::FileOperations(QWidget* window, ConfigModel* model,
                               const VariableCatalogue& catalogue, CheckFindings* findings,
                               PlatformServices& platform, QComboBox* portList,
                               QStatusBar* statusBar)
    : QObject(window), m_window(window), m_model(model), m_catalogue(catalogue),
      m_findings(findings), m_platform(platform), m_portList(portList), m_statusBar(statusBar) {
    m_flasherWatch.setInterval(200);
    connect(&m_flasherWatch, &QTimer::timeout, this, &FileOperations::watchFlasher);
}

void FileOperations::report(const QString& text) const {
    m_statusBar->showMessage(text);
}

void FileOperations::loadConfiguration() {
    const QString path = m_platform.dialogs->openFileName(m_window, texts::LoadDialogTitle,
                                                          QtFileFilter(texts::CcfFilter));
    if (!path.isEmpty())
        loadConfigurationFrom(path);
}

void FileOperations::loadConfigurationFrom(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    CcfLoadReport applied;
    QString error;
    if (!LoadCcfFile(*m_model, path, &applied, &error))
        return report(texts::couldNotLoad(shown, error));
    report(applied.anythingApplied() ? texts::loaded(shown, KeptColumnsText(applied))
                                     : texts::notAConfiguration(shown));
    emit configurationLoaded();
}

void FileOperations::saveConfiguration() {
    const QString path = m_platform.dialogs->saveFileName(m_window, texts::SaveDialogTitle,
                                                          QtFileFilter(texts::CcfFilter));
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    QString error;
    if (!SaveCcfFile(*m_model, path, &error))
        return report(texts::couldNotSave(shown, error));
    report(texts::saved(shown));
    emit configurationSaved();
}

void FileOperations::loadFromImage() {
    const QString path = m_platform.dialogs->openFileName(m_window, texts::LoadImageTitle,
                                                          QtFileFilter(texts::HexImageFilter));
    if (!path.isEmpty())
        loadImageFrom(path);
}

void FileOperations::loadImageFrom(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    HexFault fault;
    const std::optional<QByteArray> image = LoadIntelHexImage(path, &fault);
    if (!image)
        return report(texts::couldNotLoadImage(shown, fault.line, fault.message));
    const CcfFromImage read = ImageToCcf(*image, m_catalogue, m_model->choiceList(0));
    ApplyCcf(*m_model, read.ccf);
    report(texts::loadedFromImage(shown, read.decoding));
}

void FileOperations::exportCanDatabase() {
    const QString path = m_platform.dialogs->saveFileName(m_window, texts::ExportDbcTitle,
                                                          QtFileFilter(texts::DbcFilter));
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    const DbcExport database = WriteCanDatabase(*m_model, m_catalogue);
    QString error;
    report(WriteFileSafely(path, database.text, &error)
               ? texts::exportedDbc(shown, database.signalCount, database.messageCount,
                                    database.notWritten)
               : texts::couldNotSave(shown, error));
}

QString FileOperations::writeHexFile() const {
    const QString path = m_platform.folders->applicationFolder() + NativeSeparator() + HexFileName;
    QString error;
    if (WriteIntelHex(BuildConfigImage(*m_model, m_catalogue), path, &error))
        return {};
    return error.isEmpty() ? QStringLiteral("write failed") : error;
}

void FileOperations::watchFlasher() {
    const StartedProgram flasher = m_platform.launcher->lastStarted();
    if (flasher.state == StartedProgram::State::Ended && flasher.exitCode != 0)
        report(texts::flasherFailed(flasher.exitCode));
    if (flasher.state != StartedProgram::State::Running ||
        m_sinceFlasherStart.elapsed() > FlasherWatchMs)
        m_flasherWatch.stop(); // beyond that the flasher is busy sending, as it should be
}

void FileOperations::generateHexFile() {
    const QString error = writeHexFile();
    report(error.isEmpty() ? texts::wroteHexFile(m_platform.folders->applicationFolder())
                           : texts::couldNotWriteHexFile(error));
}

void FileOperations::sendConfiguration() {
    // A failed write does not stop the start, as no step of a send stops
    // the next one; the report then says both.
    const QString writeError = writeHexFile();
    const QString port = m_portList->currentText();
    const QString folder = m_platform.folders->applicationFolder();
    ProcessLauncher& launcher = *m_platform.launcher;
    const bool earlierRunning = launcher.lastStarted().state == StartedProgram::State::Running;
    m_flasherWatch.stop();
    const QString startError =
        launcher.startDetached(FlasherCommandLine(folder, port, NativeSeparator()),
                               FlasherInvocationFor(folder, port, NativeSeparator()));
    QString text = startError;
    if (startError.isEmpty()) {
        // The count the checks panel shows, for the configuration just written.
        text = texts::sentReport(PortNumberText(port),
                                 CountFindings(m_findings->current(), Severity::Error),
                                 earlierRunning);
        m_sinceFlasherStart.start();
        m_flasherWatch.start();
    }
    if (!writeError.isEmpty())
        text = texts::couldNotWriteHexFile(writeError) + QStringLiteral("; ") + text;
    report(text);
}

} // namespace cac::app
