#pragma once
// The window as the preview, discovery and live suites start it: the demo
// catalogue in the application folder (the user's is missing), port 1
// openable, engine-demo.ccf loaded through File > Load. A suite derives from
// it beside QObject, starts it in init() and stops it in cleanup().

#include "FakePlatform.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace cac::testing {

class DemoWindow {
protected:
    // Whether start() waits for the window to be active or only shown (a
    // desktop that gives no focus, as under Wine).
    enum class Wait { Active, Exposed };

    void startDemoWindow(Wait wait = Wait::Active) {
        QVERIFY(m_dir.isValid());
        const QString appFolder = m_dir.filePath(QStringLiteral("app"));
        QDir().mkpath(appFolder);
        QFile::remove(appFolder + u'/' + DemoCatalogueFileName);
        QVERIFY(QFile::copy(QStringLiteral(CAC_DEMO_CATALOGUE),
                            appFolder + u'/' + DemoCatalogueFileName));
        m_fake = std::make_unique<FakePlatform>();
        m_fake->ports->openable = {1};
        m_fake->folders->catalogue = m_dir.filePath(QStringLiteral("none/Vars.cfg"));
        m_fake->folders->appFolder = appFolder;
        m_window = std::make_unique<app::MainForm>(m_fake->services());
        m_window->startUp();
        if (wait == Wait::Active) {
            m_window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        } else {
            m_window->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        }
        m_fake->dialogs->answer = QStringLiteral(CAC_EXAMPLES_DIR "/engine-demo.ccf");
        trigger(app::names::MenuLoad);
        QCOMPARE(m_window->model()->cell(1, ColVariable).left(12), QStringLiteral("Engine speed"));
    }

    // The window goes before the platform it uses.
    void stopDemoWindow() {
        m_window.reset();
        m_fake.reset();
    }

    template <typename T> T* get(const QString& name) const {
        auto* widget = m_window->findChild<T*>(name);
        Q_ASSERT_X(widget, "findChild", qPrintable(name));
        return widget;
    }
    void trigger(const QString& actionName) {
        auto* action = m_window->findChild<QAction*>(actionName);
        QVERIFY2(action, qPrintable(actionName));
        action->trigger();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<app::MainForm> m_window;
};

} // namespace cac::testing
