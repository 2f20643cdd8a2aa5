#pragma once

#include "app/PlatformServices.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

#include <memory>

// Stand-ins for the platform seams. Each records what the window asked of it;
// the window owns them, the test keeps plain pointers through FakePlatform.
namespace cac::testing {

class FakePorts final : public app::SerialPortProbe {
public:
    explicit FakePorts(QSet<int> openable) : m_openable(std::move(openable)) {}
    bool canOpen(int portNumber) override {
        probed << portNumber;
        return m_openable.contains(portNumber);
    }
    QList<int> probed;

private:
    QSet<int> m_openable;
};

class FakeLauncher final : public app::ProcessLauncher {
public:
    void startDetached(const QString& commandLine, const FlasherInvocation& invocation) override {
        commandLines << commandLine;
        invocations << invocation;
    }
    QStringList commandLines;
    QList<FlasherInvocation> invocations;
};

struct ShownMessage {
    QString text;
    bool parentVisible = false;
};

class FakeMessages final : public app::MessageBoxes {
public:
    void showMessage(QWidget* parent, const QString& text) override {
        shown.append({text, parent && parent->isVisible()});
    }
    QStringList texts() const {
        QStringList result;
        for (const ShownMessage& message : shown)
            result << message.text;
        return result;
    }
    QList<ShownMessage> shown;
};

struct DialogCall {
    bool save = false;
    QString title;
    QString filter;
};

class FakeDialogs final : public app::FileDialogs {
public:
    QString saveFileName(QWidget*, const QString& title, const QString& filter) override {
        calls.append({true, title, filter});
        return answer;
    }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        calls.append({false, title, filter});
        return answer;
    }
    QString answer; // what the "user" picks; empty means Cancel
    QList<DialogCall> calls;
};

class FakeFolders final : public app::AppFolders {
public:
    FakeFolders(QString catalogue, QString appFolder)
        : m_catalogue(std::move(catalogue)), m_appFolder(std::move(appFolder)) {}
    QString userCataloguePath() const override { return m_catalogue; }
    QString applicationFolder() const override { return m_appFolder; }

private:
    QString m_catalogue;
    QString m_appFolder;
};

struct FakePlatform {
    FakePorts* ports = nullptr;
    FakeLauncher* launcher = nullptr;
    FakeMessages* messages = nullptr;
    FakeDialogs* dialogs = nullptr;

    app::PlatformServices make(QSet<int> openablePorts, const QString& cataloguePath,
                               const QString& appFolder) {
        app::PlatformServices services;
        auto portsOwned = std::make_unique<FakePorts>(std::move(openablePorts));
        auto launcherOwned = std::make_unique<FakeLauncher>();
        auto messagesOwned = std::make_unique<FakeMessages>();
        auto dialogsOwned = std::make_unique<FakeDialogs>();
        ports = portsOwned.get();
        launcher = launcherOwned.get();
        messages = messagesOwned.get();
        dialogs = dialogsOwned.get();
        services.ports = std::move(portsOwned);
        services.launcher = std::move(launcherOwned);
        services.messages = std::move(messagesOwned);
        services.dialogs = std::move(dialogsOwned);
        services.folders = std::make_unique<FakeFolders>(cataloguePath, appFolder);
        return services;
    }
};

} // namespace cac::testing
