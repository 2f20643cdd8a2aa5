// Undo, redo and the clipboard of the channel grid: the history checked on
// random sequences of every kind of change against the engine's own file and
// image, then the real window driven by keys and mouse. CTest runs the suite
// once per widget style.
//
//   CAC_KEEP_COPIED=FILE tst_EditHistory   also keeps the copied channels'
//   clipboard text as FILE and its HTML as FILE.html, to open in a spreadsheet
#define QTEST_QPA_MOUSE_HANDLING

#include "FakePlatform.h"
#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "app/editing/EditHistory.h"
#include "app/editing/EditTexts.h"
#include "app/window/DisplayCap.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "channels/CellBlock.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "configfile/ImageToCcf.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUndoStack>

using namespace cac;
using namespace cac::app;

namespace {

const QStringList Variables = {DoNotUseText, QStringLiteral("Oil temp {OILT}"),
                               QStringLiteral("Engine speed {RPM}")};

// The file and the image: what undo must give back byte for byte.
QByteArray Bytes(const ConfigModel& model, const VariableCatalogue& catalogue) {
    return SerializeCcf(model) + BuildConfigImage(model, catalogue);
}

// A random change of any kind the user can make, applied as the window's
// editors and commands apply it.
class RandomUser {
public:
    // `loads`: also File > Load and Load from image, of configurations made
    // by a user who does not load.
    RandomUser(ConfigModel& model, const VariableCatalogue& catalogue, quint32 seed,
               const QString& folder, bool loads = true)
        : m_model(model), m_catalogue(catalogue), m_random(seed), m_folder(folder), m_loads(loads) {
    }

    void act() {
        int kind = m_random.bounded(9);
        if (!m_loads && (kind == 3 || kind == 4))
            kind = 0;
        switch (kind) {
        case 0: // a typed text
            m_model.setCell(row(), textColumn(), someText());
            break;
        case 1: { // a list choice and the defaults it fills
            const int r = row();
            const int column = listColumn();
            const QStringList entries = m_model.choiceList(ComboForColumn(column));
            m_model.setCell(r, column, entries[m_random.bounded(int(entries.size()))]);
            m_model.FillRowDefaults(r);
            break;
        }
        case 2: { // a paste, some of it not fitting
            CellBlock block;
            for (int r = m_random.bounded(1, 4); r > 0; --r) {
                QStringList fields;
                for (int c = m_random.bounded(1, 13); c > 0; --c)
                    fields << (m_random.bounded(2) ? someText() : QStringLiteral("63"));
                block << fields;
            }
            PasteCells(m_model, m_random.bounded(1, 16), m_random.bounded(1, 13), block);
            break;
        }
        case 3:
        case 4: { // File > Load, or Load from image, of a configuration made elsewhere
            ConfigModel other;
            other.setVariableList(Variables);
            RandomUser(other, m_catalogue, m_random.generate(), m_folder, false).fill();
            const QString path = m_folder + QStringLiteral("/other.ccf");
            if (kind == 3)
                QVERIFY(SaveCcfFile(other, path) && LoadCcfFile(m_model, path));
            else
                ApplyCcf(
                    m_model,
                    ImageToCcf(BuildConfigImage(other, m_catalogue), m_catalogue, Variables).ccf);
            break;
        }
        case 5:
            m_model.setObdModeEnabled(!m_model.obdModeEnabled());
            break;
        case 6: {
            const QStringList entries = PriorityEntries();
            m_model.setObdPriority(m_random.bounded(1, ObdParameterCount + 1),
                                   entries[m_random.bounded(int(entries.size()))]);
            break;
        }
        case 7: {
            const QStringList rates = BaudRateEntries() << QStringLiteral("typed 42");
            m_model.setBaudRateText(rates[m_random.bounded(int(rates.size()))]);
            break;
        }
        default:
            if (m_random.bounded(2))
                ClearCells(m_model, {{row(), textColumn()}, {row(), listColumn()}});
            else
                MoveChannel(m_model, row(), m_random.bounded(2) ? 1 : -1);
        }
    }
    void fill() {
        for (int n = 0; n < 12; ++n)
            act();
    }

private:
    int row() { return m_random.bounded(1, ChannelCount + 1); }
    int textColumn() {
        static const int columns[] = {ColCanId, ColFilterVal, ColScale, ColOffset, ColExponent};
        return columns[m_random.bounded(5)];
    }
    int listColumn() {
        static const int columns[] = {ColVariable, ColIdLength,  ColFilterLoc, ColStartBit,
                                      ColLength,   ColValueType, ColByteOrder};
        return columns[m_random.bounded(7)];
    }
    QString someText() {
        static const QStringList texts = {"",    "0x7FF", "1A",  " 29 bit", "0,25",
                                          "-40", "1e3",   "x|y", "255",     "0x1FFFFFFF"};
        return texts[m_random.bounded(int(texts.size()))];
    }

    ConfigModel& m_model;
    const VariableCatalogue& m_catalogue;
    QRandomGenerator m_random;
    QString m_folder;
    bool m_loads;
};

void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QGuiApplication::focusWindow(), k, modifiers);
}
void type(const QString& text) {
    for (QChar ch : text)
        QTest::keyClick(QGuiApplication::focusWindow(), ch.toLatin1());
}

// A window started with stand-in platform services and a catalogue of two
// variables.
struct Started {
    QTemporaryDir dir;
    testing::FakePlatform fake;
    std::unique_ptr<MainForm> window;

    Started() {
        fake.ports->openable = {2};
        fake.folders->catalogue = dir.filePath(QStringLiteral("Vars.cfg"));
        fake.folders->appFolder = dir.path();
        tools::VarsFileLayout varsFile;
        varsFile.upperIndexB = 8000;
        varsFile.entries = {{1000, {"OILT", "Oil temp"}}, {1500, {"RPM", "Engine speed"}}};
        QFile file(fake.folders->catalogue);
        if (file.open(QIODevice::WriteOnly))
            file.write(tools::WriteVarsFile(varsFile));
        file.close();
        window = std::make_unique<MainForm>(fake.services());
        window->startUp();
        activate();
    }
    void activate() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        grid()->setFocus();
    }
    QTableView* grid() const { return window->findChild<QTableView*>(names::ChannelGrid); }
    QAction* action(const QString& name) const { return window->findChild<QAction*>(name); }
    QString row(int r) const { return RowText(*window->model(), r); }
    // The cell alone selected, whatever modifier the last key left pressed.
    void goTo(int r, int c) const {
        grid()->selectionModel()->setCurrentIndex(grid()->model()->index(r - 1, c - 1),
                                                  QItemSelectionModel::ClearAndSelect);
    }
    void clickChannel(int r) const {
        QHeaderView* numbers = grid()->verticalHeader();
        QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {},
                          {5, numbers->sectionViewportPosition(r - 1) + 5});
    }
    // Channels `first` to `last` whole: Shift+Down over them, then Shift+Space.
    void selectChannels(int first, int last) const {
        goTo(first, ColScale - 1);
        key(Qt::Key_Right); // a move by key sets where Shift extends from
        for (int r = first; r < last; ++r)
            key(Qt::Key_Down, Qt::ShiftModifier);
        key(Qt::Key_Space, Qt::ShiftModifier);
    }
    QByteArray file() const { return SerializeCcf(*window->model()); }
};

} // namespace

class TestEditHistory : public QObject {
    Q_OBJECT
private slots:
    // Any sequence of changes undone step by step gives back the start's
    // file and image, redone the end's; each seed its own sequence.
    void undoAllRedoAll() {
        QTemporaryDir folder;
        const VariableCatalogue catalogue = StandardCatalogue();
        for (quint32 seed = 1; seed <= 40; ++seed) {
            const RowName name(QStringLiteral("seed %1").arg(seed));
            ConfigModel model;
            model.setVariableList(Variables);
            EditHistory history(&model);
            RandomUser user(model, catalogue, seed, folder.path());
            if (seed % 2) { // also from a configuration that is not the start-up one
                user.fill();
                history.reset();
            }
            const QByteArray start = Bytes(model, catalogue);
            const int actions = 30;
            for (int n = 0; n < actions; ++n) {
                user.act();
                if (n % 3) // a step made when the event loop comes round
                    QCoreApplication::processEvents();
            }
            const QByteArray end = Bytes(model, catalogue);
            history.settle();
            QVERIFY(history.stack()->count() <= actions);
            QVERIFY(history.stack()->count() >= actions / 3); // steps are made at all
            while (history.stack()->canUndo())
                history.undo();
            QCOMPARE(Bytes(model, catalogue), start);
            while (history.stack()->canRedo())
                history.redo();
            QCOMPARE(Bytes(model, catalogue), end);
            // Undoing creates no steps of its own.
            const int count = history.stack()->count();
            history.undo();
            QCoreApplication::processEvents();
            QCOMPARE(history.stack()->count(), count);
        }
    }

    // A named action is one step even when a dialog lets the event loop run
    // in between; nothing changed, no step.
    void scopesMakeOneStep() {
        ConfigModel model;
        model.setVariableList(Variables);
        EditHistory history(&model);
        {
            const EditHistory::Scope step(&history, texts::StepDbcFill);
            model.setCell(1, ColCanId, QStringLiteral("0x10"));
            QCoreApplication::processEvents(); // a dialog waits
            model.setCell(2, ColCanId, QStringLiteral("0x20"));
            model.setObdPriority(1, QStringLiteral("OFF"));
        }
        { const EditHistory::Scope cancelled(&history, texts::StepLoad); }
        QCoreApplication::processEvents();
        QCOMPARE(history.stack()->count(), 1);
        QCOMPARE(history.stack()->undoText(), texts::StepDbcFill);
        model.setBaudRateText(QStringLiteral("2"));
        QCoreApplication::processEvents();
        model.setBaudRateText(QStringLiteral("25")); // typed: one step for the text
        QCoreApplication::processEvents();
        QCOMPARE(history.stack()->count(), 2);
        QCOMPARE(history.stack()->undoText(), texts::StepBitRate);
        history.undo();
        QCOMPARE(model.baudRateText(), StartupBaudRate);
        // A priority's step names its row, the first and the last alike.
        for (int obdRow : {1, ObdParameterCount}) {
            const RowName row(QStringLiteral("priority row %1").arg(obdRow));
            const QString before = model.obdPriority(obdRow);
            model.setObdPriority(obdRow, before == QStringLiteral("3") ? "4" : "3");
            QCoreApplication::processEvents();
            QCOMPARE(history.stack()->undoText(),
                     "Priority of " + ObdParameterNames().value(obdRow - 1));
        }
    }

    void editMenuSitsBetweenFileAndTools() {
        Started s;
        QStringList menus;
        for (QAction* item : s.window->menuBar()->actions())
            menus << item->menu()->objectName();
        QCOMPARE(menus.mid(0, 3),
                 QStringList({names::MenuFile, names::MenuEdit, names::MenuTools}));
        QVERIFY(!s.action(names::MenuUndo)->isEnabled()); // the start-up state is no step
    }

    // A list choice fills the row's defaults; Ctrl+Z takes the choice and
    // every default back, Ctrl+Shift+Z and Ctrl+Y bring them again.
    void listChoiceUndoneByKeys() {
        Started s;
        s.goTo(3, ColCanId);
        type(QStringLiteral("0x280"));
        key(Qt::Key_Return);
        const QString typed = s.row(3);
        QCOMPARE(typed, QStringLiteral("||0x280|||||||||"));
        s.goTo(3, ColStartBit);
        type(QStringLiteral("16"));
        key(Qt::Key_Return);
        const QString chosen = s.row(3);
        QCOMPARE(chosen,
                 QStringLiteral(
                     "**Do not use**|11 bit|0x280|No Filter|0|16|1|Signed|Intel standard|1|0|0"));
        QCoreApplication::processEvents();
        QCOMPARE(s.action(names::MenuUndo)->text(), QStringLiteral("&Undo Start bit of channel 3"));

        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.row(3), typed);
        QCOMPARE(s.action(names::MenuRedo)->text(), QStringLiteral("&Redo Start bit of channel 3"));
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.row(3), chosen);
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.row(3), chosen);
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.row(3), EmptyRow);
    }

    // OBD mode undone: the check box, the caption and channel 15's variable
    // come back.
    void obdSwitchUndone() {
        Started s;
        s.window->model()->setCell(15, ColVariable, Variables[2]);
        QCoreApplication::processEvents();
        auto* check = s.window->findChild<QCheckBox*>(names::ObdModeCheck);
        const QString caption = s.window->windowTitle();
        check->click();
        QCoreApplication::processEvents();
        QCOMPARE(s.window->model()->cell(15, ColVariable), UsedForObdText);
        s.activate();
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!check->isChecked());
        QVERIFY(!s.window->model()->obdModeEnabled());
        QCOMPARE(s.window->windowTitle(), caption);
        QCOMPARE(s.window->model()->cell(15, ColVariable), Variables[2]);
    }

    // Five channels picked by their numbers, copied, pasted into another
    // window's configuration: the same file; the clipboard's text is what a
    // spreadsheet reads as five rows of twelve cells.
    void fiveChannelsCopiedIntoAnotherConfiguration() {
        Started from;
        const QStringList rows = {
            Variables[2] +
                "|29 bit|0x18FF00|Byte 8|255|63|32|Float (single)|Motorola backward|0,25|-40|",
            DefaultRow, "|||||||||\t tab|\"q\"|", EmptyRow,
            Variables[1] + "|11 bit|0x7FF|No Filter|0|0|1|Unsigned|Motorola seq|1|0|3"};
        for (int r = 0; r < rows.size(); ++r)
            SetRow(*from.window->model(), 4 + r, rows[r]);
        from.activate();
        from.selectChannels(4, 8);
        key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data->hasHtml());
        const CellBlock copied = CellBlockFromTsv(data->text());
        QCOMPARE(copied.size(), 5);
        for (const QStringList& fields : copied)
            QCOMPARE(fields.size(), 12);
        QCOMPARE(copied[2][9], QStringLiteral("\t tab"));
        if (const QString keep = qEnvironmentVariable("CAC_KEEP_COPIED"); !keep.isEmpty()) {
            QFile text(keep);
            QFile html(keep + QStringLiteral(".html"));
            QVERIFY(text.open(QIODevice::WriteOnly) && html.open(QIODevice::WriteOnly));
            text.write(data->text().toUtf8());
            html.write(data->html().toUtf8());
        }

        Started to;
        SetRow(*to.window->model(), 7, DefaultRow); // overwritten by the empty channel
        QCoreApplication::processEvents();
        to.window->editHistory()->reset();
        const QByteArray before = to.file();
        to.activate();
        to.goTo(4, 1);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(to.file(), from.file());
        QCOMPARE(to.window->statusBar()->currentMessage(), QStringLiteral("Pasted 60 cells."));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(to.file(), before);
    }

    // Ctrl+V at the current cell: whole channels go into whole channels,
    // whatever the column; afterwards exactly the pasted block is selected, up
    // to channel 15 and column 12; the report can be read whole in the status
    // bar's tool tip, where the bar cuts it off.
    void pasteSelectsTheBlock() {
        const QString letters = QStringList(12, "x").join('\t') + '\n';
        const struct {
            const char* name;
            int row, column;   // the current cell
            QString clipboard; // empty: channels 4 and 5 copied whole
            CellPlace first, last;
        } rows[] = {
            {"whole channels at the Scale column", 9, ColScale, {}, {9, 1}, {10, 12}},
            {"a block amid the grid", 7, 10, "1\t2\n3\t4\n", {7, 10}, {8, 11}},
            {"the last cell", 15, 12, "3\n", {15, 12}, {15, 12}},
            {"a block running off the last channel", 15, 11, "1\t2\t3\n4\n", {15, 11}, {15, 12}},
            {"12 spreadsheet columns", 1, ColByteOrder, letters.repeated(15), {1, 1}, {15, 12}},
        };
        Started s;
        SetRow(*s.window->model(), 4,
               Variables[2] + "|29 bit|0x18FF00|Byte 8|255|63|32|Unsigned|Motorola seq|0,25|-40|0");
        SetRow(*s.window->model(), 5, DefaultRow);
        QCoreApplication::processEvents();
        for (const auto& r : rows) {
            const RowName name(r.name);
            if (r.clipboard.isEmpty()) {
                s.selectChannels(4, 5);
                key(Qt::Key_C, Qt::ControlModifier);
            } else {
                QGuiApplication::clipboard()->setText(r.clipboard);
            }
            s.goTo(r.row, r.column);
            key(Qt::Key_V, Qt::ControlModifier);
            if (r.clipboard.isEmpty()) {
                QCOMPARE(s.row(9), s.row(4));
                QCOMPARE(s.row(10), s.row(5));
            }
            const QModelIndexList selected = s.grid()->selectionModel()->selectedIndexes();
            QCOMPARE(selected.size(),
                     (r.last.row - r.first.row + 1) * (r.last.column - r.first.column + 1));
            for (const QModelIndex& index : selected) {
                QVERIFY(index.row() + 1 >= r.first.row && index.row() + 1 <= r.last.row);
                QVERIFY(index.column() + 1 >= r.first.column &&
                        index.column() + 1 <= r.last.column);
            }
            QCOMPARE(s.grid()->currentIndex(),
                     s.grid()->model()->index(r.first.row - 1, r.first.column - 1));
            QStatusBar* bar = s.window->statusBar();
            QVERIFY(bar->currentMessage().startsWith("Pasted "));
            QHelpEvent rest(QEvent::ToolTip, {5, bar->height() / 2},
                            bar->mapToGlobal(QPoint(5, 5)));
            QCoreApplication::sendEvent(bar, &rest);
            QCOMPARE(QToolTip::text(), toolTipLines(bar->currentMessage())); // read whole
            key(Qt::Key_Z, Qt::ControlModifier);
        }
    }

    // A paste report names the first five cells refused and marks the rest
    // with "…": a column of texts the Start bit list does not hold, pasted
    // from channel 1 down.
    void pasteReportNamesFiveCells() {
        const QString five = QStringLiteral("channel 1 Start bit, channel 2 Start bit, channel 3 "
                                            "Start bit, channel 4 Start bit, channel 5 Start bit");
        const std::pair<int, QString> rows[] = {
            {1, "Pasted 0 cells; 1 cell not pasted: channel 1 Start bit."},
            {5, "Pasted 0 cells; 5 cells not pasted: " + five + '.'},
            {6, "Pasted 0 cells; 6 cells not pasted: " + five + QStringLiteral(", \u2026.")},
        };
        for (const auto& [refused, report] : rows) {
            const RowName row(QString::number(refused));
            ConfigModel model;
            const PasteOutcome outcome =
                PasteCells(model, 1, ColStartBit, CellBlock(refused, QStringList{"x"}));
            QCOMPARE(outcome.refused.size(), refused);
            QCOMPARE(texts::pasteReport(outcome), report);
        }
    }

    // A click on a channel number selects no row; channels selected by keys
    // are emptied by Delete; Alt+Up moves a channel and its settings together.
    void clearAndMoveByKeys() {
        Started s;
        SetRow(*s.window->model(), 2, DefaultRow);
        SetRow(*s.window->model(), 5, "|||||||||5||");
        QCoreApplication::processEvents();
        s.activate();
        s.clickChannel(5);
        QVERIFY(s.grid()->selectionModel()->selectedIndexes().size() <= 1);
        s.selectChannels(2, 5);
        QCOMPARE(s.grid()->selectionModel()->selectedIndexes().size(), 4 * 12);
        key(Qt::Key_Delete);
        QCOMPARE(s.row(2), EmptyRow);
        QCOMPARE(s.row(5), EmptyRow);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.row(2), DefaultRow);
        s.goTo(5, ColScale);
        key(Qt::Key_Up, Qt::AltModifier);
        key(Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(s.row(3), QStringLiteral("|||||||||5||"));
        QCOMPARE(s.row(5), EmptyRow);
        QCOMPARE(s.grid()->currentIndex().row(), 2);
        QCOMPARE(s.action(names::MenuUndo)->text(), QStringLiteral("&Undo Move channel 4 up"));

        // Ctrl with a key that moves the current cell moves the highlight
        // too: Delete clears the cell the keys went to, not the one left.
        s.window->model()->setCell(15, ColExponent, "3");
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int row, column; // where the current cell goes
            qsizetype selected;
        } moves[] = {
            {Qt::Key_Down, Qt::ControlModifier, 4, ColScale, 1},
            {Qt::Key_Up, Qt::ControlModifier, 3, ColScale, 1},
            {Qt::Key_End, Qt::ControlModifier, 15, ColExponent, 1},
            {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, 15, ColOffset, 2},
            {Qt::Key_Right, Qt::ControlModifier, 15, ColExponent, 1},
        };
        for (const auto& move : moves) {
            key(move.key, move.modifiers);
            QCOMPARE(s.grid()->currentIndex(),
                     s.grid()->model()->index(move.row - 1, move.column - 1));
            QCOMPARE(s.grid()->selectionModel()->selectedIndexes().size(), move.selected);
            QVERIFY(s.grid()->selectionModel()->isSelected(s.grid()->currentIndex()));
        }
        key(Qt::Key_Delete);
        QCOMPARE(s.window->model()->cell(15, ColExponent), QString());
        QCOMPARE(s.row(3), QStringLiteral("|||||||||5||"));
        key(Qt::Key_Home, Qt::ControlModifier); // the first cell
        QCOMPARE(s.grid()->selectionModel()->selectedIndexes(),
                 QModelIndexList{s.grid()->model()->index(0, 0)});
    }
};

QTEST_MAIN(TestEditHistory)
#include "tst_EditHistory.moc"
