#include "app/dbcimport/DbcImporter.h"

#include "app/dbcimport/DbcImportDialog.h"
#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/platform/PlatformServices.h"
#include "app/window/WindowTexts.h"
#include "dbc/ChannelFill.h"

#include <QFileInfo>
#include <QStatusBar>

namespace cac::app {

DbcImporter::DbcImporter(QWidget* window, ConfigModel* model, const VariableCatalogue& catalogue,
                         FileDialogs* dialogs, QStatusBar* statusBar, EditHistory* history)
    : QObject(window), m_window(window), m_model(model), m_catalogue(catalogue), m_dialogs(dialogs),
      m_statusBar(statusBar), m_history(history) {}

void DbcImporter::run() {
    const QString path =
        m_dialogs->openFileName(m_window, texts::DbcOpenTitle, QtFileFilter(texts::DbcFilter));
    if (!path.isEmpty())
        runWith(path);
}

void DbcImporter::runWith(const QString& path) {
    // A new dialog each time: nothing of an earlier import is carried over.
    auto* dialog = new DbcImportDialog(path, *m_model, m_catalogue, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog, name = QFileInfo(path).fileName()] { fill(dialog->plan(), name); });
    // The keys go back to the window, also where no window manager hands them back.
    connect(dialog, &QDialog::finished, m_window, &QWidget::activateWindow);
    dialog->open();
}

void DbcImporter::fill(const QList<ChannelImport>& plan, const QString& fileName) {
    if (plan.isEmpty())
        return;
    QStringList filled;
    const EditHistory::Scope step(m_history, texts::StepDbcFill);
    for (const ChannelImport& import : plan) {
        FillChannel(*m_model, import.channel, import.row, import.variableEntry);
        filled << texts::filledChannel(import.channel, import.signalPath);
    }
    m_statusBar->showMessage(texts::filledChannels(fileName, filled));
    emit equationRequested(plan.first().channel);
}

} // namespace cac::app
