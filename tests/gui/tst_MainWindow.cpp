// The main window driven as a user drives it: mouse and keys go through the
// window system into the real window and its real drop-downs. CTest runs this
// suite once per widget style (QT_STYLE_OVERRIDE).
#define QTEST_QPA_MOUSE_HANDLING

#include "Fixtures.h"
#include "WindowDriver.h"
#include "app/framelayout/FrameLayoutView.h"
#include "app/grid/ChannelGridEditor.h"
#include "app/grid/GridSizer.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"
#include "app/window/DisplayCap.h"
#include "app/window/WindowTexts.h"
#include "bitmap/FramePictureTexts.h"
#include "bitmap/SignalBitMap.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"
#include "configfile/CcfFile.h"
#include "dbc/CanDatabase.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QXmlStreamReader>

using namespace cac;
using namespace cac::app;
using namespace cac::testing;

namespace {

// The longest text a view has handed to the style to lay out as one item.
class LaidOutText final : public QProxyStyle {
public:
    mutable qsizetype longest = 0;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option))
            longest = std::max(longest, item->text.size());
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// Where each text of a frame picture lands in the window's font.
struct TextBoxes final : PictureCanvas {
    QList<QPair<QString, QRectF>> boxes;
    void fill(const QRectF&, const QColor&) override {}
    void hatch(const QRectF&, const QColor&) override {}
    void outline(const QRectF&, const QColor&, qreal, bool) override {}
    void text(const QRectF& rect, Qt::Alignment align, const QString& text, const QColor&,
              Text style) override {
        QFont font = QApplication::font();
        font.setPixelSize(style == Text::Small ? 9 : 12);
        font.setBold(style == Text::Bold);
        boxes.append({text, QFontMetricsF(font).boundingRect(rect, align.toInt(), text)});
    }
};

// Words of 8-bit text, `length` characters in all.
QString longText(qsizetype length) {
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += QStringLiteral("w%1\u00e9 ").arg(i);
    return text.left(length);
}

QString rowWith(const QString& base, int column, const QString& text) {
    QStringList cells = base.split('|');
    cells[column - 1] = text;
    return cells.join('|');
}

// One user action on one cell and what it leaves behind.
enum class Act {
    Pick,        // click the cell, click the entry in its drop-down
    Type,        // click the cell, type, Enter
    KeysPick,    // move there with the arrow keys, type into the drop-down, Enter
    Paste,       // click the cell, paste, Enter
    Escape,      // click the cell (typing into a text box), Escape
    HoldRelease, // press on the cell, hold, release without moving
    ClickAway,   // click the cell (typing into a text box), click the row above
};
struct EditCase {
    const char* name;
    bool obd; // the OBD table instead of the channel grid
    int row, column;
    Act act;
    QString input;
    QString expected; // the row's twelve cells, or the OBD row's priority
    bool warns = false;
};

const QString Oil = QStringLiteral("Oil temp {OILT}");
const EditCase EditCases[] = {
    {"variable", false, 3, 1, Act::Pick, Oil, rowWith(DefaultRow, 1, Oil)},
    {"id length", false, 3, 2, Act::Pick, "29 bit", rowWith(DefaultRow, 2, "29 bit")},
    {"can id ABC warns", false, 7, 3, Act::Type, "ABC", rowWith(EmptyRow, 3, "ABC"), true},
    {"can id 7FF warns", false, 7, 3, Act::Type, "7FF", rowWith(EmptyRow, 3, "7FF"), true},
    {"can id 0X1a0", false, 7, 3, Act::Type, "0X1a0", rowWith(EmptyRow, 3, "0X1a0")},
    {"filter loc", false, 3, 4, Act::Pick, "Byte 8", rowWith(DefaultRow, 4, "Byte 8")},
    {"filter val ABC", false, 7, 5, Act::Type, "ABC", rowWith(EmptyRow, 5, "ABC")},
    {"start bit", false, 3, 6, Act::Pick, "63", rowWith(DefaultRow, 6, "63")},
    {"length", false, 3, 7, Act::Pick, "16", rowWith(DefaultRow, 7, "16")},
    {"value type", false, 3, 8, Act::Pick, "Float (single)",
     rowWith(DefaultRow, 8, "Float (single)")},
    {"byte order", false, 3, 9, Act::Pick, "Motorola seq", rowWith(DefaultRow, 9, "Motorola seq")},
    {"scale", false, 7, 10, Act::Type, " 1E3 ", rowWith(EmptyRow, 10, " 1E3 ")},
    {"offset", false, 7, 11, Act::Type, "-5", rowWith(EmptyRow, 11, "-5")},
    {"exponent", false, 7, 12, Act::Type, "3", rowWith(EmptyRow, 12, "3")},
    {"40,000 characters", false, 7, 5, Act::Paste, longText(40'000),
     rowWith(EmptyRow, 5, longText(40'000))},
    {"too long to edit in place", false, 7, 11, Act::Paste, longText(100'000),
     rowWith(EmptyRow, 11, longText(100'000))},
    {"variable by keys", false, 2, 1, Act::KeysPick, "speed",
     rowWith(DefaultRow, 1, "Engine speed {RPM}")},
    {"length by keys", false, 2, 7, Act::KeysPick, "2", rowWith(DefaultRow, 7, "2")},
    {"list Escape", false, 3, 9, Act::Escape, "", EmptyRow},
    {"text box Escape", false, 7, 3, Act::Escape, "123", EmptyRow},
    {"list hold", false, 3, 6, Act::HoldRelease, "", EmptyRow},
    {"list click away", false, 3, 6, Act::ClickAway, "", EmptyRow},
    {"text box click away", false, 7, 3, Act::ClickAway, "0x7E8", rowWith(EmptyRow, 3, "0x7E8")},
    {"priority", true, 5, 1, Act::Pick, "OFF", "OFF"},
    {"priority by keys", true, 5, 1, Act::KeysPick, "8", "8"},
    {"priority Escape", true, 5, 1, Act::Escape, "", "5"},
    {"priority hold", true, 5, 1, Act::HoldRelease, "", "5"},
    {"priority click away", true, 5, 1, Act::ClickAway, "", "5"},
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The offscreen platform says this for every window it shows.
        static const QtMessageHandler passOn = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (!text.startsWith(QLatin1String("This plugin does not support")))
                    passOn(type, context, text);
            });
    }
    void startUpState() {
        Started s;
        QCOMPARE(s.window->windowTitle(), WindowCaption(false));
        QCOMPARE(s.fake.ports->probed.size(), 16);
        auto* ports = s.get<QComboBox>(names::PortList);
        QCOMPARE(ports->count(), 2);
        QCOMPARE(ports->currentText(), "Serial Port 2");
        QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), "/dev/fake5");
        QCOMPARE(s.get<QComboBox>(names::BaudRateList)->currentText(), "500 kbit");
        QVERIFY(!s.get<QTabWidget>(names::Tabs)->isTabEnabled(1));
        QVERIFY(!s.openEditor());
        QCOMPARE(s.equation(), "n/a");
        QStringList items;
        for (QAction* action : s.get<QMenu>(names::MenuFile)->actions())
            items << action->objectName() + ' ' + action->iconText() + ' ' +
                         action->shortcut().toString();
        QCOMPARE(items, QStringList({"mnuLoad Load configuration file Ctrl+O",
                                     "mnuSave Save configuration file Ctrl+S", "mnuBar  ",
                                     "mnuGenHexFile Generate hex file (for debug only) Ctrl+G",
                                     "mnuBar2  ", "mnuExit Exit Ctrl+Q"}));
    }
    void startUpMessagesAndCatalogue_data() {
        QTest::addColumn<Catalogue>("catalogue");
        QTest::addColumn<bool>("ports");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("variables"); // entries of Combo(0)
        const QString corrupt = CatalogueCorruptMessage, noPorts = texts::NoSerialPortsMessage;
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
        QCOMPARE(s.get<QGroupBox>(names::SendFrame)->isVisible(), ports);
        QCOMPARE(s.get<QComboBox>(names::PortList)->count(), ports ? 1 : 0); // 17 is never probed
        QVERIFY(s.list(0)->count() >= variables && s.list(0)->count() < 2 * variables);
        QCOMPARE(s.list(0)->itemText(0), "**Do not use**");
        QCOMPARE(s.window->windowTitle(), WindowCaption(false)); // start-up went on to the end
    }

    // Every column's editor and the ways of leaving it, in both grids.
    void editing() {
        for (const EditCase& e : EditCases) {
            RowName name(e.name);
            Started s;
            const QString gridName = e.obd ? names::ObdGrid : names::ChannelGrid;
            if (e.obd) {
                s.get<QCheckBox>(names::ObdModeCheck)->click();
                s.get<QTabWidget>(names::Tabs)->setCurrentIndex(1);
            }
            auto* grid = s.get<QTableView>(gridName);
            if (e.act == Act::KeysPick) {
                grid->setFocus();
                grid->setCurrentIndex(grid->model()->index(0, 0));
                for (int r = 1; r < e.row; ++r)
                    key(Qt::Key_Down);
                for (int c = e.obd ? 0 : 1; c < e.column; ++c)
                    key(Qt::Key_Right);
                type(e.input); // opens the cell's list with the typed text
            } else {
                s.click(gridName, e.row, e.column, e.act == Act::HoldRelease);
            }
            QWidget* editor = s.openEditor();
            QVERIFY(editor);
            const QRect cell =
                grid->visualRect(grid->model()->index(e.row - 1, e.column - (e.obd ? 0 : 1)));
            QCOMPARE(editor->geometry().topLeft(), cell.topLeft());
            QCOMPARE(editor->width(), cell.width());
            auto* list = qobject_cast<CellListEditor*>(editor);
            QVERIFY(!list || list->isPopupShown()); // an ordinary click keeps the list open
            if (!list && e.act != Act::Type && e.act != Act::Paste)
                type(e.input);

            switch (e.act) {
            case Act::Pick:
                clickEntry(list, e.input);
                break;
            case Act::Type:
                retype(e.input);
                break;
            case Act::KeysPick:
                key(Qt::Key_Return);
                break;
            case Act::Paste:
                QGuiApplication::clipboard()->setText(e.input);
                QTest::keySequence(QGuiApplication::focusWindow(), QKeySequence::Paste);
                key(Qt::Key_Return);
                break;
            case Act::Escape:
                key(Qt::Key_Escape);
                break;
            case Act::HoldRelease:
                QVERIFY(list->isPopupShown());
                key(Qt::Key_Escape);
                break;
            case Act::ClickAway:
                s.click(gridName, e.row - 1, e.column); // only closes
                QVERIFY(!s.openEditor());
                break;
            }
            QVERIFY(!s.openEditor());
            QCOMPARE(e.obd ? s.window->model()->obdPriority(e.row)
                           : RowText(*s.window->model(), e.row),
                     e.expected);
            QCOMPARE(e.obd ? s.window->model()->obdPriority(e.row - 1)
                           : RowText(*s.window->model(), e.row - 1),
                     e.obd ? StartupObdPriorities().at(e.row - 2) : EmptyRow);
            QCOMPARE(s.fake.messages->texts,
                     e.warns ? QStringList{texts::HexWarning} : QStringList{});
            if (e.act == Act::Pick || e.act == Act::KeysPick) { // reopening preselects the entry
                s.click(gridName, e.row, e.column);
                QCOMPARE(list->currentText(),
                         e.obd ? s.window->model()->obdPriority(e.row) : s.cell(e.row, e.column));
            }
            if (e.act == Act::Type || e.act == Act::Paste) { // the box holds the text whole
                s.click(gridName, e.row, e.column);
                key(Qt::Key_Return);
                QCOMPARE(RowText(*s.window->model(), e.row), e.expected);
            }
        }
    }
    // Cells of 100 KB, as configurations of a few megabytes hold them: the
    // grid lays out no more of them than a cell shows (how fast it paints,
    // bench_window measures), the text box opens them whole, and saving
    // writes the file back byte for byte.
    void longCells() {
        LaidOutText laidOut; // outlives the grid that uses it
        Started s;
        ConfigModel* model = s.window->model();
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        QWidget* cells = grid->viewport();

        ConfigModel file;
        for (int row = 1; row <= ChannelCount; ++row) {
            file.FillRowDefaults(row);
            file.setCell(row, ColVariable, longText(100'000) + " {OILT}");
            file.setCell(row, ColCanId, longText(102'400));
        }
        file.setCell(2, ColFilterVal, longText(40'000));
        const QString path = s.dir.filePath("long.ccf");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(SerializeCcf(file)) > 3'000'000);
        out.close();
        s.load(path);
        for (int row = 1; row <= ChannelCount; ++row)
            QCOMPARE(RowText(*model, row), RowText(file, row));
        grid->setStyle(&laidOut);
        cells->repaint();
        grid->setStyle(nullptr);
        QVERIFY(laidOut.longest > 0 && laidOut.longest <= DisplayCap);

        s.click(1, ColScale); // the equation keeps both its ends
        key(Qt::Key_Escape);
        QVERIFY(s.equation().size() <= DisplayCap);
        QVERIFY(s.equation().contains(" {OILT} [") && s.equation().contains(") / 1 + 0 "));
        for (auto [row, column, held] : {std::tuple{1, ColCanId, true}, // 102,400 characters
                                         std::tuple{2, ColFilterVal, false}}) {
            s.click(row, column);
            QCOMPARE(s.textBox()->holdsLongText(), held);
            QVERIFY(held ? s.textBox()->text().size() <= DisplayCap
                         : s.textBox()->text() == s.cell(row, column));
            QCOMPARE(s.status() == texts::longCellNotice(102'400), held);
            key(Qt::Key_Return);
        }
        QCOMPARE(RowText(*model, 1), RowText(file, 1));
        QCOMPARE(RowText(*model, 2), RowText(file, 2));
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadAll(path), SerializeCcf(file));

        const QString shownText =
            toolTipAt(cells, grid->visualRect(grid->model()->index(2, ColCanId - 1)).center())
                .section("\n\n", 0, 0); // the findings follow
        QVERIFY(shownText.size() < 2 * DisplayCap);
        QVERIFY(shownText.endsWith(QLocale().toString(102'400) + " characters)"));
        // A plain tip is drawn on one line a line: each is short enough for the screen.
        for (const QString& line : QToolTip::text().split('\n'))
            QVERIFY2(line.size() <= ToolTipLineLength, qPrintable(line));

        s.click(3, ColCanId); // typing replaces a held text, Escape keeps it
        type("7");
        key(Qt::Key_Return);
        QCOMPARE(s.cell(3, ColCanId), "7");
        s.click(4, ColCanId);
        type("7");
        key(Qt::Key_Escape);
        QCOMPARE(s.cell(4, ColCanId), file.cell(4, ColCanId));
        QVERIFY(s.fake.messages->texts.isEmpty());
    }
    // Lines of a tool tip: at most the line length, broken after a blank where
    // the latter half has one, never inside a surrogate pair, and nothing of
    // the text lost or added but the breaks.
    void toolTipsBreakIntoLines() {
        const qsizetype n = ToolTipLineLength;
        const QString face = QString::fromUtf8("\U0001F600");
        const QList<QString> texts = {
            "",
            QString(n, 'a'),
            QString(n + 1, 'a'),
            QString(2 * n, 'b') + 'c',
            QString(n - 1, 'a') + face + "tail",
            QString(n / 2, 'a') + ' ' + QString(n, 'b'),
            QString(n / 2 - 1, 'a') + ' ' + QString(n, 'b'),
            "two\nlines " + QString(n + 5, 'x'),
            QString(DisplayCap * 3, 'y'),
        };
        for (const QString& text : texts) {
            const QString lines = app::toolTipLines(text);
            const QStringList each = lines.split('\n');
            for (const QString& line : each) {
                QVERIFY2(line.size() <= n, qPrintable(line));
                QVERIFY(line.isEmpty() || !line.front().isLowSurrogate());
            }
            QCOMPARE(QString(lines).remove('\n'), QString(text).remove('\n'));
            QCOMPARE(lines.count('\n') > text.count('\n'), text.size() > n);
        }
        // A blank in the latter half takes the break; one in the first half does not.
        QCOMPARE(app::toolTipLines(texts[5]).section('\n', 0, 0), QString(n / 2, 'a') + ' ');
        QCOMPARE(app::toolTipLines(texts[6]).section('\n', 0, 0).size(), n);
    }
    // A line of the file that cannot be taken leaves its column as it was;
    // the status bar says so on the load's own line, and no message box opens.
    void loadNamesKeptColumns() {
        Started s;
        ConfigModel file;
        for (int row = 1; row <= ChannelCount; ++row)
            SetRow(file, row,
                   "**Do not use**|11 bit|0x7E8|No Filter|0|0|8|Unsigned|Intel standard|1|0|7");
        QByteArray bytes = SerializeCcf(file);
        const qsizetype exponent = bytes.indexOf("7|7|");
        bytes.replace(exponent, QByteArray("7|").repeated(15).size(),
                      QByteArray("7|").repeated(17));
        const QString path = s.dir.filePath("kept.ccf");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        out.close();
        s.window->model()->setCell(3, ColExponent, "2");
        s.load(path);
        QCOMPARE(s.status(), "Loaded " + QDir::toNativeSeparators(path) +
                                 "; Exponent kept: its line has 17 cells");
        QCOMPARE(s.cell(3, ColCanId), "0x7E8");
        QCOMPARE(s.cell(3, ColExponent), "2");
        QVERIFY(s.fake.messages->texts.isEmpty());
    }

    // A text of up to DisplayCap characters is shown whole; one more is cut
    // to DisplayCap with "…" where the rest was, at the end or in the middle.
    void displayCapEdges() {
        QString text;
        for (int i = 0; i < DisplayCap + 1; ++i)
            text += QChar(u'a' + i % 26);
        const QChar ellipsis(0x2026);
        for (const qsizetype length : {DisplayCap - 1, DisplayCap, DisplayCap + 1}) {
            const RowName row(QString::number(length));
            const QString shown = text.left(length);
            const bool cut = length > DisplayCap;
            QCOMPARE(app::displayCapped(shown),
                     cut ? shown.left(DisplayCap - 1) + ellipsis : shown);
            QCOMPARE(app::displayCapped(shown, Qt::ElideMiddle),
                     cut ? shown.left(149) + ellipsis + shown.right(150) : shown);
        }
    }
    void clickRules() {
        Started s;
        s.click(1, 2);
        s.click(2, 4); // closes the list, writes nothing, opens nothing
        QVERIFY(!s.openEditor());
        QCOMPARE(s.window->channelEditor()->editRow(), 1);
        s.click(2, 4);
        QCOMPARE(s.openEditor(), s.list(6));
        s.click(0, 4); // the title row opens nothing
        s.click(0, 4);
        QVERIFY(!s.openEditor());
        QCOMPARE(s.window->channelEditor()->editRow(), 0);
        s.click(1, 3);
        type("0x7E8");
        s.click(0, 5); // the title row takes no focus: the click itself writes the box
        QVERIFY(!s.openEditor());
        QCOMPARE(s.cell(1, 3), "0x7E8");

        s.get<QCheckBox>(names::ObdModeCheck)->click();
        s.click(15, 3); // locked: no editor, but the click moves the edit position
        QVERIFY(!s.openEditor());
        QCOMPARE(s.window->channelEditor()->editRow(), 15);
        s.get<QTabWidget>(names::Tabs)->setCurrentIndex(1);
        for (auto [r, c] : {std::pair{0, 1}, std::pair{3, 0}}) {
            s.click(names::ObdGrid, r, c);
            QVERIFY(!s.openEditor());
        }
        s.window->model()->setObdPriority(2, "9"); // as a file may hold it
        s.click(names::ObdGrid, 2, 1);
        QCOMPARE(s.get<QComboBox>(names::PriorityList)->currentIndex(), -1); // nothing matches
        key(Qt::Key_Escape);
        QCOMPARE(s.window->model()->obdPriority(2), "9");
    }
    void equationRefresh() {
        Started s;
        s.click(1, 1);
        clickEntry(s.list(0), "Engine speed {RPM}");
        QVERIFY(s.equation().startsWith("Engine speed {RPM} [RPM] = (CAN INPUT) / 1 + 0 "));
        s.click(1, 10);
        retype("0x10");
        QVERIFY(s.equation().contains("/ 1 + 0 ")); // typing alone does not refresh it
        s.click(3, 2);
        s.click(1, 0); // a click that only closes the list still shows its row
        QVERIFY(s.equation().contains("/ 16 + 0 "));
        s.click(0, 1);
        QCOMPARE(s.equation(), "n/a");
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, 0));
        key(Qt::Key_Up); // a keyboard move shows the row as a click does
        QVERIFY(s.equation().contains("/ 16 + 0 "));
    }
    void obdModeSwitching() {
        Started s;
        auto* check = s.get<QCheckBox>(names::ObdModeCheck);
        auto* tabs = s.get<QTabWidget>(names::Tabs);
        QAbstractItemModel* shown = s.get<QTableView>(names::ChannelGrid)->model();
        auto* notice = s.get<QLabel>(names::Label2);
        const QRect noticeAt = notice->geometry();
        s.click(15, 1);
        clickEntry(s.list(0), Oil);
        s.click(15, 2); // a list left open is closed by the switch
        check->click();
        QCoreApplication::processEvents(); // layouts settle
        QVERIFY(!s.openEditor());
        QCOMPARE(s.window->windowTitle(), WindowCaption(true));
        QVERIFY(tabs->isTabEnabled(1));
        QVERIFY(!s.get<QGroupBox>(names::BaudRateFrame)->isVisible());
        QCOMPARE(notice->geometry(), noticeAt); // the hidden frame moves nothing
        QCOMPARE(s.cell(15, 1), "USED FOR OBD");
        QVERIFY(shown->index(14, 5).data(Qt::BackgroundRole).isValid()); // shaded
        QVERIFY(!shown->index(13, 5).data(Qt::BackgroundRole).isValid());

        tabs->setCurrentIndex(1);
        check->click();
        QCOMPARE(s.window->windowTitle(), WindowCaption(false));
        QVERIFY(!tabs->isTabEnabled(1));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(s.get<QComboBox>(names::BaudRateList)->currentText(), "500 kbit");
        QVERIFY(s.cell(15, 1).isEmpty());
        QCOMPARE(s.cell(15, 3), "0x100");
        QVERIFY(!shown->index(14, 5).data(Qt::BackgroundRole).isValid());
    }

    // From start-up to a saved and exported channel with the keyboard alone.
    void keyboardOnly() {
        Started a;
        const QString path = a.dir.filePath("typed-without-extension");
        a.fake.dialogs->answer = path;
        key(Qt::Key_Return); // Enter opens the variable list of channel 1
        type("oil");
        key(Qt::Key_Return);
        key(Qt::Key_Tab);
        key(Qt::Key_F2);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        key(Qt::Key_Tab);
        type("0x7E8");    // typing opens the text box
        key(Qt::Key_Tab); // writes it and moves on
        key(Qt::Key_End);
        type("2");
        key(Qt::Key_Return);
        QCOMPARE(RowText(*a.window->model(), 1),
                 "Oil temp {OILT}|29 bit|0x7E8|No Filter|0|0|1|Signed|Intel standard|1|0|2");
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(a.status(), texts::saved(QDir::toNativeSeparators(path)));
        QCOMPARE(ReadAll(path).count("\r\n"), 14);
        key(Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(ReadAll(a.appFolder + "/TempConfig.hex"),
                 IntelHexText(BuildConfigImage(*a.window->model(), a.window->catalogue())));
        QCOMPARE(a.status(), texts::wroteHexFile(a.appFolder));

        Started b;
        key(Qt::Key_O, Qt::ControlModifier); // cancelled: nothing changes
        QVERIFY(b.cell(1, 1).isEmpty());
        b.load(path);
        QCOMPARE(RowText(*b.window->model(), 1), RowText(*a.window->model(), 1));
        QCOMPARE(b.status(), texts::loaded(QDir::toNativeSeparators(path)));
        QCOMPARE(b.equation(), "n/a"); // loading does not refresh the equation
        QCOMPARE(b.fake.dialogs->shown.at(0).first, texts::LoadDialogTitle);
        key(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!b.window->isVisible());
    }
    // Tab walks every control once and comes back to the first, Shift+Tab
    // the same way back; in a grid, where Tab moves between cells, Ctrl+Tab
    // and Ctrl+Shift+Tab walk on.
    void keyboardReachesEveryControl() {
        const QString obd = names::ObdModeCheck, tabs = names::Tabs, grid = names::ChannelGrid,
                      checks = names::ChecksList, baud = names::BaudRateList,
                      port = names::PortList, send = names::SendButton;
        const struct {
            const char* name;
            bool obdTab, checksShown, pictureShown, previewShown;
            QStringList order;
        } rows[] = {
            {"CAN tab", false, true, false, false, {obd, tabs, grid, checks, baud, port, send}},
            {"checks closed, picture shown",
             false,
             false,
             true,
             false,
             {obd, tabs, grid, names::FrameLayoutRoom, baud, port, send}},
            {"CAN tab, preview open",
             false,
             true,
             false,
             true,
             {obd, tabs, grid, checks, baud, port, send, names::PreviewTable}},
            {"OBD tab, preview open",
             true,
             true,
             true,
             true,
             {obd, tabs, names::ObdGrid, port, send, names::PreviewTable}},
        };
        // The named control a focus widget belongs to (a tab widget's bar).
        const auto controlOf = [](QWidget* w) {
            while (w && (w->objectName().isEmpty() || w->objectName().startsWith("qt_")))
                w = w->parentWidget();
            return w ? w->objectName() : QString();
        };
        for (const auto& row : rows) {
            const RowName name(row.name);
            Started s;
            if (row.obdTab) {
                s.get<QCheckBox>(names::ObdModeCheck)->setChecked(true);
                s.get<QTabWidget>(names::Tabs)->setCurrentIndex(1);
            }
            if (!row.checksShown)
                s.get<QAction>(names::MenuChecks)->trigger();
            if (row.pictureShown)
                s.get<QAction>(names::MenuFrameLayout)->trigger();
            s.window->previewPanel()->setVisible(row.previewShown);
            // Every control that takes the keyboard is in the walk.
            QSet<QString> focusable;
            for (QWidget* w : s.window->findChildren<QWidget*>())
                if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                    !w->focusProxy())
                    focusable << controlOf(w);
            QCOMPARE(focusable, QSet<QString>(row.order.cbegin(), row.order.cend()));

            QWidget* first = s.get<QWidget>(obd);
            for (const bool forward : {true, false}) {
                first->setFocus(Qt::TabFocusReason);
                QStringList walked;
                do {
                    walked << controlOf(QApplication::focusWidget());
                    const auto* view =
                        qobject_cast<QAbstractItemView*>(QApplication::focusWidget());
                    const Qt::KeyboardModifiers inGrid =
                        view && view->tabKeyNavigation() ? Qt::ControlModifier : Qt::NoModifier;
                    if (forward)
                        key(Qt::Key_Tab, inGrid);
                    else
                        key(Qt::Key_Backtab, inGrid | Qt::ShiftModifier);
                } while (QApplication::focusWidget() != first && walked.size() <= row.order.size());
                QStringList expected = row.order;
                if (!forward)
                    std::reverse(expected.begin() + 1, expected.end());
                QCOMPARE(walked, expected);
            }
        }
        // Ctrl+Tab leaves an open text box: its text is written, and the
        // findings below the grid have the keyboard.
        Started s;
        s.window->channelEditor()->showCell({15, ColOffset});
        type("7");
        QVERIFY(s.openEditor());
        key(Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!s.openEditor());
        QCOMPARE(s.cell(15, ColOffset), "7");
        QCOMPARE(controlOf(QApplication::focusWidget()), checks);
        key(Qt::Key_Backtab, Qt::ShiftModifier); // back from the findings
        QCOMPARE(QApplication::focusWidget(), s.get<QWidget>(grid));
        QCOMPARE(s.window->channelEditor()->currentCell(), (GridCell{15, ColOffset}));
    }
    // What a user types into a list builds one search text while the keys
    // come quickly, in the closed list (the current cell) and the open one;
    // the variable list's filter takes the entry as it reads.
    void typingIntoLists() {
        struct Case {
            const char* name;
            int column;
            bool open; // clicked open first, or typed into the current cell
            QStringList keys;
            bool pause; // longer than the keyboard interval between the keys
            QString expected;
            QString before = {}; // the cell's text before
        } cases[] = {
            {"closed start bit 16", ColStartBit, false, {"1", "6"}, false, "16"},
            {"open start bit 16", ColStartBit, true, {"1", "6"}, false, "16"},
            {"first entry", ColStartBit, false, {"0"}, false, "0"},
            {"last entry", ColStartBit, false, {"6", "3"}, false, "63"},
            {"same key twice", ColStartBit, false, {"1", "1"}, false, "11"},
            {"a pause starts anew", ColStartBit, false, {"1", "6"}, true, "6"},
            {"length's last entry", ColLength, false, {"3", "2"}, false, "32"},
            // No "33": the same key again walks on to the next entry with a 3.
            {"same key walks on", ColLength, false, {"3", "3", "9"}, false, "30"},
            {"letters", ColValueType, false, {"F", "l"}, false, "Float (single)"},
            {"variable as it reads",
             ColVariable,
             true,
             {"Engine speed {"},
             false,
             "Engine speed {RPM}"},
            {"variable closed, any case",
             ColVariable,
             false,
             {"engine SPEED {r"},
             false,
             "Engine speed {RPM}"},
            {"variable by its default name",
             ColVariable,
             true,
             {"oilt}"},
             false,
             "Oil temp {OILT}"},
            // Both entries hold a "p": typed on the closed cell, Enter takes
            // the first shown, not the cell's.
            {"filter picks the first shown",
             ColVariable,
             false,
             {"p"},
             false,
             Oil,
             "Engine speed {RPM}"},
        };
        for (const Case& c : cases) {
            const RowName name(c.name);
            Started s;
            const int row = 15; // the last channel
            s.window->model()->setCell(row, c.column, c.before);
            if (c.open) {
                s.click(row, c.column);
                QVERIFY(s.openEditor());
                QVERIFY(s.list(ComboForColumn(c.column))->isPopupShown());
            } else
                s.window->channelEditor()->showCell({row, c.column});
            for (const QString& keys : c.keys) {
                if (c.pause)
                    QTest::qWait(QApplication::keyboardInputInterval() + 100);
                type(keys);
            }
            key(Qt::Key_Return);
            QVERIFY(!s.openEditor());
            QCOMPARE(s.cell(row, c.column), c.expected);
        }
    }
    // Escape cancels and the current cell stays, for every editor, at the
    // grid's last column and row too; a click selects a text cell's text.
    void escapeAndSelection() {
        for (const GridCell& cell : {GridCell{1, ColCanId}, GridCell{15, ColExponent},
                                     GridCell{15, ColByteOrder}, GridCell{1, ColVariable}}) {
            const RowName name(QString("%1, %2").arg(cell.row).arg(cell.column));
            Started s;
            s.window->model()->setCell(cell.row, cell.column, "7");
            s.window->channelEditor()->showCell(cell);
            key(Qt::Key_F2);
            QVERIFY(s.openEditor());
            type("1");
            key(Qt::Key_Escape);
            QVERIFY(!s.openEditor());
            QCOMPARE(s.window->channelEditor()->currentCell(), cell);
            QCOMPARE(s.cell(cell.row, cell.column), "7");
            QVERIFY(s.get<QTableView>(names::ChannelGrid)->hasFocus());
        }
        Started s;
        // A menu command writes an open text box; the current cell stays too.
        s.window->channelEditor()->showCell({15, ColOffset});
        type("5");
        key(Qt::Key_I, Qt::ControlModifier); // the file dialog is cancelled
        QVERIFY(!s.openEditor());
        QCOMPARE(s.cell(15, ColOffset), "5");
        QCOMPARE(s.window->channelEditor()->currentCell(), (GridCell{15, ColOffset}));
        s.window->model()->setCell(2, ColCanId, "0x100");
        s.click(2, ColCanId);
        type("0x280"); // replaces the selected text
        key(Qt::Key_Return);
        QCOMPARE(s.cell(2, ColCanId), "0x280");
        s.click(2, ColCanId);
        key(Qt::Key_Right); // keeps it, the caret at its end
        type("0");
        key(Qt::Key_Return);
        QCOMPARE(s.cell(2, ColCanId), "0x2800");
    }
    // The flasher runs on its own; what the platform can tell of it is
    // reported, and so are the errors of what was sent and a failed start.
    void sendReports() {
        Started s;
        s.get<QComboBox>(names::PortList)->setCurrentIndex(1); // port 5
        const auto errors = [&s] {
            return CountFindings(CheckConfiguration(*s.window->model(), s.window->catalogue()),
                                 Severity::Error);
        };
        s.click(3, ColStartBit);
        clickEntry(s.list(2), "63");
        s.window->model()->setCell(3, ColLength, "16"); // bits 63 to 78: past the frame
        s.window->model()->setCell(3, ColVariable, Oil);
        s.window->model()->setCell(4, ColCanId, "0x200"); // settings, no variable: a warning
        QCOMPARE(errors(), 1);
        QVERIFY(CheckConfiguration(*s.window->model(), s.window->catalogue()).size() > 1);
        auto* send = s.get<QPushButton>(names::SendButton);
        send->click();
        QCOMPARE(s.status(), texts::sentReport("5", errors(), false));
        QVERIFY(s.status().endsWith("Sent with 1 error: see Checks"));
        s.fake.launcher->started.state = StartedProgram::State::Running;
        send->click(); // the first still runs: a second starts all the same
        QCOMPARE(s.fake.launcher->commandLines.size(), 2);
        QCOMPARE(s.status(), texts::sentReport("5", errors(), true));
        s.fake.launcher->started = {StartedProgram::State::Ended, 3};
        QTRY_COMPARE(s.status(), texts::flasherFailed(3));

        s.window->model()->setCell(3, ColStartBit, "0");
        QCOMPARE(errors(), 0);
        s.fake.launcher->started = {StartedProgram::State::Running, 0};
        send->click();
        QCOMPARE(s.status(), texts::sentReport("5", 0, true));
        QVERIFY(!s.status().contains("error"));
        s.fake.launcher->started = {StartedProgram::State::Ended, 0};
        QTest::qWait(500); // seen ending well: nothing more is said
        QCOMPARE(s.status(), texts::sentReport("5", 0, true));
        s.fake.launcher->failure = "Cannot start Updrive.exe: No such file";
        send->click();
        QCOMPARE(s.status(), s.fake.launcher->failure);
        QVERIFY(s.fake.messages->texts.isEmpty());
    }
    // A database whose unit spellings match none of the catalogue's: every
    // variable stays on offer, the one named like the signal first, and the
    // filter field finds any other.
    void importWithUnknownUnits() {
        Started s;
        const QString dbc = s.dir.filePath("units.dbc");
        QFile file(dbc);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("VERSION \"\"\n\nBU_: ECU\n\n"
                   "BO_ 1280 Engine: 8 ECU\n"
                   " SG_ OilTemp : 0|8@1+ (1,-40) [-40|215] \"Unit_DegreCelsi\" Vector__XXX\n"
                   " SG_ EngineRevs : 8|16@1+ (1,0) [0|8000] \"Unit_RotatPerMinut\" Vector__XXX\n");
        file.close();
        QPointer dialog = s.importDialog(dbc);
        QVERIFY(dialog);
        auto* variable = dialog->findChild<QComboBox*>(names::DbcVariable);
        tickFirstFound("OilTemp");
        QCOMPARE(variable->count(), 3); // "**Do not use**" and both variables
        key(Qt::Key_Tab);
        key(Qt::Key_Down); // the one named like the signal comes first
        QCOMPARE(variable->currentText(), Oil);
        key(Qt::Key_Up); // "**Do not use**": the variable is left to the user
        QCOMPARE(dialog->plan().value(0).variableEntry, QString());
        key(Qt::Key_Down);

        key(Qt::Key_S, Qt::AltModifier);
        tickFirstFound("EngineRevs");
        auto* filter = dialog->findChild<QLineEdit*>(names::DbcVariableFilter);
        variable->setCurrentIndex(variable->findText(Oil));
        filter->setFocus();
        type("SPEED {");
        QCOMPARE(variable->count(), 3); // the choice stays on offer
        // Enter takes the first variable the filter shows, not the choice
        // kept beside them, and fills nothing yet.
        key(Qt::Key_Return);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(variable->currentText(), "Engine speed {RPM}");
        QCOMPARE(variable->count(), 2);
        filter->clear(); // the choice stays whatever the filter shows
        QCOMPARE(variable->currentText(), "Engine speed {RPM}");
        QTest::mouseClick(dialog->findChild<QPushButton*>(names::DbcFill), Qt::LeftButton);
        QTRY_VERIFY(!dialog);
        QCOMPARE(s.cell(1, ColVariable), Oil);
        QCOMPARE(s.cell(2, ColVariable), "Engine speed {RPM}");
    }
    // The window program answers --help and --version without a window.
    void commandLine() {
        for (const QString& option : QStringList{"--help", "-h", "--version", "-v"}) {
            const RowName name(option);
            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("QT_QPA_PLATFORM", "none-such"); // a window would fail to start
            program.setProcessEnvironment(environment);
            program.start(CAC_GUI, {option});
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitCode(), 0);
            const QString out = program.readAllStandardOutput();
            QVERIFY2(option.contains('h') ? out.startsWith("usage: can-adapter-config")
                                          : out == "can-adapter-config " + ProgramVersion() + '\n',
                     qPrintable(out));
        }
    }
    // Every combination of the checks panel, the frame picture and the CAN
    // preview on a 1280x720 screen, at 100 % and at 150 % (run with
    // QT_SCALE_FACTOR=1.5): the window's least size fits, every described
    // control is whole on screen and no control lies over another; the grid
    // keeps room for four rows. Without panels it goes down to 1024x640.
    void fitsSmallScreens_data() {
        QTest::addColumn<bool>("checks");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("preview");
        for (int panels = 0; panels < 8; ++panels) {
            QStringList shown;
            for (const auto& [bit, name] : {std::pair(1, "checks"), {2, "picture"}, {4, "preview"}})
                if (panels & bit)
                    shown << name;
            QTest::newRow(shown.isEmpty() ? "none" : qPrintable(shown.join('+')))
                << bool(panels & 1) << bool(panels & 2) << bool(panels & 4);
        }
    }
    void fitsSmallScreens() {
        QFETCH(bool, checks);
        QFETCH(bool, picture);
        QFETCH(bool, preview);
        Started s({2}, Catalogue::Demo);
        s.load(ExampleFile("layout-demo.ccf"));
        s.get<QAction>(names::MenuChecks)->setChecked(checks);
        s.get<QAction>(names::MenuFrameLayout)->setChecked(picture);
        if (preview) {
            s.window->previewPanel()->previewLogFile(ExampleFile("demo-drive.blf"));
            QTRY_VERIFY(!s.window->previewPanel()->isReading());
        }
        QTRY_COMPARE(s.window->previewPanel()->isVisible(), preview);
        // As small as the window goes: a narrower one is taller, its notes wrap.
        for (int round = 0; round < 3; ++round) {
            s.window->resize(1, 1);
            QCoreApplication::processEvents();
        }
        const QSize least = s.window->size();
        const QSize screen = checks || picture || preview ? QSize(1280, 720) : QSize(1024, 640);
        const int titleBar = 32;
        QVERIFY2(least.width() <= screen.width() && least.height() <= screen.height() - titleBar,
                 qPrintable(QString("%1x%2").arg(least.width()).arg(least.height())));

        const QString shot = QStringLiteral(CAC_SCREENSHOT_DIR "/small-%1-%2-%3x%4-%5x.png");
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        for (const QSize size : {QSize(1280, 720 - titleBar), least}) {
            s.window->resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(s.window->size(), size);
            // Whole on screen: inside every widget it lies in, up to the window.
            QStringList whole = {names::ObdModeCheck, names::Label1,        names::Label3,
                                 names::SendFrame,    names::ChannelGrid,   names::EquationLabel,
                                 names::Label2,       names::BaudRateFrame, names::BaudRateList,
                                 names::StatusBar};
            if (checks)
                whole << names::ChecksSummary;
            for (const QString& name : whole) {
                auto* control = s.get<QWidget>(name);
                QVERIFY2(control->isVisible(), qPrintable(name));
                QRect shown(control->mapTo(s.window.get(), QPoint()), control->size());
                const QRect full = shown;
                for (QWidget* holder = control->parentWidget(); holder != s.window.get();
                     holder = holder->parentWidget())
                    shown &= QRect(holder->mapTo(s.window.get(), QPoint()), holder->size());
                QVERIFY2(shown == full && s.window->rect().contains(full), qPrintable(name));
                const int needed = control->hasHeightForWidth()
                                       ? control->heightForWidth(full.width())
                                       : control->minimumSizeHint().height();
                QVERIFY2(full.height() >= needed, qPrintable(name));
            }
            // No shown control lies over a shown sibling.
            QList<QWidget*> parents = s.window->findChildren<QWidget*>();
            parents << s.window.get();
            for (QWidget* parent : std::as_const(parents)) {
                QList<QWidget*> children;
                for (QObject* child : parent->children())
                    if (auto* w = qobject_cast<QWidget*>(child);
                        w && !w->isWindow() && w->isVisible())
                        children << w;
                for (qsizetype i = 0; i < children.size(); ++i)
                    for (qsizetype j = i + 1; j < children.size(); ++j)
                        QVERIFY2(!children[i]->geometry().intersects(children[j]->geometry()),
                                 qPrintable(children[i]->objectName() + " (" +
                                            children[i]->metaObject()->className() + ") over " +
                                            children[j]->objectName() + " (" +
                                            children[j]->metaObject()->className() + ")"));
            }
            // The columns fill the width; four rows at least show, the last in reach.
            QVERIFY(!grid->horizontalScrollBar()->isVisible());
            QCOMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
            QVERIFY(qAbs(grid->columnWidth(0) - 5 * grid->columnWidth(1)) <= 5); // 10 : 2
            QVERIFY(grid->horizontalHeader()->height() >= 2 * grid->rowHeight(0));
            QVERIFY(grid->viewport()->height() >= GridSizer::FewestRows * grid->rowHeight(0));
            grid->scrollToBottom();
            QVERIFY(grid->viewport()->rect().contains(
                grid->visualRect(grid->model()->index(ChannelCount - 1, 0))));
            s.window->statusBar()->clearMessage(); // it names this machine's folders
            QVERIFY(s.window->grab().save(
                shot.arg(QApplication::style()->name(), QTest::currentDataTag())
                    .arg(size.width())
                    .arg(size.height())
                    .arg(s.window->devicePixelRatio())));
        }
        if (picture || preview)
            return;
        // Spare room goes to the columns, the rows and the panel, none is left empty.
        s.window->resize(1600, 1000);
        QCoreApplication::processEvents();
        QCOMPARE(grid->horizontalHeader()->length(), grid->viewport()->width());
        QCOMPARE(grid->viewport()->height(), grid->verticalHeader()->length());
        QVERIFY(grid->rowHeight(0) > s.list(0)->sizeHint().height());
        auto* panel = s.get<QWidget>(names::ChecksPanel);
        QVERIFY(!checks || panel->height() > panel->sizeHint().height());
    }
    void filterFindsVariableAmongThousands() {
        Started s({2}, Catalogue::Large);
        QCOMPARE(s.list(0)->count(), 4051);
        s.click(2, 1);
        type("R 4711"); // case-insensitive, anywhere in the user or default name
        QCOMPARE(s.list(0)->popup()->view()->model()->rowCount(), 1);
        clickEntry(s.list(0), "Var 4711 {VAR4711}");
        QCOMPARE(s.cell(2, 1), "Var 4711 {VAR4711}");
        QCOMPARE(s.list(0)->count(), 4051); // the list itself is unchanged
    }
    void editorFollowsItsCell() {
        Started s;
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        s.click(4, 12);
        type("7");
        grid->horizontalHeader()->resizeSection(0, 2 * grid->viewport()->width()); // by the user
        QCoreApplication::processEvents();
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        QCOMPARE(s.textBox()->geometry(), grid->visualRect(grid->model()->index(3, 11)));
        key(Qt::Key_Return);
        QCOMPARE(s.cell(4, 12), "7");
    }
    // Two signals of the example database into the next free channels through
    // the dialog, channel 1 taken: the saved file is the command line's
    // import of the same.
    void importFromCanDatabase() {
        Started s({2}, Catalogue::Demo);
        s.click(1, 1);
        clickEntry(s.list(0), Oil);
        QVERIFY(s.equation().startsWith(Oil));
        const QString before = s.dir.filePath("before.ccf"), after = s.dir.filePath("after.ccf");
        s.fake.dialogs->answer = before;
        key(Qt::Key_S, Qt::ControlModifier);
        QPointer dialog = s.importDialog(CAC_EXAMPLE_DBC);
        QVERIFY(dialog);
        QCOMPARE(s.fake.dialogs->shown.last().first, texts::DbcOpenTitle);
        QVERIFY(!dialog->findChild<QWidget*>(names::DbcProblems)->isVisible());
        auto* preview = dialog->findChild<QTableWidget*>(names::DbcPreview);
        const auto notes = [&] { return dialog->findChild<QLabel*>(names::DbcNotes)->text(); };

        tickFirstFound("odometer"); // a 64-bit double is refused
        QVERIFY(notes().contains(texts::DbcRefused));
        QVERIFY(!dialog->findChild<QPushButton*>(names::DbcFill)->isEnabled());
        for (const char* search : {"enginesp", "0x288"}) {
            key(Qt::Key_S, Qt::AltModifier);
            QTest::keySequence(QGuiApplication::focusWindow(), QKeySequence::SelectAll);
            tickFirstFound(search);
        }
        key(Qt::Key_Tab);
        key(Qt::Key_Down); // the best variable for a coolant temperature
        QCOMPARE(preview->item(0, 0)->text(), "Coolant temp {ECT}");
        QCOMPARE(preview->item(ColOffset - 1, 0)->text(), "-48");
        QVERIFY(notes().isEmpty());
        QCOMPARE(dialog->findChild<QListWidget*>(names::DbcPlan)->item(1)->text(),
                 "Channel 3: Engine_2.CoolantTemp as Coolant temp {ECT}");
        const QString shot = QStringLiteral(CAC_SCREENSHOT_DIR "/dbc-dialog-%1.png");
        QVERIFY(dialog->grab().save(shot.arg(QApplication::style()->name())));
        QTest::mouseClick(dialog->findChild<QPushButton*>(names::DbcFill), Qt::LeftButton);
        QTRY_VERIFY(!dialog);
        QVERIFY(QTest::qWaitForWindowActive(s.window.get())); // the keys are the window's again

        QCOMPARE(RowText(*s.window->model(), 2),
                 "**Do not use**|11 bit|0x280|No Filter|0|16|16|Unsigned|Intel standard|4|0|0");
        QVERIFY(RowText(*s.window->model(), 1).startsWith(Oil)); // taken, so kept
        QCOMPARE(s.status(),
                 texts::filledChannels("demo-vehicle.dbc",
                                       {texts::filledChannel(2, "Engine_1.EngineSpeed"),
                                        texts::filledChannel(3, "Engine_2.CoolantTemp")}));
        QCOMPARE(s.equation(), "n/a"); // channel 2's, the first one filled
        s.fake.dialogs->answer = after;
        key(Qt::Key_S, Qt::ControlModifier);
        const QString cli = s.dir.filePath("cli.ccf");
        QCOMPARE(QProcess::execute(CAC_CLI, {"import", CAC_EXAMPLE_DBC,
                                             "EngineSpeed,CoolantTemp=ECT", "--into", before,
                                             "--catalogue", CAC_DEMO_CATALOGUE, "-o", cli}),
                 0);
        QCOMPARE(ReadAll(after), ReadAll(cli));
    }
    // Column titles, cut cell texts and the byte orders' entries carry tool tips.
    void toolTips() {
        Started s;
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        QVERIFY(
            !grid->model()->headerData(11, Qt::Horizontal, Qt::ToolTipRole).toString().isEmpty());
        const QString longId(40, 'F');
        s.window->model()->setCell(1, 3, longId);
        QCOMPARE(toolTipAt(grid->viewport(), grid->visualRect(grid->model()->index(0, 2)).center()),
                 longId);
        // Cut by the cell's width alone: wide letters, far fewer than a line holds of 'i'.
        const QFontMetrics metrics(grid->font());
        const QString wide(std::max(2, grid->columnWidth(2) / metrics.horizontalAdvance(u'i') / 2),
                           u'W');
        QVERIFY(metrics.horizontalAdvance(wide) > grid->columnWidth(2));
        s.window->model()->setCell(1, 3, wide);
        QCOMPARE(toolTipAt(grid->viewport(), grid->visualRect(grid->model()->index(0, 2)).center()),
                 wide);
        const QString shot = QStringLiteral(CAC_SCREENSHOT_DIR "/main-window-%1.png");
        QVERIFY(s.window->grab().save(shot.arg(QApplication::style()->name())));
        s.click(3, ColByteOrder); // the drop-down explains the entry the pointer rests on
        QAbstractItemView* shown = s.list(5)->popup()->view();
        QCOMPARE(
            toolTipAt(shown->viewport(), shown->visualRect(shown->model()->index(5, 0)).center()),
            toolTipLines(ByteOrderExplanation("Motorola backward")));
        key(Qt::Key_Escape);
    }

    // Edits that the checks find fault with: the panel lists them, a click or
    // Enter on one goes to its cell, which is marked and explains itself.
    // With CAC_WINDOW_SHOT set, the window is saved there for the README.
    void checksPanel() {
        Started s({2}, Catalogue::Demo);
        s.load(ExampleFile("engine-demo.ccf"));
        auto* findings = s.get<QListView>(names::ChecksList);
        QCOMPARE(findings->model()->rowCount(), 0);
        s.click(5, ColStartBit);
        clickEntry(s.list(2), "56");
        s.click(2, ColValueType);
        clickEntry(s.list(4), "Float (single)");
        s.click(3, ColFilterVal);
        retype("12abc");
        QTRY_COMPARE(findings->model()->rowCount(), 3);
        const QStringList lines = {
            "channel 2, Length (bits): error: ", "channel 3, Filter Val: warning: ",
            "channel 5, Start bit: error: "};
        for (int row = 0; row < 3; ++row)
            QVERIFY(findings->model()->index(row, 0).data().toString().startsWith(lines[row]));

        auto* grid = s.get<QTableView>(names::ChannelGrid);
        const QModelIndex startBit = grid->model()->index(4, ColStartBit - 1);
        QVERIFY(!grid->selectionModel()->isSelected(startBit));
        findings->scrollTo(findings->model()->index(2, 0));
        QTest::mouseClick(findings->viewport(), Qt::LeftButton, {},
                          findings->visualRect(findings->model()->index(2, 0)).center());
        QCOMPARE(grid->currentIndex(), startBit);
        QVERIFY(grid->selectionModel()->isSelected(startBit) && grid->hasFocus());
        QCOMPARE(toolTipAt(grid->viewport(), grid->visualRect(startBit).center()),
                 toolTipLines(findings->model()->index(2, 0).data().toString().section(": ", 1)));
        findings->setFocus();
        key(Qt::Key_Up);
        key(Qt::Key_Return);
        QCOMPARE(grid->currentIndex(), grid->model()->index(2, ColFilterVal - 1));
        QVERIFY(grid->hasFocus());

        s.window->statusBar()->clearMessage(); // it names this machine's folders
        if (const QString shot = qEnvironmentVariable("CAC_WINDOW_SHOT"); !shot.isEmpty())
            QVERIFY(s.window->grab().save(shot));
        auto* panel = s.get<QWidget>(names::ChecksPanel);
        QAction* shown = s.get<QAction>(names::MenuChecks);
        const int height = s.window->height();
        shown->trigger(); // the window gives back the panel's room, and takes it again
        QVERIFY(!panel->isVisible() && !shown->isChecked());
        QTRY_VERIFY(s.window->height() <= height - panel->height());
        shown->trigger();
        QVERIFY(panel->isVisible());
        QTRY_COMPARE(s.window->height(), height);
        QVERIFY(s.fake.messages->texts.isEmpty());
    }
    // The frame layout picture follows the current cell and every edit: the
    // cells each channel of the frame takes, the overlap of two of them, a
    // "Motorola backward" channel without bits. Its tool tip names a bit both
    // ways; its menu saves the picture as SVG and PNG; View hides it.
    void frameLayoutPicture() {
        Started s({2}, Catalogue::Demo);
        s.load(ExampleFile("layout-demo.ccf"));
        auto* view = s.get<FrameLayoutView>(names::FrameLayout);
        QAction* shown = s.get<QAction>(names::MenuFrameLayout);
        QVERIFY(!view->isVisible());
        shown->trigger();
        QVERIFY(view->isVisible());
        const auto cellsOf = [view](int channel) {
            QList<int> cells;
            for (int cell = 0; cell < FramePicture::Cells; ++cell)
                if (view->picture().owners[std::size_t(cell)].channels.contains(channel))
                    cells.append(cell);
            return cells;
        };
        const auto overlapping = [view] {
            QList<int> cells;
            for (int cell = 0; cell < FramePicture::Cells; ++cell)
                if (view->picture().owners[std::size_t(cell)].overlap)
                    cells.append(cell);
            return cells;
        };
        const auto run = [](int first, int last) { // cells, bytes down and bit 7 first
            QList<int> cells;
            for (int cell = first; cell <= last; ++cell)
                cells.append(cell);
            return cells;
        };
        auto* grid = s.get<QTableView>(names::ChannelGrid);
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(6, ColStartBit - 1));
        // 0x310: channel 6 Intel from bit 0 (bytes 0-1), 7 Motorola from bit 15
        // (byte 1, over channel 6), 8 Intel from bit 16 (byte 2).
        QCOMPARE(view->picture().channel, 7);
        QCOMPARE(cellsOf(6), run(0, 15));
        QCOMPARE(cellsOf(7), run(8, 15));
        QCOMPARE(cellsOf(8), run(16, 23));
        QCOMPARE(overlapping(), run(8, 15));
        s.window->statusBar()->clearMessage(); // it names this machine's folders
        if (const QString shot = qEnvironmentVariable("CAC_FRAME_LAYOUT_SHOT"); !shot.isEmpty()) {
            QTest::qWait(200); // the window takes the picture's room
            QVERIFY(s.window->grab().save(shot));
        }
        QCOMPARE(
            toolTipAt(view, PictureGeometry::cellRect(8).center().toPoint()).split('\n'), // byte 1
            QStringList({"Channel 6 (Oil temp {OILT}): weight 2^15",
                         "Channel 7 (Oil pressure {OILP}): weight 2^7", FramePictureOverlap,
                         "Byte 2, bit 7; bit 15 as a CAN database numbers it"}));

        key(Qt::Key_Return); // channel 7 moves to byte 3, away from channel 6
        clickEntry(s.list(ComboForColumn(ColStartBit)), "31");
        QCOMPARE(cellsOf(7), run(24, 31));
        QVERIFY(overlapping().isEmpty());
        grid->setCurrentIndex(grid->model()->index(6, ColByteOrder - 1));
        key(Qt::Key_Return);
        clickEntry(s.list(ComboForColumn(ColByteOrder)), "Motorola backward");
        QVERIFY(cellsOf(7).isEmpty());
        QCOMPARE(view->picture().notes.size(), 1);
        QVERIFY(view->picture().notes.first().startsWith("Channel 7 is not drawn: "));

        // Each channel's picture against the engine's bit map of every channel:
        // a cell holds the channels whose identifier text is the same and
        // whose bits take it.
        const ConfigModel& model = *s.window->model();
        for (int channel = 1; channel <= 8; ++channel) {
            view->showChannel(channel);
            for (int cell = 0; cell < FramePicture::Cells; ++cell) {
                QList<int> expected;
                for (int other = 1; other <= 8; ++other)
                    if (model.cell(other, ColCanId) == model.cell(channel, ColCanId) &&
                        MapChannelBits(model, other).covers(FramePicture::positionOf(cell)))
                        expected.append(other);
                QCOMPARE(view->picture().owners[std::size_t(cell)].channels, expected);
            }
        }
        // No two texts of a picture cover each other, the ends of a signal
        // and the channel numbers in a cell least of all.
        for (int channel = 1; channel <= 8; ++channel) {
            view->showChannel(channel);
            TextBoxes drawn;
            DrawFramePicture(view->picture(), drawn, Qt::black, Qt::white);
            const auto& boxes = drawn.boxes;
            for (qsizetype i = 0; i < boxes.size(); ++i)
                for (qsizetype j = i + 1; j < boxes.size(); ++j)
                    QVERIFY2(!boxes[i].second.intersects(boxes[j].second),
                             qPrintable(boxes[i].first + " over " + boxes[j].first));
        }
        // A channel without an identifier names none; 0x0 would be a frame.
        for (int channel : {9, ChannelCount}) {
            view->showChannel(channel);
            QCOMPARE(view->picture().title, FramePictureNoId(channel));
        }
        view->showChannel(7);

        for (int row = 7; row > 1; --row)
            key(Qt::Key_Up);
        QCOMPARE(view->picture().channel, 1); // 0x300 alone, bytes 6 and 7
        QVERIFY(view->picture().title.startsWith("Frame 0x300: channel 1"));
        QCOMPARE(cellsOf(1), run(48, 63));

        // The names typed, the type chosen (empty: the first, PNG) and the file
        // written. The dialog opens where the configuration came from; the
        // configuration's own dialog opened nowhere in particular.
        QCOMPARE(s.fake.dialogs->folders, QStringList({QString()}));
        const char* svgType = "SVG drawings (*.svg)";
        for (const auto& [typed, type, written] : {std::tuple("frame.svg", "", "frame.svg"),
                                                   {"frame.png", svgType, "frame.png"},
                                                   {"drawing", svgType, "drawing.svg"},
                                                   {"picture", "", "picture.png"},
                                                   {"v1.2", svgType, "v1.2.svg"}}) {
            s.fake.dialogs->answer = s.dir.filePath(typed);
            s.fake.dialogs->chosenType = type;
            s.get<QAction>(names::SavePicture)->trigger();
            QCOMPARE(s.fake.dialogs->folders.last(), QFileInfo(CAC_EXAMPLE_DBC).absolutePath());
            QCOMPARE(s.status(), texts::saved(QDir::toNativeSeparators(s.dir.filePath(written))));
        }
        QVERIFY(QFileInfo(s.dir.filePath("drawing.svg")).size() > 0 &&
                !QImage(s.dir.filePath("picture.png")).isNull());
        // A file handed to the window moves them too, the preview's log dialog as well.
        QDir(s.dir.path()).mkdir("handed");
        const QString handed = s.dir.filePath("handed/layout.ccf");
        QVERIFY(QFile::copy(ExampleFile("layout-demo.ccf"), handed));
        s.window->openFile(handed);
        s.fake.dialogs->answer.clear();
        s.get<QAction>(names::MenuPreviewLog)->trigger();
        QCOMPARE(s.fake.dialogs->shown.last().first, texts::PreviewLogTitle);
        QCOMPARE(s.fake.dialogs->folders.last(), s.dir.filePath("handed"));
        QFile svg(s.dir.filePath("frame.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg); // well formed, with the title among its texts
        QStringList svgTexts;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text")
                svgTexts.append(xml.readElementText());
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(svgTexts.contains("Frame 0x300: channel 1"));
        QCOMPARE(QImage(s.dir.filePath("frame.png")).size(), view->image().size());

        shown->trigger();
        QVERIFY(!view->isVisible());
    }
    // A configuration exported as HEX comes back from the image unchanged; a
    // broken image is named with its line and changes nothing.
    void loadFromImage() {
        Started a({2}, Catalogue::Demo);
        a.load(ExampleFile("engine-demo.ccf"));
        a.click(3, ColScale); // typed as the image gives it back
        retype("2.55");
        key(Qt::Key_G, Qt::ControlModifier);
        const QString hex = a.appFolder + "/TempConfig.hex";

        Started b({2}, Catalogue::Demo);
        const QByteArray startUp = SerializeCcf(*b.window->model());
        const QString broken = b.dir.filePath("broken.hex");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ReadAll(hex).replace(":10", ":11")); // every data record one byte short
        file.close();
        for (const QString& path : {broken, hex}) {
            b.fake.dialogs->answer = path;
            toolsCommand(Qt::Key_L);
            if (path == broken) {
                QCOMPARE(SerializeCcf(*b.window->model()), startUp);
                QVERIFY(b.status().startsWith("Could not load " + QDir::toNativeSeparators(broken) +
                                              ": line 2: "));
            }
        }
        QCOMPARE(b.fake.dialogs->shown.at(0).first, texts::LoadImageTitle);
        QCOMPARE(SerializeCcf(*b.window->model()), SerializeCcf(*a.window->model()));
        QCOMPARE(b.status(),
                 "Loaded the configuration of the image " + QDir::toNativeSeparators(hex));
    }
    // Tools > "Export as CAN database…" writes the channels as a database and
    // says how many in the status bar; Cancel writes nothing.
    void exportCanDatabase() {
        Started s({2}, Catalogue::Demo);
        s.load(ExampleFile("engine-demo.ccf"));
        const QString dbc = s.dir.filePath("demo.dbc");
        s.fake.dialogs->answer.clear();
        toolsCommand(Qt::Key_E);
        QVERIFY(!QFile::exists(dbc));
        s.fake.dialogs->answer = dbc;
        toolsCommand(Qt::Key_E);
        QCOMPARE(s.fake.dialogs->shown.last().first, texts::ExportDbcTitle);
        QCOMPARE(s.status(),
                 "Exported 5 channels in 5 messages to " + QDir::toNativeSeparators(dbc));
        const cac::CanDatabase database = cac::ReadCanDatabase(ReadAll(dbc));
        QCOMPARE(database.problems.size(), 0);
        QCOMPARE(database.messages.size(), 5);
        QCOMPARE(cac::SignalLayoutText(database.messages.at(4).signalList.at(0)),
                 QStringLiteral("0|16@0-"));
        QVERIFY(s.fake.messages->texts.isEmpty());
    }

    // Special files picked by mistake in the file dialogs, which list them:
    // each load is refused at once, says why in the status bar and changes
    // nothing. A pipe in the catalogue's place gives the catalogue's message
    // and start-up goes on.
    void specialFilesRefused() {
        Started s({2}, Catalogue::Fifo);
        QCOMPARE(s.fake.messages->texts, QStringList{CatalogueCorruptMessage});
        const QByteArray startUp = SerializeCcf(*s.window->model());
        const std::pair<QString, QString> picks[] = {
            {"/dev/zero", "it is a character device, not a regular file"},
            {s.fake.folders->catalogue, "it is a pipe (FIFO), not a regular file"},
            {s.appFolder, "it is a folder, not a file"}};
        for (const auto& [path, reason] : picks) {
            for (const bool fromImage : {false, true}) {
                const RowName row(path + (fromImage ? " as an image" : ""));
                s.fake.dialogs->answer = path;
                fromImage ? toolsCommand(Qt::Key_L) : key(Qt::Key_O, Qt::ControlModifier);
                QCOMPARE(s.status(), texts::couldNotLoad(QDir::toNativeSeparators(path), reason));
                QCOMPARE(SerializeCcf(*s.window->model()), startUp);
            }
        }
        QCOMPARE(s.fake.messages->texts.size(), 1);
#if !defined(CAC_ADDRESS_SANITIZER)
        QFile statm("/proc/self/statm"); // resident pages are its second number
        QVERIFY(statm.open(QIODevice::ReadOnly));
        const qint64 resident =
            statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
        QVERIFY2(resident < 200 * 1024 * 1024, qPrintable(QString::number(resident)));
#endif
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
