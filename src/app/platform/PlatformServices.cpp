#include "app/platform/PlatformServices.h"

#include "app/platform/FlasherStart.h"
#include "app/platform/SerialPortDevices.h"
#include "catalogue/VariableCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStringList>

namespace cac::app {
namespace {

class QtProcessLauncher final : public ProcessLauncher {
public:
    QString startDetached(const QString& commandLine,
                          const FlasherInvocation& invocation) override {
#ifdef Q_OS_WIN
        const bool windowsHost = true;
#else
        const bool windowsHost = false;
#endif
        const FlasherStart start =
            PlanFlasherStart(invocation, qEnvironmentVariable("PATH"), windowsHost);
        if (!start.problem.isEmpty())
            return start.problem;
        return m_process.start(start, commandLine);
    }
    StartedProgram lastStarted() override {
        return m_process.lastStarted();
    }

private:
    FlasherProcess m_process;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void showMessage(QWidget* parent, const QString& text) override {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), shown, QMessageBox::Ok, parent);
        // A message box sizes itself to its text only; a short text would cut
        // the title. Room for the title and the title bar's buttons.
        const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        box.exec();
    }
};

class QtFileDialogs final : public FileDialogs {
public:
    QString saveFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, title, QString(), filter);
    }
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }
    QString saveFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder, QString* chosenFilter) override {
        QFileDialog dialog(parent, title, folder, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The dialog adds the suffix itself, so that it asks about the file
        // that will really be written.
        dialog.setDefaultSuffix(FilterSuffix(dialog.selectedNameFilter()));
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        if (chosenFilter)
            *chosenFilter = dialog.selectedNameFilter();
        return dialog.selectedFiles().constFirst();
    }
    QString openFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) override {
        return QFileDialog::getOpenFileName(parent, title, folder, filter);
    }
};

class QtAppFolders final : public AppFolders {
public:
    QString userCataloguePath() const override { return DefaultCataloguePath(); }
    QString applicationFolder() const override {
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    }
};

// The blank-separated patterns inside the trailing "(...)" of a filter name.
QStringList NamedPatterns(const QString& name) {
    const QString trimmed = name.trimmed();
    const qsizetype open = trimmed.lastIndexOf(QLatin1Char('('));
    if (!trimmed.endsWith(QLatin1Char(')')) || open < 0)
        return {};
    return trimmed.mid(open + 1, trimmed.size() - open - 2)
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

PlatformServices RealPlatformServices() {
    PlatformServices services;
    services.ports = std::make_unique<DeviceSerialPortProbe>(
        WinePrefixFolder(qEnvironmentVariable("WINEPREFIX"), QDir::homePath()));
    services.launcher = std::make_unique<QtProcessLauncher>();
    services.messages = std::make_unique<QtMessageBoxes>();
    services.dialogs = std::make_unique<QtFileDialogs>();
    services.folders = std::make_unique<QtAppFolders>();
    return services;
}

QString ApplicationTitle() {
    return QStringLiteral("CAN Adapter Config");
}

QString QtFileFilter(const QString& pipeFilter) {
    const QStringList pieces = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString& name = pieces.at(i);
        QString patterns = pieces.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (NamedPatterns(name) == patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            filters << name;
        else
            filters << name + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString FilterSuffix(const QString& nameFilter) {
    const QStringList patterns = NamedPatterns(nameFilter);
    if (patterns.isEmpty() || !patterns.first().startsWith(QStringLiteral("*.")))
        return {};
    const QString suffix = patterns.first().mid(2);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

QString WithChosenSuffix(const QString& path, const QString& filter, const QString& chosenFilter) {
    const QString suffix = FilterSuffix(chosenFilter);
    if (path.isEmpty() || suffix.isEmpty())
        return path;
    for (const QString& type : filter.split(QStringLiteral(";;"))) {
        const QString known = FilterSuffix(type);
        if (!known.isEmpty() && path.endsWith(QLatin1Char('.') + known, Qt::CaseInsensitive))
            return path;
    }
    return path + QLatin1Char('.') + suffix;
}

} // namespace cac::app
