#include "FakePlatform.h"
#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "app/CataloguePath.h"
#include "app/MainForm.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;
using cac::app::MainForm;

namespace {

const QString Grid = QStringLiteral("MSFlexGrid1");
const QString ObdGrid = QStringLiteral("ObdMsGrid");

enum class Catalogue { User, Demo, UserAndDemo, None };

// A window started with stand-in platform services. The user's catalogue
// lists two variables; the application folder's path holds a blank.
struct Started {
    QTemporaryDir dir;
    testing::FakePlatform fake;
    std::unique_ptr<MainForm> window;
    QString appFolder = dir.filePath(QStringLiteral("my tools"));

    explicit Started(QSet<int> ports = {2, 5}, Catalogue catalogue = Catalogue::User) {
        QDir().mkpath(appFolder);
        fake.ports->openable = ports;
        fake.folders->catalogue = dir.filePath(QStringLiteral("Vars.cfg"));
        fake.folders->appFolder = appFolder;
        if (catalogue == Catalogue::User || catalogue == Catalogue::UserAndDemo) {
            tools::VarsFileLayout varsFile;
            varsFile.upperIndexB = 8000;
            varsFile.entries = {{1000, {"OILT", "Oil temp"}}, {1500, {"RPM", "Engine speed"}}};
            QFile file(fake.folders->catalogue);
            file.open(QIODevice::WriteOnly);
            file.write(tools::WriteVarsFile(varsFile));
        }
        if (catalogue == Catalogue::Demo || catalogue == Catalogue::UserAndDemo)
            QFile::copy(CAC_DEMO_CATALOGUE, appFolder + "/" + app::DemoCatalogueFileName);
        window = std::make_unique<MainForm>(fake.services());
        window->Form_Load();
    }
    template <typename T> T* get(const QString& name) const {
        T* widget = window->findChild<T*>(name);
        Q_ASSERT_X(widget, "findChild", qPrintable(name));
        return widget;
    }
    QComboBox* combo(int k) const { return get<QComboBox>(QStringLiteral("Combo(%1)").arg(k)); }
    QString cell(int r, int c) const { return window->model()->cell(r, c); }
    QString equation() const { return get<QLabel>("EquationLabel")->text(); }
    bool editorShown() const {
        bool shown = get<QLineEdit>("TextBox")->isVisible();
        for (int k = 0; k < ChoiceListCount; ++k)
            shown = shown || combo(k)->isVisible();
        return shown;
    }

    // Presses and releases the mouse on cell (r, c) of a grid; row 0 and, in
    // the channel grid, column 0 are the header views.
    void click(const QString& gridName, int r, int c) const {
        auto* grid = get<QTableView>(gridName);
        const int firstColumn = gridName == Grid ? 1 : 0;
        if (r == 0) {
            QHeaderView* header = grid->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              {header->sectionViewportPosition(c - firstColumn) + 5, 5});
        } else if (c == 0 && firstColumn == 1) {
            QHeaderView* header = grid->verticalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              {5, header->sectionViewportPosition(r - 1) + 5});
        } else {
            const QModelIndex index = grid->model()->index(r - 1, c - firstColumn);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(index).center());
        }
    }
    void click(int r, int c) const { click(Grid, r, c); }
    // Cell (r, c) of a grid, in the coordinates of the editors' parent.
    QRect cellRect(const QString& gridName, int r, int c, QWidget* parent) const {
        auto* grid = get<QTableView>(gridName);
        const QRect rect = grid->visualRect(grid->model()->index(r - 1, c));
        return {grid->viewport()->mapTo(parent, rect.topLeft()), rect.size()};
    }
    void type(const QString& text) const {
        auto* box = get<QLineEdit>("TextBox");
        QTest::keySequence(box, QKeySequence::SelectAll);
        QTest::keyClicks(box, text);
    }
    void typeAndEnter(int r, int c, const QString& text) const {
        click(r, c);
        type(text);
        QTest::keyClick(get<QLineEdit>("TextBox"), Qt::Key_Return);
    }
};

// Opens the list's drop-down, moves to the entry and presses Enter.
void choose(QComboBox* combo, const QString& entry) {
    const int index = combo->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(entry));
    combo->showPopup();
    combo->view()->setCurrentIndex(combo->view()->model()->index(index, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startUpState() {
        Started s;
        QCOMPARE(s.window->windowTitle(), WindowCaption(false));
        QCOMPARE(s.fake.ports->probed.size(), 16);
        auto* ports = s.get<QComboBox>("SelectPort");
        QCOMPARE(ports->count(), 2);
        QCOMPARE(ports->currentText(), "Serial Port 2");
        QCOMPARE(ports->itemText(1), "Serial Port 5");
        QCOMPARE(s.get<QComboBox>("ComCanBaudRate")->currentText(), "500 kbit");
        QVERIFY(!s.get<QTabWidget>("SSTab1")->isTabEnabled(1));
        QVERIFY(s.get<QGroupBox>("FraCanBaud")->isVisible());
        QVERIFY(!s.editorShown());
        QCOMPARE(s.equation(), "n/a");
        QStringList items;
        for (QAction* action : s.get<QMenu>("mnuFile")->actions())
            items << action->objectName();
        QCOMPARE(items, QStringList({"mnuLoad", "mnuSave", "mnuBar", "mnuGenHexFile", "mnuBar2",
                                     "mnuExit"}));
    }
    void startUpMessagesAndCatalogue_data() {
        QTest::addColumn<Catalogue>("catalogue");
        QTest::addColumn<bool>("ports");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("variables"); // entries of Combo(0)
        const QString corrupt = CatalogueCorruptMessage;
        const QString noPorts = QStringLiteral("Cannot open any serial ports!");
        QTest::newRow("user's own") << Catalogue::User << true << QStringList{} << 3;
        QTest::newRow("user's own before demo")
            << Catalogue::UserAndDemo << true << QStringList{} << 3;
        QTest::newRow("demo when user has none") << Catalogue::Demo << true << QStringList{} << 160;
        QTest::newRow("no catalogue") << Catalogue::None << true << QStringList{corrupt} << 1;
        QTest::newRow("no port") << Catalogue::User << false << QStringList{noPorts} << 3;
        QTest::newRow("neither") << Catalogue::None << false << QStringList{corrupt, noPorts} << 1;
    }
    void startUpMessagesAndCatalogue() {
        QFETCH(Catalogue, catalogue);
        QFETCH(bool, ports);
        QFETCH(QStringList, messages);
        QFETCH(int, variables);
        Started s(ports ? QSet<int>{16, 17} : QSet<int>{}, catalogue);
        QCOMPARE(s.fake.messages->texts, messages);
        QVERIFY(s.fake.messages->allOverVisibleWindow);
        QCOMPARE(s.get<QGroupBox>("Frame2")->isVisible(), ports);
        QCOMPARE(s.get<QComboBox>("SelectPort")->count(), ports ? 1 : 0); // 17 is never probed
        QVERIFY(s.combo(0)->count() >= variables && s.combo(0)->count() < 2 * variables);
        QCOMPARE(s.combo(0)->itemText(0), "**Do not use**");
        QCOMPARE(s.window->windowTitle(), WindowCaption(false)); // start-up went on to the end
    }
    void listChoiceFillsDefaults_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("entry");
        QTest::newRow("variable") << 1 << 0 << "Oil temp {OILT}";
        QTest::newRow("id length") << 2 << 1 << "29 bit";
        QTest::newRow("filter loc") << 4 << 6 << "Byte 8";
        QTest::newRow("start bit") << 6 << 2 << "63";
        QTest::newRow("length") << 7 << 3 << "16";
        QTest::newRow("value type") << 8 << 4 << "Float (single)";
        QTest::newRow("byte order") << 9 << 5 << "Motorola backward";
    }
    void listChoiceFillsDefaults() {
        QFETCH(int, column);
        QFETCH(int, list);
        QFETCH(QString, entry);
        Started s;
        s.click(3, column);
        QComboBox* combo = s.combo(list);
        QVERIFY(combo->isVisible());
        QVERIFY(combo->view()->isVisible()); // one click drops the list down
        const QRect cell = s.cellRect(Grid, 3, column - 1, combo->parentWidget());
        QCOMPARE(combo->pos(), cell.topLeft());
        QCOMPARE(combo->width(), cell.width());
        choose(combo, entry);
        QVERIFY(!s.editorShown());
        QStringList row = DefaultRow.split('|');
        row[column - 1] = entry;
        QCOMPARE(RowText(*s.window->model(), 3), row.join('|'));
        QVERIFY(s.cell(2, column).isEmpty() && s.cell(4, column).isEmpty());
        s.click(3, column); // reopening preselects the cell's entry
        QCOMPARE(combo->currentText(), entry);
    }
    void textCells_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("warns");
        QTest::newRow("ABC in CAN ID") << 3 << "ABC" << true;
        QTest::newRow("0x1A0") << 3 << "0x1A0" << false;
        QTest::newRow("ABC as filter value") << 5 << "ABC" << false;
        QTest::newRow("1E3 as scale") << 10 << " 1E3 " << false;
    }
    void textCells() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(bool, warns);
        Started s;
        s.click(7, column);
        auto* box = s.get<QLineEdit>("TextBox");
        QCOMPARE(box->geometry(), s.cellRect(Grid, 7, column - 1, box->parentWidget()));
        s.type(text);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!box->isVisible());
        QStringList row(12); // the typed text as it is, and no defaults
        row[column - 1] = text;
        QCOMPARE(RowText(*s.window->model(), 7), row.join('|'));
        QCOMPARE(s.fake.messages->texts,
                 warns ? QStringList{MainForm::HexWarningText()} : QStringList{});
    }
    void clickWhileEditorOpenOnlyClosesIt() {
        Started s;
        s.click(1, 2);
        s.click(2, 4); // closes the list, writes nothing, opens nothing
        QVERIFY(!s.editorShown());
        QVERIFY(!s.combo(1)->view()->isVisible());
        QCOMPARE(s.window->editRow(), 1);
        QVERIFY(s.cell(1, 2).isEmpty() && s.cell(2, 4).isEmpty());
        s.click(2, 4);
        QVERIFY(s.combo(6)->isVisible());
        s.click(0, 4);

        s.click(1, 3); // the open text box writes into its own cell
        s.type("0x7E8");
        s.click(4, 10);
        QCOMPARE(s.cell(1, 3), "0x7E8");
        QVERIFY(s.cell(4, 10).isEmpty());
    }
    void equationText() {
        Started s;
        s.click(1, 1);
        choose(s.combo(0), "Engine speed {RPM}");
        QVERIFY(s.equation().startsWith("Engine speed {RPM} [RPM] = (CAN INPUT) / 1 + 0 "));
        s.typeAndEnter(1, 10, "0x10");
        QVERIFY(s.equation().contains("/ 1 + 0 ")); // typing alone does not refresh it
        s.typeAndEnter(1, 11, "-5");
        s.click(1, 0);
        QVERIFY(s.equation().contains("/ 16 + -5 "));
        s.click(0, 1);
        QCOMPARE(s.equation(), "n/a");

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // the user's decimal point
        s.typeAndEnter(1, 10, "2,5");
        s.click(1, 0);
        QLocale::setDefault(QLocale::c());
        QVERIFY(s.equation().contains("/ 2,5 + -5 "));
    }
    void obdModeSwitching() {
        Started s;
        auto* check = s.get<QCheckBox>("EnableObdModeCheck");
        auto* tabs = s.get<QTabWidget>("SSTab1");
        QAbstractItemModel* shown = s.get<QTableView>(Grid)->model();
        s.click(15, 1);
        choose(s.combo(0), "Oil temp {OILT}");
        s.click(15, 2); // a list left open is closed by the switch
        check->click();
        QVERIFY(!s.editorShown());
        QCOMPARE(s.window->windowTitle(), WindowCaption(true));
        QVERIFY(tabs->isTabEnabled(1));
        QVERIFY(!s.get<QGroupBox>("FraCanBaud")->isVisible());
        QCOMPARE(s.cell(15, 1), "USED FOR OBD");
        QVERIFY(shown->index(14, 5).data(Qt::BackgroundRole).isValid()); // shaded
        QVERIFY(!shown->index(13, 5).data(Qt::BackgroundRole).isValid());

        s.click(15, 3); // locked: no editor, but the equation follows the click
        QVERIFY(!s.editorShown());
        QCOMPARE(s.window->editRow(), 15);
        QCOMPARE(s.equation(), "n/a");

        tabs->setCurrentIndex(1);
        check->click();
        QCOMPARE(s.window->windowTitle(), WindowCaption(false));
        QVERIFY(!tabs->isTabEnabled(1));
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(s.get<QGroupBox>("FraCanBaud")->isVisible());
        QCOMPARE(s.get<QComboBox>("ComCanBaudRate")->currentText(), "500 kbit");
        QVERIFY(s.cell(15, 1).isEmpty());
        QCOMPARE(s.cell(15, 3), "0x100");
        QVERIFY(!shown->index(14, 5).data(Qt::BackgroundRole).isValid());
    }
    void priorityEditor() {
        Started s;
        s.get<QCheckBox>("EnableObdModeCheck")->click();
        s.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
        auto* list = s.get<QComboBox>("SetPriorityCombo");
        for (auto [r, c] : {std::pair{0, 1}, std::pair{3, 0}}) {
            s.click(ObdGrid, r, c);
            QVERIFY(!list->isVisible());
        }
        s.click(ObdGrid, 3, 1);
        QVERIFY(list->isVisible());
        QCOMPARE(list->pos(), s.cellRect(ObdGrid, 3, 1, list->parentWidget()).topLeft());
        QCOMPARE(list->currentText(), "5");
        s.click(ObdGrid, 5, 1); // only closes
        QVERIFY(!list->isVisible());
        s.click(ObdGrid, 5, 1);
        choose(list, "OFF");
        QVERIFY(!list->isVisible());
        QCOMPARE(s.window->model()->obdPriority(5), "OFF");
        QCOMPARE(s.window->model()->obdPriority(3), "5");

        s.window->model()->setObdPriority(2, "9"); // as a file may hold it
        s.click(ObdGrid, 2, 1);
        QCOMPARE(list->currentText(), "OFF"); // previous selection kept
        QCOMPARE(s.window->model()->obdPriority(2), "9");
    }
    void saveAndLoadThroughMenu() {
        Started a;
        a.click(4, 1);
        choose(a.combo(0), "Engine speed {RPM}");
        a.typeAndEnter(4, 3, "0x7E8");
        choose(a.get<QComboBox>("ComCanBaudRate"), "250 kbit");
        const QString path = a.dir.filePath("typed-without-extension");
        a.fake.dialogs->answer = path;
        a.get<QAction>("mnuSave")->trigger();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = saved.readAll().split('\n');
        QCOMPARE(lines.size(), 15); // 14 lines, each ending in CR LF
        QCOMPARE(lines.at(12), "250 kbit\r");

        Started b;
        b.get<QAction>("mnuLoad")->trigger(); // cancelled: nothing changes
        QVERIFY(b.cell(4, 1).isEmpty());
        b.fake.dialogs->answer = path;
        b.get<QAction>("mnuLoad")->trigger();
        for (int c = 1; c <= 12; ++c)
            QCOMPARE(b.cell(4, c), a.cell(4, c));
        QCOMPARE(b.get<QComboBox>("ComCanBaudRate")->currentText(), "250 kbit");
        QCOMPARE(b.equation(), "n/a"); // loading does not refresh the equation

        const QString filter = "CAN config files(*.ccf );;Show All Files (*.*)";
        QCOMPARE(a.fake.dialogs->shown,
                 (QList<QPair<QString, QString>>{{"Save CAN configuration file", filter}}));
        QCOMPARE(b.fake.dialogs->shown.at(1), qMakePair(QString("Load a CAN config file"), filter));
    }
    void exportAndSend() {
        Started s;
        const QString f = s.appFolder, hex = f + "/TempConfig.hex";
        s.get<QAction>("mnuGenHexFile")->trigger();
        QFile file(hex);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray exported = file.readAll();
        file.close();
        QCOMPARE(exported, IntelHexText(BuildConfigImage(*s.window->model(), {})));
        QVERIFY(s.fake.launcher->commandLines.isEmpty());
        QVERIFY(QFile::remove(hex));

        auto* port = s.get<QComboBox>("SelectPort");
        choose(port, "Serial Port 5");
        s.get<QPushButton>("cmdSend")->click();
        QCOMPARE(s.fake.launcher->commandLines,
                 QStringList{f + "/Updrive.exe <FACTORY> <F:" + f + "/TempConfig.hex > <P:5>"});
        QCOMPARE(s.fake.launcher->invocations.at(0).program, f + "/Updrive.exe");
        QCOMPARE(s.fake.launcher->invocations.at(0).arguments,
                 QStringList({"<FACTORY>", "<F:" + f + "/TempConfig.hex", ">", "<P:5>"}));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), exported); // same table, same file
    }
    void screenshotAndExit() {
        Started s;
        s.click(1, 1);
        choose(s.combo(0), "Engine speed {RPM}");
        s.typeAndEnter(1, 3, "0x7E8");
        s.click(1, 0);
        QVERIFY(s.window->grab().save(QStringLiteral(CAC_SCREENSHOT_DIR "/main-window.png")));
        s.get<QAction>("mnuExit")->trigger();
        QVERIFY(!s.window->isVisible());
    }
};

// The text itself is pinned by tst_model; here only when it is refreshed.
QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
