#pragma once
// The real window driven as a user drives it: keys go to the focused window,
// clicks to the cell's spot in the grid or its headers, list entries are
// clicked inside the open drop-down. Shared by the window's test suites.

#include "FakePlatform.h"
#include "VarsFileWriter.h"
#include "app/dbcimport/DbcImportDialog.h"
#include "app/grid/CellListEditor.h"
#include "app/grid/CellListPopup.h"
#include "app/grid/CellTextBox.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "catalogue/CataloguePath.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <sys/stat.h>

#include <memory>

namespace cac::testing {

enum class Catalogue { User, Demo, UserAndDemo, None, Large, Fifo };

inline void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QGuiApplication::focusWindow(), k, modifiers);
}
inline void type(const QString& text) {
    for (QChar ch : text)
        QTest::keyClick(QGuiApplication::focusWindow(), ch.toLatin1());
}
// Replaces the open text box's text and presses Enter.
inline void retype(const QString& text) {
    QTest::keySequence(QGuiApplication::focusWindow(), QKeySequence::SelectAll);
    type(text);
    key(Qt::Key_Return);
}
// A command of the Tools menu, by its underlined letter.
inline void toolsCommand(Qt::Key letter) {
    key(Qt::Key_T, Qt::AltModifier);
    key(letter);
}
// Types into the import dialog's search field, which has the focus, and
// ticks the first signal found.
inline void tickFirstFound(const QString& search) {
    type(search);
    key(Qt::Key_Down);
    key(Qt::Key_Space);
}
// The tool tip of the spot where the pointer rests.
inline QString toolTipAt(QWidget* surface, QPoint at) {
    QHelpEvent rest(QEvent::ToolTip, at, surface->mapToGlobal(at));
    QCoreApplication::sendEvent(surface, &rest);
    return QToolTip::text();
}

// A window started with stand-in platform services. The user's catalogue
// lists two variables (or 4050 with Large); the application folder's path
// holds a blank.
struct Started {
    QTemporaryDir dir;
    testing::FakePlatform fake;
    std::unique_ptr<app::MainForm> window;
    QString appFolder = dir.filePath(QStringLiteral("my tools"));

    explicit Started(QSet<int> ports = {2, 5}, Catalogue catalogue = Catalogue::User) {
        QDir().mkpath(appFolder);
        fake.ports->openable = ports;
        fake.folders->catalogue = dir.filePath(QStringLiteral("Vars.cfg"));
        fake.folders->appFolder = appFolder;
        tools::VarsFileLayout varsFile;
        varsFile.upperIndexB = 8000;
        varsFile.entries = {{1000, {"OILT", "Oil temp"}}, {1500, {"RPM", "Engine speed"}}};
        for (int id = 1000; catalogue == Catalogue::Large && id <= 8000; ++id)
            varsFile.entries[id] = {QStringLiteral("VAR%1").arg(id),
                                    QStringLiteral("Var %1").arg(id)};
        if (catalogue == Catalogue::Fifo) // a pipe that nobody writes to
            QCOMPARE(::mkfifo(QFile::encodeName(fake.folders->catalogue).constData(), 0600), 0);
        else if (catalogue != Catalogue::Demo && catalogue != Catalogue::None) {
            QFile file(fake.folders->catalogue);
            file.open(QIODevice::WriteOnly);
            file.write(tools::WriteVarsFile(varsFile));
        }
        if (catalogue == Catalogue::Demo || catalogue == Catalogue::UserAndDemo)
            QFile::copy(CAC_DEMO_CATALOGUE, appFolder + "/" + DemoCatalogueFileName);
        window = std::make_unique<app::MainForm>(fake.services());
        window->startUp();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename T> T* get(const QString& name) const {
        T* widget = window->findChild<T*>(name);
        Q_ASSERT_X(widget, "findChild", qPrintable(name));
        return widget;
    }
    app::CellListEditor* list(int k) const {
        return get<app::CellListEditor>(app::names::combo(k));
    }
    app::CellTextBox* textBox() const { return get<app::CellTextBox>(app::names::TextBox); }
    QString cell(int r, int c) const { return window->model()->cell(r, c); }
    QString equation() const { return get<QLabel>(app::names::EquationLabel)->text(); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QWidget* openEditor() const {
        if (textBox()->isVisible())
            return textBox();
        for (auto* editor : window->findChildren<app::CellListEditor*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    // Clicks cell (r, c) of a grid, where row 0 and the channel numbers are
    // the header views. With `hold`, the button stays down longer than a
    // double click lasts.
    void click(const QString& gridName, int r, int c, bool hold = false) const {
        auto* grid = get<QTableView>(gridName);
        const int first = gridName == app::names::ChannelGrid ? 1 : 0;
        if (r > 0) // a short window scrolls the grid, as the user would
            grid->scrollTo(grid->model()->index(r - 1, std::max(c - first, 0)));
        QWidget* surface = grid->viewport();
        QPoint pos = grid->visualRect(grid->model()->index(r - 1, c - first)).center();
        if (r == 0) {
            surface = grid->horizontalHeader()->viewport();
            pos = {grid->horizontalHeader()->sectionViewportPosition(c - first) + 5, 5};
        } else if (c == 0 && first == 1) {
            surface = grid->verticalHeader()->viewport();
            pos = {5, grid->verticalHeader()->sectionViewportPosition(r - 1) + 5};
        }
        QTest::mousePress(surface, Qt::LeftButton, {}, pos);
        if (hold)
            QTest::qWait(QApplication::doubleClickInterval() + 100);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, pos);
        QCoreApplication::processEvents();
    }
    void click(int r, int c) const { click(app::names::ChannelGrid, r, c); }
    // File > Load, `path` picked in the file dialog.
    void load(const QString& path) const {
        fake.dialogs->answer = path;
        key(Qt::Key_O, Qt::ControlModifier);
    }
    // Tools > Import from CAN database, `path` picked: the dialog, once it has the keys.
    QPointer<app::DbcImportDialog> importDialog(const QString& path) const {
        fake.dialogs->answer = path;
        key(Qt::Key_I, Qt::ControlModifier);
        QPointer dialog = window->findChild<app::DbcImportDialog*>(app::names::DbcDialog);
        return dialog && QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }
};

// Clicks the entry inside the open drop-down of the list, which then closes itself.
inline void clickEntry(app::CellListEditor* list, const QString& entry) {
    QVERIFY2(list->isPopupShown(), qPrintable(list->objectName()));
    QListView* view = list->popup()->view();
    const QModelIndexList hits =
        view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, entry, 1,
                             Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(!hits.isEmpty(), qPrintable(entry));
    view->scrollTo(hits.first());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(hits.first()).center());
    QVERIFY(!list->isPopupShown());
}

#ifdef CAC_EXAMPLE_DBC
inline QString ExampleFile(const QString& name) {
    return QFileInfo(CAC_EXAMPLE_DBC).dir().filePath(name);
}
#endif

} // namespace cac::testing
