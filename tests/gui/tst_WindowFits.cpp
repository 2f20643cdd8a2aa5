// The window on a laptop's screen: 1366x768 and 1600x1000, at 100 % and
// 150 % (QT_SCALE_FACTOR), in each widget style. Started, and with the CAN
// preview and Find signals opened in every order and closed again, it lies
// inside the screen's available area, title bar and status bar included;
// the two panels share one tab group; every control the user needs can be
// reached; the fields and matches show five rows and every column.
#include "DemoWindow.h"
#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverPanel.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/window/ObjectNames.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QHeaderView>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTableView>

#include <cstdlib>

using namespace cac;

namespace {

enum class Panel { Preview, Discover };

QString example(const QString& name) {
    return QStringLiteral(CAC_EXAMPLES_DIR) + u'/' + name;
}

// The screen, in device pixels, from CAC_SCREEN ("1366x768").
QSize screenSize() {
    const QStringList parts = qEnvironmentVariable("CAC_SCREEN", "1366x768").split(u'x');
    return {parts.value(0).toInt(), parts.value(1).toInt()};
}

// "1180x743 at 0,20"
QString rectText(const QRect& r) {
    return QStringLiteral("%1x%2 at %3,%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

} // namespace

class TestWindowFits : public QObject, testing::DemoWindow {
    Q_OBJECT

    void open(Panel panel) {
        if (panel == Panel::Preview) {
            QSignalSpy refreshed(m_window->previewPanel(), &app::PreviewPanel::refreshed);
            m_fake->dialogs->answer = example(QStringLiteral("discover-demo-obd.log"));
            trigger(app::names::MenuPreviewLog);
            QVERIFY(refreshed.wait(20000));
        } else {
            QSignalSpy analysed(m_window->discoverPanel(), &app::DiscoverPanel::analysed);
            m_fake->dialogs->answer = example(QStringLiteral("discover-demo-obd.log"));
            trigger(app::names::MenuDiscover);
            QVERIFY(analysed.wait(60000));
        }
        QCoreApplication::processEvents();
    }
    QDockWidget* dock(Panel panel) const {
        return panel == Panel::Preview ? static_cast<QDockWidget*>(m_window->previewPanel())
                                       : m_window->discoverPanel();
    }

    // The whole window on the screen's available area.
    void checkInsideScreen(const char* when) {
        QCoreApplication::processEvents();
        const QRect room = m_window->screen()->availableGeometry();
        const QRect outer = m_window->frameGeometry();
        QVERIFY2(
            room.contains(outer),
            qPrintable(
                QStringLiteral("%1: window %2 on %3").arg(when, rectText(outer), rectText(room))));
    }
    // A control lies inside the window, or inside the scroll area that holds
    // it once scrolled to; a list taller than that area fills it.
    void checkReachable(const QString& name) {
        auto* control = get<QWidget>(name);
        QVERIFY2(control->isVisible(), qPrintable(name));
        QScrollArea* area = nullptr;
        for (QWidget* holder = control->parentWidget(); holder && !area;
             holder = holder->parentWidget())
            if (auto* scroller = qobject_cast<QScrollArea*>(holder); scroller && scroller->widget())
                area = scroller;
        // Scrolled to as a user would: again once a scroll bar it brought
        // has taken its room.
        for (int pass = 0; area && pass < 2; ++pass) {
            QCoreApplication::processEvents();
            // Its whole rectangle (a combo box's text cursor is all that
            // ensureWidgetVisible would bring into view).
            const QPoint middle = control->mapTo(area->widget(), control->rect().center());
            area->ensureVisible(middle.x(), middle.y(), control->width() / 2 + 1,
                                control->height() / 2 + 1);
        }
        QCoreApplication::processEvents();
        QRect shown(control->mapTo(m_window.get(), QPoint()), control->size());
        const QRect full = shown;
        for (QWidget* holder = control->parentWidget(); holder != m_window.get();
             holder = holder->parentWidget())
            shown &= QRect(holder->mapTo(m_window.get(), QPoint()), holder->size());
        const bool list = qobject_cast<QAbstractScrollArea*>(control) != nullptr;
        const bool whole = shown == full || (list && area && shown.width() == full.width() &&
                                             shown.height() >= area->viewport()->height() - 1);
        QVERIFY2(
            whole && m_window->rect().contains(shown),
            qPrintable(
                QStringLiteral("%1: %2 shown as %3").arg(name, rectText(full), rectText(shown))));
    }
    // Five rows and every column of a table show without scrolling sideways.
    void checkRows(const QString& name, int rows) {
        auto* table = get<QTableView>(name);
        QVERIFY2(
            table->viewport()->height() >= rows * table->verticalHeader()->defaultSectionSize(),
            qPrintable(QStringLiteral("%1: %2 px").arg(name).arg(table->viewport()->height())));
        QVERIFY2(table->horizontalHeader()->length() <= table->viewport()->width(),
                 qPrintable(QStringLiteral("%1: columns %2 px in %3 px")
                                .arg(name)
                                .arg(table->horizontalHeader()->length())
                                .arg(table->viewport()->width())));
    }

    // Opened below, Find signals shows its identifiers' first rows at once:
    // the part of the list inside the window, before the panel is scrolled.
    void checkFirstRowsShown(int rows) {
        auto* list = get<QTableView>(app::names::DiscoverIdentifiers);
        QRect shown(list->viewport()->mapTo(m_window.get(), QPoint()), list->viewport()->size());
        for (QWidget* holder = list->viewport()->parentWidget(); holder != m_window.get();
             holder = holder->parentWidget())
            shown &= QRect(holder->mapTo(m_window.get(), QPoint()), holder->size());
        QVERIFY2(shown.height() >= rows * list->verticalHeader()->defaultSectionSize(),
                 qPrintable(QStringLiteral("identifiers: %1 px shown").arg(shown.height())));
    }

private slots:
    void init() { startDemoWindow(); }
    void cleanup() { stopDemoWindow(); }

    void startsInsideTheScreen() {
        QCOMPARE(m_window->screen()->size(), screenSize() / m_window->devicePixelRatio());
        checkInsideScreen("started");
        for (const QString& name : {app::names::SendButton, app::names::BaudRateList,
                                    app::names::StatusBar, app::names::ObdModeCheck})
            checkReachable(name);
    }

    void panelsInEveryOrder_data() {
        // P the preview, D Find signals, in the order opened.
        QTest::addColumn<QString>("opened");
        for (const char* opened : {"P", "D", "PD", "DP"})
            QTest::newRow(opened) << QString::fromLatin1(opened);
    }
    void panelsInEveryOrder() {
        QFETCH(QString, opened);
        QList<Panel> order;
        for (QChar c : opened)
            order << (c == u'P' ? Panel::Preview : Panel::Discover);
        const QSize started = m_window->size();
        for (Panel panel : order) {
            open(panel);
            checkInsideScreen(panel == Panel::Preview ? "preview opened" : "discover opened");
            if (panel == Panel::Discover)
                checkFirstRowsShown(2);
        }
        if (order.size() == 2) {
            const QList<QDockWidget*> tabbed = m_window->tabifiedDockWidgets(dock(order.first()));
            QVERIFY(tabbed.contains(dock(order.last())));
        }
        for (Panel panel : order) {
            dock(panel)->raise();
            QCoreApplication::processEvents();
            for (const QString& name :
                 {app::names::SendButton, app::names::BaudRateList, app::names::StatusBar})
                checkReachable(name);
            if (panel == Panel::Discover) {
                for (const QString& name : {app::names::DiscoverReference, app::names::DiscoverUse,
                                            app::names::DiscoverMatches})
                    checkReachable(name);
                checkRows(app::names::DiscoverFields, 5);
                checkRows(app::names::DiscoverMatches, 5);
            }
        }
        // Closed, they give back the room they took.
        for (Panel panel : order)
            dock(panel)->close();
        checkInsideScreen("panels closed");
        QCoreApplication::processEvents();
        QVERIFY2(m_window->height() <= started.height(),
                 qPrintable(QStringLiteral("%1 px tall, started %2")
                                .arg(m_window->height())
                                .arg(started.height())));
    }

    // The import dialog keeps to the screen, its Fill button shown; the
    // row it previews scrolls where the screen is too low for its cells.
    void importDialogInsideTheScreen() {
        m_fake->dialogs->answer = example(QStringLiteral("demo-vehicle.dbc"));
        trigger(app::names::MenuImportDbc);
        auto* dialog = m_window->findChild<QDialog*>(app::names::DbcDialog);
        QVERIFY(dialog && QTest::qWaitForWindowExposed(dialog));
        QCoreApplication::processEvents();
        const QRect room = m_window->screen()->availableGeometry();
        QVERIFY2(room.contains(dialog->frameGeometry()),
                 qPrintable(QStringLiteral("dialog %1 on %2")
                                .arg(rectText(dialog->frameGeometry()), rectText(room))));
        auto* fill = dialog->findChild<QWidget*>(app::names::DbcFill);
        QVERIFY(fill && fill->isVisible());
        QVERIFY(dialog->rect().contains(QRect(fill->mapTo(dialog, QPoint()), fill->size())));
        dialog->reject();
    }
};

// The offscreen platform takes its screen from a file.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QSize screen = screenSize();
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(QStringLiteral(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": %1,)"
                              R"( "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96,)"
                              R"( "dpr": 1}]})")
                   .arg(screen.width())
                   .arg(screen.height())
                   .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestWindowFits test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_WindowFits.moc"
