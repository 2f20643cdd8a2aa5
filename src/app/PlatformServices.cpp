#include "app/PlatformServices.h"

#include "catalogue/VariableCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSerialPort>
#include <QStringList>

namespace cac::app {
namespace {

class QtSerialPortProbe final : public SerialPortProbe {
public:
    bool canOpen(int portNumber) override {
        QSerialPort port;
        port.setPortName(SerialPortDeviceName(portNumber));
        if (!port.open(QIODevice::ReadWrite))
            return false;
        port.close();
        return true;
    }
    QString deviceName(int portNumber) const override { return SerialPortDeviceName(portNumber); }
};

class QtProcessLauncher final : public ProcessLauncher {
public:
    QString startDetached(const QString& commandLine,
                          const FlasherInvocation& invocation) override {
        QProcess process;
        process.setProgram(invocation.program);
#ifdef Q_OS_WIN
        // Windows gets the command line exactly as built, unquoted.
        process.setCreateProcessArgumentsModifier(
            [commandLine](QProcess::CreateProcessArguments* args) {
                args->arguments = commandLine;
            });
#else
        Q_UNUSED(commandLine);
        process.setArguments(invocation.arguments);
#endif
        if (!process.startDetached())
            return QStringLiteral("Cannot start %1: %2")
                .arg(invocation.program, process.errorString());
        return {};
    }
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void showMessage(QWidget* parent, const QString& text) override {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), shown, QMessageBox::Ok, parent);
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
    services.ports = std::make_unique<QtSerialPortProbe>();
    services.launcher = std::make_unique<QtProcessLauncher>();
    services.messages = std::make_unique<QtMessageBoxes>();
    services.dialogs = std::make_unique<QtFileDialogs>();
    services.folders = std::make_unique<QtAppFolders>();
    return services;
}

QString ApplicationTitle() {
    return QStringLiteral("CAN Adapter Config");
}

QString SerialPortDeviceName(int portNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
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

} // namespace cac::app
