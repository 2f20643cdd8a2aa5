// The window as the desktop meets it: files handed on the command line or
// dropped, typed work kept across a killed process, and what a screen reader
// speaks for the controls and cells.
#include "FakePlatform.h"
#include "Fixtures.h"

#include "app/desktop/DesktopTexts.h"
#include "app/editing/EditTexts.h"
#include "app/grid/ChannelGridEditor.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "configfile/RecoveryFile.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace cac;
using namespace cac::app;

namespace {

const QString EngineDemo = QStringLiteral(CAC_EXAMPLES_DIR "/engine-demo.ccf");
const QString DemoDbc = QStringLiteral(CAC_EXAMPLES_DIR "/demo-vehicle.dbc");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window after start-up, with the demo catalogue and `dataFolder` as the
// folder of the user's catalogue, where unsaved channels are kept.
struct Started {
    QTemporaryDir dir;
    testing::FakePlatform fake;
    std::unique_ptr<MainForm> window;

    explicit Started(const QString& dataFolder = {}) {
        const QString appFolder = dir.filePath("app");
        QDir().mkpath(appFolder);
        QFile::copy(CAC_DEMO_CATALOGUE, appFolder + '/' + DemoCatalogueFileName);
        fake.ports->openable = {1};
        fake.folders->appFolder = appFolder;
        fake.folders->catalogue =
            (dataFolder.isEmpty() ? dir.filePath("data") : dataFolder) + "/Vars.cfg";
        window = std::make_unique<MainForm>(fake.services());
        window->startUp();
    }
    template <typename T> T* get(const QString& name) const {
        T* found = window->findChild<T*>(name);
        Q_ASSERT_X(found, "findChild", qPrintable(name));
        return found;
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    QString indicator() const { return get<QLabel>(names::UnsavedIndicator)->text(); }
    QByteArray saved() {
        fake.dialogs->answer = dir.filePath("saved.ccf");
        get<QAction>(names::MenuSave)->trigger();
        return readAll(fake.dialogs->answer);
    }
    void trigger(const QString& action) { get<QAction>(action)->trigger(); }
};

// The Intel HEX image of the demo configuration, as the program writes it.
QString writeDemoImage(const QString& path) {
    ConfigModel model;
    const CatalogueLoad catalogue = LoadVariableDefinitions(CAC_DEMO_CATALOGUE);
    model.setVariableList(catalogue.variableList);
    if (!LoadCcfFile(model, EngineDemo) ||
        !WriteIntelHex(BuildConfigImage(model, catalogue.catalogue), path))
        return {};
    return path;
}

// The real program with a home of its own, where a pseudo-terminal stands in
// for serial port COM1 so that start-up shows no message and goes on.
struct RealProgram {
    QTemporaryDir home;
    int pty = ::posix_openpt(O_RDWR | O_NOCTTY);
    QProcess process;
    QString dataFolder = home.filePath(".local/share/Vorlane");
    QString recovery = dataFolder + '/' + RecoveryFileName;

    RealProgram() {
        const QString wine = home.filePath("wine");
        QDir().mkpath(wine + "/dosdevices");
        if (pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0)
            QFile::link(QString::fromLocal8Bit(::ptsname(pty)), wine + "/dosdevices/com1");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.remove("XDG_DATA_HOME");
        env.insert("WINEPREFIX", wine);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
    }
    ~RealProgram() {
        process.kill();
        process.waitForFinished();
        ::close(pty);
    }
    bool start(const QStringList& arguments, const QString& display = {}) {
        if (!display.isEmpty()) {
            QProcessEnvironment env = process.processEnvironment();
            env.insert("QT_QPA_PLATFORM", "xcb");
            env.insert("DISPLAY", display);
            process.setProcessEnvironment(env);
        }
        process.start(CAC_GUI, arguments);
        return process.waitForStarted();
    }
};

// An X display of the test's own with a window manager, whose keys xdotool
// presses as a user would: the real window's way out, the title bar's Close
// (Alt+F4 asks the window manager for it) included.
struct XDisplay {
    QProcess server, manager;
    QString name;

    static bool available() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return false;
        return true;
    }
    XDisplay() {
        server.start("Xvfb",
                     {"-displayfd", "1", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
        while (server.waitForReadyRead(10000) && !server.canReadLine()) {
        }
        const QByteArray number = server.readLine().trimmed();
        if (number.isEmpty())
            return;
        name = ':' + QString::fromLatin1(number);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name);
        manager.setProcessEnvironment(env);
        manager.start("openbox", {});
    }
    ~XDisplay() {
        for (QProcess* p : {&manager, &server}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
        }
    }
    // Whether the window manager runs and manages the display, within 30 s.
    bool managing() {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (manager.state() == QProcess::NotRunning)
                manager.start("openbox", {});
            if (xdotool({"get_num_desktops"}))
                return true;
            QTest::qWait(200);
        }
        return false;
    }
    // Runs xdotool; false when it failed or did not end within a minute.
    bool xdotool(const QStringList& arguments) const {
        QProcess tool;
        tool.setProcessEnvironment(manager.processEnvironment());
        tool.start("xdotool", arguments);
        if (tool.waitForFinished(60000))
            return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
        tool.kill();
        tool.waitForFinished();
        return false;
    }
};

QString accessibleName(QAccessibleInterface* item) {
    return item ? item->text(QAccessible::Name) : QStringLiteral("<none>");
}

QAccessibleInterface* cellOf(QWidget* view, int row, int column) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
    return table && table->tableInterface() ? table->tableInterface()->cellAt(row, column)
                                            : nullptr;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    // The real program, killed while the table holds what it loaded from an
    // image and never saved, leaves a recovery file; the next start offers
    // it, restores it, and saves the very bytes the first window held.
    void killedWindowLeavesItsWorkBehind() {
        RealProgram program;
        QVERIFY(program.pty >= 0);
        // No extension: what it is follows from its first bytes.
        const QString image = writeDemoImage(program.home.filePath("engine image"));
        QVERIFY(!image.isEmpty());
        QVERIFY(program.start({image}));
        const QString dataFolder = program.dataFolder;
        const QString recovery = program.recovery;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recovery), 30000);
        program.process.kill(); // SIGKILL: nothing of a clean exit runs
        QVERIFY(program.process.waitForFinished());

        Started next(dataFolder);
        const QString earlier = dataFolder + '/' + EarlierRecoveryFileName;
        QVERIFY(!QFileInfo::exists(recovery));
        QCOMPARE(next.status(), texts::unsavedCanBeRestored(QFileInfo(earlier).lastModified()));
        QVERIFY(next.status().startsWith("Unsaved channels from "));
        QCOMPARE(next.indicator(), texts::NothingUnsaved);
        QVERIFY(next.get<QAction>(names::MenuRestoreUnsaved)->isEnabled());
        // The bar across the top says so too, until Restore is pressed on it.
        auto* bar = next.get<QWidget>(names::RestoreBar);
        QVERIFY(bar->isVisible());
        QCOMPARE(
            next.get<QLabel>(names::RestoreBarText)->text(),
            texts::keptChannels(QFileInfo(earlier).lastModified(), QDateTime::currentDateTime()));
        QVERIFY(bar->mapTo(next.window.get(), QPoint()).y() <
                next.get<QWidget>(names::Tabs)->mapTo(next.window.get(), QPoint()).y());
        const QByteArray startUp = SerializeCcf(*next.window->model());
        QTest::mouseClick(next.get<QPushButton>(names::RestoreKept), Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        QVERIFY(!QFileInfo::exists(earlier));
        QVERIFY(!next.get<QAction>(names::MenuRestoreUnsaved)->isEnabled());
        QTRY_COMPARE(next.indicator(), texts::Unsaved);
        const QByteArray restored = SerializeCcf(*next.window->model());
        QCOMPARE(next.get<QAction>(names::MenuUndo)->text(), "&Undo " + texts::StepRestore);
        next.trigger(names::MenuUndo); // the restore is one step
        QCOMPARE(SerializeCcf(*next.window->model()), startUp);
        next.trigger(names::MenuRedo);
        QCOMPARE(SerializeCcf(*next.window->model()), restored);

        // The same image loaded by hand in a window of its own.
        Started reference;
        reference.fake.dialogs->answer = image;
        reference.trigger(names::MenuLoadImage);
        const QByteArray expected = reference.saved();
        QVERIFY(expected.contains("|"));
        QCOMPARE(next.saved(), expected);
        QTRY_COMPARE(next.indicator(), texts::NothingUnsaved);
        QVERIFY(!QFileInfo::exists(recovery));
    }

    // Exit and the title bar's Close ask nothing, so what is unsaved then,
    // even a text box still open, is kept for the next start at once; with
    // nothing unsaved no file stays. The real program on an X display.
    void exitKeepsUnsavedWork() {
        if (!XDisplay::available())
            QSKIP("needs Xvfb, openbox and xdotool");
        XDisplay x;
        QVERIFY(!x.name.isEmpty());
        const QString caption = "^CAN adapter configuration utility ";
        const struct {
            const char* name;
            QStringList typed;     // on the first setting of channel 1
            bool waitForKeptFile;  // until the few seconds after a change have passed
            QStringList thenTyped; // ends with the way out
            const char* canId;     // what the next start offers; null: nothing
        } rows[] = {
            {"Exit, text box open", {"Right", "Right", "1", "2", "3", "ctrl+q"}, false, {}, "123"},
            {"Exit, hex typed", {"Right", "Right", "a", "b", "ctrl+q"}, false, {}, "ab"},
            {"Close", {"Right", "Right", "4", "5", "Return", "alt+F4"}, false, {}, "45"},
            {"Close, kept before", {"Right", "Right", "6", "Return"}, true, {"7", "alt+F4"}, "7"},
            {"Exit, taken back",
             {"Right", "Right", "8", "Return"},
             true,
             {"ctrl+z", "ctrl+q"},
             nullptr},
            {"Exit, nothing typed", {"ctrl+q"}, false, {}, nullptr},
        };
        // A window mapped while openbox is still starting is never managed
        // nor shown; openbox names its desktops once it manages. One that
        // ended at its start is started again; none at all is this machine's
        // lack, not the program's.
        if (!x.managing())
            QSKIP("openbox did not start managing windows on the test's display");
        for (const auto& row : rows) {
            const RowName name(row.name);
            RealProgram program;
            QVERIFY(program.start({}, x.name));
            // The caption comes at the end of start-up: keys from here on
            // reach the ready window. Activating it fails until the window
            // manager is up.
            QVERIFY2(x.xdotool({"search", "--sync", "--onlyvisible", "--name", caption}),
                     program.process.readAllStandardError().constData());
            QTRY_VERIFY_WITH_TIMEOUT(x.xdotool({"search", "--onlyvisible", "--name", caption,
                                                "windowactivate", "--sync"}),
                                     30000);
            QVERIFY(x.xdotool(QStringList{"key", "--delay", "50"} + row.typed));
            if (row.waitForKeptFile) {
                QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(program.recovery), 30000);
                QVERIFY(x.xdotool(QStringList{"key", "--delay", "50"} + row.thenTyped));
            }
            QVERIFY(program.process.waitForFinished(30000));
            QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(QFileInfo::exists(program.recovery), row.canId != nullptr);

            Started next(program.dataFolder);
            QCOMPARE(next.get<QAction>(names::MenuRestoreUnsaved)->isEnabled(),
                     row.canId != nullptr);
            QCOMPARE(next.fake.messages->texts, QStringList()); // no box on the way
            if (!row.canId)
                continue;
            QVERIFY(next.status().startsWith("Unsaved channels from "));
            next.trigger(names::MenuRestoreUnsaved);
            QCOMPARE(next.window->model()->cell(1, ColCanId), QString(row.canId));
        }
    }

    // A recovery file a few seconds after the last change, none once the
    // change is saved or taken back, none after a clean close; one that is
    // damaged or too large is reported and never applied.
    void recoveryFileFollowsTheTable() {
        QTemporaryDir data;
        {
            Started s(data.path());
            ConfigModel& model = *s.window->model();
            const QString recovery = data.filePath(RecoveryFileName);
            // Each kind of change, then the same taken back by hand: the last
            // channel's last cell, the bit rate, the last priority, OBD mode.
            auto* obd = s.get<QCheckBox>(names::ObdModeCheck);
            const struct {
                std::function<void()> change, takeBack;
            } changes[] = {
                {[&] { model.setCell(15, 12, "0"); }, [&] { model.setCell(15, 12, ""); }},
                {[&] { model.setBaudRateText("33.3 kbit"); },
                 [&] { model.setBaudRateText("500 kbit"); }},
                {[&] { model.setObdPriority(18, "8"); }, [&] { model.setObdPriority(18, "OFF"); }},
                {[&] { obd->setChecked(true); }, [&] { obd->setChecked(false); }},
            };
            for (const auto& step : changes) {
                step.change();
                QTRY_COMPARE(s.indicator(), texts::Unsaved);
                step.takeBack();
                QTRY_COMPARE(s.indicator(), texts::NothingUnsaved);
            }
            QVERIFY(!QFileInfo::exists(recovery));
            changes[0].change();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recovery), 10000);
            const std::optional<RecoveredTable> kept = ParseRecovery(readAll(recovery));
            QVERIFY(kept);
            QCOMPARE(kept->ccf, SerializeCcf(model));
            changes[0].takeBack();
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(recovery), 10000);
            changes[3].change();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recovery), 10000);
            QVERIFY(ParseRecovery(readAll(recovery))->obdMode);
            s.trigger(names::MenuExit); // kept for the next start
            QVERIFY(ParseRecovery(readAll(recovery))->obdMode);
        }
        const QString earlier = data.filePath(EarlierRecoveryFileName);
        const struct {
            const char* name;
            QByteArray bytes;
            const char* reason;
        } damaged[] = {
            {"cut short", SerializeCcf(ConfigModel()).left(40), "fewer than fifteen lines"},
            {"a plain configuration", SerializeCcf(ConfigModel()), "fewer than fifteen lines"},
            {"OBD line misspelt", SerializeCcf(ConfigModel()) + "OBD mode\r\n", "no OBD mode line"},
            {"too large", QByteArray(MaxRecoveryFileSize + 1, '|'), "more than"},
        };
        for (const auto& row : damaged) {
            QFile file(data.filePath(RecoveryFileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(row.bytes);
            file.close();
            Started s(data.path());
            QVERIFY2(s.status().startsWith("Could not restore unsaved channels from ") &&
                         s.status().contains(row.reason),
                     qPrintable(QString(row.name) + ": " + s.status()));
            QVERIFY(!s.get<QAction>(names::MenuRestoreUnsaved)->isEnabled());
            QCOMPARE(s.fake.messages->texts, QStringList());
            QVERIFY(QFile::remove(earlier)); // kept for the user to look at
        }
    }

    // Channels kept by a session that ended without saving them: the bar
    // stays when the program starts with a file (whose "Loaded" line takes
    // the status bar), and Discard deletes them, leaving the table as loaded.
    void restoreBarStaysUntilChosen() {
        QTemporaryDir data;
        const QString earlier = data.filePath(EarlierRecoveryFileName);
        {
            Started s(data.path());
            QVERIFY(!s.get<QWidget>(names::RestoreBar)->isVisible());
            s.window->model()->setCell(ChannelCount, ColExponent, "0");
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data.filePath(RecoveryFileName)), 10000);
            s.trigger(names::MenuExit); // kept for the next start
        }
        Started next(data.path());
        next.window->openFile(EngineDemo); // as the program's argument
        QVERIFY(next.status().startsWith("Loaded "));
        auto* bar = next.get<QWidget>(names::RestoreBar);
        QVERIFY(bar->isVisible());
        const QByteArray loaded = SerializeCcf(*next.window->model());
        QTest::mouseClick(next.get<QPushButton>(names::DiscardKept), Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        QVERIFY(!QFileInfo::exists(earlier));
        QVERIFY(!next.get<QAction>(names::MenuRestoreUnsaved)->isEnabled());
        QVERIFY(next.status().startsWith("Discarded the unsaved channels from "));
        QCOMPARE(SerializeCcf(*next.window->model()), loaded);
        QCOMPARE(next.fake.messages->texts, QStringList());
        // Nothing waits at the next start.
        Started after(data.path());
        QVERIFY(!after.get<QWidget>(names::RestoreBar)->isVisible());
    }

    // A handed file opens as its kind does from the menus; what cannot be
    // opened is a status-bar line, never a message box, and changes nothing.
    void opensHandedFiles() {
        QTemporaryDir dir;
        const QByteArray demo = readAll(EngineDemo);
        QFile::copy(EngineDemo, dir.filePath("demo"));
        const QString image = writeDemoImage(dir.filePath("demo.hex"));
        QFile text(dir.filePath("notes.ccf.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("hello\n") == 6);
        text.close();

        enum Result { Loaded, FromImage, Dialog, Refused };
        const struct {
            QString path;
            Result result;
            const char* status;
        } rows[] = {
            {EngineDemo, Loaded, "Loaded "},
            {dir.filePath("demo"), Loaded, "Loaded "},
            {image, FromImage, "Loaded the configuration of the image "},
            {DemoDbc, Dialog, ""},
            {dir.filePath("missing.ccf"), Refused, "Could not open "},
            {dir.path(), Refused, "Could not open "},
            {text.fileName(), Refused, "Could not open "},
        };
        for (const auto& row : rows) {
            const RowName name(row.path);
            Started s;
            const QByteArray before = SerializeCcf(*s.window->model());
            s.window->openFile(row.path);
            QVERIFY2(s.status().startsWith(QLatin1String(row.status)) || !*row.status,
                     qPrintable(s.status()));
            auto* dialog = s.window->findChild<QDialog*>(names::DbcDialog);
            QCOMPARE(dialog != nullptr, row.result == Dialog);
            if (dialog)
                dialog->reject();
            const QByteArray after = SerializeCcf(*s.window->model());
            if (row.result == Loaded)
                QCOMPARE(after, demo);
            else if (row.result == FromImage)
                QVERIFY(after != before && after.startsWith(demo.left(demo.indexOf('|'))));
            else
                QCOMPARE(after, before);
            QCoreApplication::processEvents();
            QCOMPARE(s.indicator(),
                     row.result == FromImage ? texts::Unsaved : texts::NothingUnsaved);
            QCOMPARE(s.fake.messages->texts, QStringList());
        }
    }

    // A drag is welcome with one local file of a kind the window opens; the
    // drop opens it as the command line does.
    void opensDroppedFiles() {
        QTemporaryDir dir;
        QFile text(dir.filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("hello\n") == 6);
        text.close();
        const QUrl demo = QUrl::fromLocalFile(EngineDemo);
        const struct {
            const char* name;
            QList<QUrl> urls;
            bool accepted;
        } rows[] = {
            {"configuration", {demo}, true},
            {"database", {QUrl::fromLocalFile(DemoDbc)}, true},
            {"text", {QUrl::fromLocalFile(text.fileName())}, false},
            {"missing", {QUrl::fromLocalFile(dir.filePath("gone.ccf"))}, false},
            {"remote", {QUrl("https://example.org/engine-demo.ccf")}, false},
            {"two files", {demo, demo}, false},
            {"none", {}, false},
        };
        Started s;
        for (const auto& row : rows) {
            const RowName name(row.name);
            QMimeData data;
            data.setUrls(row.urls);
            QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(s.window.get(), &enter);
            QCOMPARE(enter.isAccepted(), row.accepted);
        }
        QMimeData data;
        data.setUrls({demo});
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s.window.get(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(SerializeCcf(*s.window->model()), readAll(EngineDemo));
        QVERIFY(s.status().startsWith("Loaded "));
        QCOMPARE(s.get<QAction>(names::MenuUndo)->text(), "&Undo " + texts::StepLoad);
    }

    // What a screen reader speaks: each cell with its channel, column and
    // text, each column title on one line, each OBD priority with its
    // parameter, each finding as its line with its severity, each editor its cell, and
    // a name for every control that takes the keyboard.
    void accessibleNames() {
        Started s;
        s.window->activateWindow();
        ConfigModel& model = *s.window->model();
        QVERIFY(LoadCcfFile(model, CAC_EXAMPLES_DIR "/checks-demo.ccf")); // findings to read
        model.setCell(3, 6, "16");
        model.setCell(15, 12, "0");
        model.setCell(1, 1, "");
        model.setCell(1, 3, "0x800");
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        const struct {
            int row, column;
            const char* name;
        } cells[] = {
            {3, 6, "Channel 3, Start bit: 16"},
            {1, 1, "Channel 1, VL message: empty"},
            {1, 3, "Channel 1, CAN ID: 0x800"},
            {15, 12, "Channel 15, Exponent: 0"},
        };
        for (const auto& cell : cells)
            QCOMPARE(accessibleName(cellOf(grid, cell.row - 1, cell.column - 1)),
                     QString(cell.name));
        QAccessibleInterface* startBit = cellOf(grid, 0, 5);
        QVERIFY(startBit && startBit->tableCellInterface());
        const QList<QAccessibleInterface*> titles =
            startBit->tableCellInterface()->columnHeaderCells();
        QVERIFY(!titles.isEmpty());
        QCOMPARE(accessibleName(titles.first()), QString("Start bit"));
        QCOMPARE(
            accessibleName(cellOf(grid, 0, 2)->tableCellInterface()->columnHeaderCells().first()),
            QString("CAN ID (use 0x for Hex)"));
        QCOMPARE(
            accessibleName(cellOf(grid, 14, 0)->tableCellInterface()->rowHeaderCells().first()),
            QString("Channel 15"));

        auto* obd = s.get<QTableView>(names::ObdGrid);
        const QStringList parameters = ObdParameterNames();
        model.setObdPriority(18, "OFF");
        model.setObdPriority(1, "8");
        QCOMPARE(accessibleName(cellOf(obd, 0, 1)), "Priority of " + parameters.first() + ": 8");
        QCOMPARE(accessibleName(cellOf(obd, 17, 1)), "Priority of " + parameters.last() + ": OFF");
        QCOMPARE(accessibleName(cellOf(obd, 17, 0)), parameters.last());

        auto* checks = s.get<QAbstractItemView>(names::ChecksList);
        QTRY_VERIFY(checks->model()->rowCount() > 0);
        for (int row = 0; row < checks->model()->rowCount(); ++row) {
            const QString spoken = accessibleName(cellOf(checks, row, 0));
            QCOMPARE(spoken, checks->model()->index(row, 0).data().toString());
            QVERIFY2(spoken.contains(": error: ") || spoken.contains(": warning: ") ||
                         spoken.contains(": note: "),
                     qPrintable(spoken)); // the mark's meaning is spoken too
        }

        // The editors, as they open on their cells.
        auto* editor = s.window->channelEditor();
        const struct {
            int row, column;
            const char* name;
        } editors[] = {
            {3, 6, "Channel 3, Start bit"},
            {15, 3, "Channel 15, CAN ID"},
            {1, 1, "Channel 1, VL message"},
        };
        for (const auto& cell : editors) {
            editor->showCell({cell.row, cell.column});
            QTest::keyClick(grid, Qt::Key_F2);
            QWidget* open = QApplication::focusWidget();
            for (QWidget* w : grid->viewport()->findChildren<QWidget*>())
                if (w->isVisible() && w->parentWidget() == grid->viewport())
                    open = w;
            QVERIFY(open);
            QCOMPARE(open->accessibleName(), QString(cell.name));
            editor->closeEditors();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        }

        // Every control that takes the keyboard has a name to speak.
        // Both tabs: the CAN tab with OBD mode off, the OBD tab with it on.
        QStringList unnamed;
        for (const bool obdMode : {false, true}) {
            s.get<QCheckBox>(names::ObdModeCheck)->setChecked(obdMode);
            s.get<QTabWidget>(names::Tabs)->setCurrentIndex(obdMode ? 1 : 0);
            for (QWidget* w : s.window->findChildren<QWidget*>()) {
                if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus)
                    continue;
                QAccessibleInterface* item = QAccessible::queryAccessibleInterface(w);
                if (item && item->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << w->metaObject()->className() + QString(" ") + w->objectName();
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_Desktop.moc"
