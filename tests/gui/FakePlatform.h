#pragma once

#include "app/platform/PlatformServices.h"

#include <QMap>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <memory>

// Stand-ins for the platform seams. Each records what the window asked of it;
// the window owns them, the test reads them through FakePlatform's pointers.
namespace cac::testing {

struct FakePorts final : app::SerialPortProbe {
    QSet<int> openable;
    QList<int> probed;
    QMap<int, QString> devices; // the device behind a port, where not a made-up one
    bool canOpen(int port) override {
        probed << port;
        return openable.contains(port);
    }
    QString deviceName(int port) const override {
        return devices.value(port, QStringLiteral("/dev/fake%1").arg(port));
    }
};

struct FakeLauncher final : app::ProcessLauncher {
    QStringList commandLines;
    QList<FlasherInvocation> invocations;
    QString failure;             // what the start reports; empty is a successful start
    app::StartedProgram started; // what the program of the last start does, as the test says
    QString startDetached(const QString& commandLine, const FlasherInvocation& call) override {
        commandLines << commandLine;
        invocations << call;
        return failure;
    }
    app::StartedProgram lastStarted() override { return started; }
};

struct FakeMessages final : app::MessageBoxes {
    QStringList texts;
    bool allOverVisibleWindow = true;
    void showMessage(QWidget* parent, const QString& text) override {
        texts << text;
        allOverVisibleWindow = allOverVisibleWindow && parent && parent->isVisible();
    }
};

struct FakeDialogs final : app::FileDialogs {
    QString answer;                       // the name the "user" picks; empty is Cancel
    QList<QPair<QString, QString>> shown; // title and filter of each dialog
    QStringList folders;                  // the folder each dialog opens in
    QString chosenType;                   // the type the "user" picks; empty: the first
    QString saveFileName(QWidget*, const QString& title, const QString& filter) override {
        shown.append({title, filter});
        folders.append(QString());
        return answer;
    }
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return saveFileName(parent, title, filter);
    }
    QString saveFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder, QString* chosenFilter) override {
        saveFileName(parent, title, filter);
        folders.last() = folder;
        if (chosenFilter)
            *chosenFilter =
                chosenType.isEmpty() ? filter.section(QStringLiteral(";;"), 0, 0) : chosenType;
        return answer;
    }
    QString openFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) override {
        return saveFileNameIn(parent, title, filter, folder, nullptr);
    }
};

struct FakeFolders final : app::AppFolders {
    QString catalogue, appFolder;
    QString userCataloguePath() const override { return catalogue; }
    QString applicationFolder() const override { return appFolder; }
};

struct FakePlatform {
    FakePorts* ports = new FakePorts;
    FakeLauncher* launcher = new FakeLauncher;
    FakeMessages* messages = new FakeMessages;
    FakeDialogs* dialogs = new FakeDialogs;
    FakeFolders* folders = new FakeFolders;

    // Hands the stand-ins over to the window, which owns them from then on.
    app::PlatformServices services() const {
        app::PlatformServices s;
        s.ports.reset(ports);
        s.launcher.reset(launcher);
        s.messages.reset(messages);
        s.dialogs.reset(dialogs);
        s.folders.reset(folders);
        return s;
    }
};

} // namespace cac::testing
