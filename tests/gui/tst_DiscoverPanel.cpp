// "Find signals" in the real window: a log chosen through Tools, analysed on
// the worker thread; the engine-speed field chosen through its OBD reference
// fills the last channel as the command line's discover --into does, and one
// Ctrl+Z takes it back; Cancel leaves the panel as it was; logs too short to
// show a field say so on a line.
#include "BusOrderLog.h"
#include "ComboPopup.h"
#include "DemoWindow.h"
#include "SlcanPeer.h"
#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverPanel.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/FieldPictureView.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "canlog/LogReader.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "discover/DiscoveryTexts.h"
#include "discover/reference/ReferenceHint.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

namespace {

QString example(const QString& name) {
    return QStringLiteral(CAC_EXAMPLES_DIR) + u'/' + name;
}

QStringList rowCells(const ConfigModel& model, int channel) {
    QStringList cells;
    for (int column = 1; column <= 12; ++column)
        cells << model.cell(channel, column);
    return cells;
}

// A result of one frame of one identifier.
DiscoveryResult oneFrame() {
    DiscoveryResult result;
    result.frames = 1;
    result.identifiers.append(DiscoveredIdentifier{});
    result.identifiers.first().frames = 1;
    return result;
}

// A car at standstill as its bus sounds while the driver presses the brake
// three times: the brake switch (0x1A0 bit 0) and pressure (bits 16 to 31)
// move only then, beside a counter, a blinker flag and an engine speed that
// idles (0x2B0), and a gear enumeration (0x3C0) that move all along.
struct CarAtStandstill {
    static constexpr double Presses[3] = {1.5, 3.5, 5.5};
    static constexpr double PressSeconds = 0.6;
    int tick = 0;

    bool braking(double t) const {
        for (const double at : Presses)
            if (t >= at && t < at + PressSeconds)
                return true;
        return false;
    }
    QList<CanFrame> framesAt(double t) {
        const auto frame = [](std::uint32_t id, std::uint64_t data) {
            CanFrame f;
            f.id = id;
            f.length = 8;
            for (int i = 0; i < 8; ++i)
                f.data[std::size_t(i)] = std::uint8_t(data >> (8 * i));
            return f;
        };
        ++tick;
        double pressed = 0;
        for (const double at : Presses)
            if (t >= at && t < at + PressSeconds)
                pressed = t - at;
        const auto pressure = std::uint64_t(std::min(3000.0, pressed * 12000));
        const std::uint64_t brake =
            (braking(t) ? 1u : 0u) | pressure << 16 | std::uint64_t(tick & 0xF) << 56;
        const bool blinker = int(t / 0.7) % 2 == 1;
        const auto rpm = std::uint64_t((800 + 60 * std::sin(t * 2)) * 4);
        const std::uint64_t engine = (blinker ? 1u : 0u) | rpm << 8;
        const std::uint64_t gear = 0x55u | std::uint64_t(QList<int>{1, 3, 7}[int(t / 1.3) % 3])
                                               << 32;
        return {frame(0x1A0, brake), frame(0x2B0, engine), frame(0x3C0, gear)};
    }
};

} // namespace

class TestDiscoverPanel : public QObject, testing::DemoWindow {
    Q_OBJECT

    app::DiscoverPanel* panel() const { return m_window->discoverPanel(); }
    QTableWidget* identifiers() const { return get<QTableWidget>(app::names::DiscoverIdentifiers); }
    // Chooses the log in the file dialog stand-in and waits for the analysis.
    void discover(const QString& path) {
        QSignalSpy analysed(panel(), &app::DiscoverPanel::analysed);
        m_fake->dialogs->answer = path;
        trigger(app::names::MenuDiscover);
        QVERIFY(analysed.wait(60000));
        QVERIFY(!panel()->isAnalysing());
    }
    void saveShot(const QString& name) {
        const QString dir = qEnvironmentVariable("CAC_DISCOVER_SHOTS");
        if (!dir.isEmpty())
            QVERIFY(m_window->grab().save(dir + u'/' + name));
    }
    // What the user sees of the panel's outcome: no message box, nothing
    // analysing, the lines shown.
    void checkNoBox() {
        QVERIFY(m_fake->messages->texts.isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!get<QPushButton>(app::names::DiscoverCancel)->isVisible());
    }

private slots:
    void init() { startDemoWindow(); }
    void cleanup() { stopDemoWindow(); }

    // The engine-speed field, chosen through its OBD answers, fills the last
    // channel with the row discover --into writes; the preview then decodes
    // it as it decodes the database's engine speed on channel 1; one Ctrl+Z
    // gives the channel back whole.
    void useForChannelFillsWhatTheCommandLineWrites() {
        const QString log = example(QStringLiteral("discover-demo-obd.log"));
        QSignalSpy refreshed(m_window->previewPanel(), &app::PreviewPanel::refreshed);
        m_fake->dialogs->answer = log;
        trigger(app::names::MenuPreviewLog);
        QVERIFY(refreshed.wait(20000));
        discover(log);
        checkNoBox();
        QCOMPARE(get<QLabel>(app::names::DiscoverSource)->text(),
                 app::texts::discoverAnalysed(QStringLiteral("discover-demo-obd.log"),
                                              QStringLiteral("candump log"), 6930, 10));

        const QList<QTableWidgetItem*> found =
            identifiers()->findItems(QStringLiteral("0x280"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(identifiers()->viewport(), Qt::LeftButton, {},
                          identifiers()->visualItemRect(found.first()).center());
        auto* fields = get<QTableWidget>(app::names::DiscoverFields);
        const QList<QTableWidgetItem*> speed =
            fields->findItems(QStringLiteral("F0x280_16_16"), Qt::MatchExactly);
        QCOMPARE(speed.size(), 1);
        // Its top bit stayed at 1 all through the log: the kind's tool tip
        // says so, under the kind.
        QCOMPARE(fields->item(speed.first()->row(), 2)->toolTip(),
                 QStringLiteral("continuous\ntop bit never moved in this log; read as unsigned"));

        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        const int rpm = reference->findText(QStringLiteral("OBD 0C Engine RPM [rpm]"));
        QVERIFY(rpm > 0);
        reference->setFocus();
        for (int i = 0; i < rpm; ++i)
            QTest::keyClick(reference, Qt::Key_Down);
        auto* matches = get<QTableWidget>(app::names::DiscoverMatches);
        QVERIFY(matches->rowCount() > 0);
        QCOMPARE(matches->item(0, 1)->text(), QStringLiteral("F0x280_16_16"));
        QCOMPARE(matches->item(0, 1)->toolTip(),
                 QStringLiteral("not certain beyond raw 3232 to 27429: top bit never moved in "
                                "this log; read as unsigned"));
        QCOMPARE(matches->currentRow(), 0);

        // The last channel, typed into the chooser.
        auto* channel = get<QSpinBox>(app::names::DiscoverChannel);
        auto* use = get<QPushButton>(app::names::DiscoverUse);
        QCOMPARE(channel->value(), 6); // channel 1 is filled: the first empty one
        QCOMPARE(get<QLabel>(app::names::DiscoverChannelNote)->text(),
                 app::texts::discoverChannelFirstFree(6));
        channel->setFocus();
        QTest::keyClick(channel, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(channel, QStringLiteral("15"));
        QCOMPARE(use->text(), app::texts::discoverUse(15));
        const ConfigSnapshot before = m_window->model()->snapshot();
        QTest::mouseClick(use, Qt::LeftButton);

        // The command line, on its own path through the same log.
        const QString cli = m_dir.filePath(QStringLiteral("cli.ccf"));
        QProcess program;
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(QProcess::nullDevice());
        program.start(CAC_CLI,
                      {QStringLiteral("discover"), log, QStringLiteral("--reference"),
                       QStringLiteral("obd"), QStringLiteral("--into"),
                       example(QStringLiteral("engine-demo.ccf")), QStringLiteral("--channel"),
                       QStringLiteral("13"), QStringLiteral("--catalogue"),
                       QStringLiteral(CAC_DEMO_CATALOGUE), QStringLiteral("-o"), cli});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        ConfigModel written;
        written.setVariableList(m_window->model()->choiceList(0));
        QVERIFY(LoadCcfFile(written, cli));
        int cliChannel = 0;
        for (int c = 13; c <= ChannelCount; ++c)
            if (written.cell(c, ColCanId) == QStringLiteral("0x280"))
                cliChannel = c;
        QVERIFY(cliChannel > 0);
        QCOMPARE(rowCells(*m_window->model(), 15), rowCells(written, cliChannel));
        QCOMPARE(m_window->model()->cell(15, ColVariable), QStringLiteral("Engine speed {RPM}"));

        // What the logger gets: the database's engine speed, within a step.
        QVERIFY(refreshed.wait(20000));
        auto* lines = get<QTableWidget>(app::names::PreviewTable);
        const auto line = [&](int channel) {
            for (int row = 0; row < lines->rowCount(); ++row)
                if (lines->item(row, 0)->text() == QString::number(channel))
                    return row;
            return -1;
        };
        const int ours = line(15), theirs = line(1);
        QVERIFY(ours >= 0 && theirs >= 0);
        QCOMPARE(lines->item(ours, 2)->text(), lines->item(theirs, 2)->text()); // frames
        for (int column : {4, 5}) // least and greatest value
            QVERIFY(std::abs(lines->item(ours, column)->text().toDouble() -
                             lines->item(theirs, column)->text().toDouble()) <= 1);

        m_window->activateWindow();
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_window->model()->snapshot() == before);
    }

    // A CSV of another instrument and a typed hint rank the fields too; a
    // hint that is no range says why on the panel's line, "none" leaves
    // nothing to use.
    // Engine speed as another instrument would log it: from the frames, a
    // quarter of bytes 2 and 3, its times in `perSecond` counts a second.
    QString speedCsv(const QString& log, const char* name, const char* header, int perSecond) {
        const QString csv = m_dir.filePath(QString::fromLatin1(name));
        QFile in(log), out(csv);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            return {};
        QString error;
        const auto reader = OpenLogReader(&in, LogFormat::Unknown, &error);
        if (!reader)
            return {};
        out.write(QByteArray(header) + '\n');
        CanFrame frame;
        while (reader->readFrame(frame))
            if (frame.id == 0x280)
                out.write(QByteArray::number(frame.time * perSecond, 'f', 6) + ',' +
                          QByteArray::number((frame.data[2] | frame.data[3] << 8) / 4.0) + '\n');
        return csv;
    }

    // A CSV timed in milliseconds, its unit typed beside it, and a variable
    // of another unit chosen through the list: said before Use, gone when
    // the units agree again.
    void csvTimesAndUnits() {
        const QString log = example(QStringLiteral("discover-demo-obd.log"));
        const QString csv = speedCsv(log, "speed-ms.csv", "Time [ms],Pressure", 1000);
        QVERIFY(!csv.isEmpty());
        discover(log);
        auto* unit = get<QLineEdit>(app::names::DiscoverCsvUnit);
        QTest::mouseClick(unit, Qt::LeftButton);
        QTest::keyClicks(unit, QStringLiteral("kPa"));
        m_fake->dialogs->answer = csv;
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverCsv), Qt::LeftButton);
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        QCOMPARE(reference->currentText(), QStringLiteral("Pressure [kPa]"));
        auto* matches = get<QTableWidget>(app::names::DiscoverMatches);
        QCOMPARE(matches->item(0, 1)->text(), QStringLiteral("F0x280_16_16"));
        QCOMPARE(matches->item(0, 3)->text(), QStringLiteral("4"));

        auto* units = get<QLabel>(app::names::DiscoverUnitNote);
        QVERIFY(!units->isVisible()); // the channel's own variable: none yet
        auto* variable = get<QComboBox>(app::names::DiscoverVariable);
        testing::chooseInPopup(variable, QStringLiteral("Manifold pressure {MAP}"));
        QVERIFY(units->isVisible());
        QCOMPARE(units->text(), app::texts::discoverUnitsDiffer(QStringLiteral(
                                    "the reference is in kPa, the variable in [mBar]")));
        testing::chooseInPopup(variable,
                               QStringLiteral("Gear {GEAR}")); // no units: taken as it comes
        QVERIFY(!units->isVisible());
        checkNoBox();
    }

    void csvAndHintReferences() {
        const QString log = example(QStringLiteral("discover-demo-obd.log"));
        // Engine speed as another instrument would log it: from the frames,
        // a quarter of bytes 2 and 3.
        const QString csv = speedCsv(log, "speed.csv", "time,Engine speed [rpm]", 1);
        discover(log);
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        auto* matches = get<QTableWidget>(app::names::DiscoverMatches);
        auto* use = get<QPushButton>(app::names::DiscoverUse);
        const auto choose = [&](const QString& entry) {
            reference->setFocus();
            const int to = reference->findText(entry);
            QVERIFY(to >= 0);
            while (reference->currentIndex() != to)
                QTest::keyClick(reference,
                                reference->currentIndex() < to ? Qt::Key_Down : Qt::Key_Up);
        };

        m_fake->dialogs->answer = csv;
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverCsv), Qt::LeftButton);
        QCOMPARE(reference->currentText(), QStringLiteral("Engine speed [rpm]"));
        QCOMPARE(matches->item(0, 1)->text(), QStringLiteral("F0x280_16_16"));
        QCOMPARE(matches->item(0, 3)->text(), QStringLiteral("4")); // scale
        QCOMPARE(matches->item(0, 4)->text(), QStringLiteral("0")); // offset
        QVERIFY(use->isEnabled());

        auto* hint = get<QLineEdit>(app::names::DiscoverHint);
        QTest::mouseClick(hint, Qt::LeftButton);
        QTest::keyClicks(hint, QStringLiteral("7000..800"));
        QTest::keyClick(hint, Qt::Key_Return);
        auto* refused = get<QLabel>(app::names::DiscoverRefusal);
        QVERIFY(refused->isVisible());
        QString why;
        ReferenceHint parsed;
        QVERIFY(!ParseReferenceHint(QStringLiteral("7000..800"), parsed, &why));
        QCOMPARE(refused->text(), why);
        hint->selectAll();
        QTest::keyClicks(hint, QStringLiteral("800..7000"));
        QTest::keyClick(hint, Qt::Key_Return);
        QVERIFY(!refused->isVisible());
        QCOMPARE(reference->currentText(), QStringLiteral("hint 800..7000"));
        QVERIFY(matches->rowCount() > 0);

        // An empty hint is refused; choosing another reference takes the
        // refusal away, from the panel and from the status bar.
        hint->selectAll();
        QTest::keyClick(hint, Qt::Key_Delete);
        QTest::keyClick(hint, Qt::Key_Return);
        QVERIFY(refused->isVisible());
        QCOMPARE(m_window->statusBar()->currentMessage(), refused->text());
        choose(QStringLiteral("Engine speed [rpm]"));
        QVERIFY(!refused->isVisible());
        QCOMPARE(m_window->statusBar()->currentMessage(), QString());
        QCOMPARE(matches->item(0, 1)->text(), QStringLiteral("F0x280_16_16"));

        // Without a reference the field chosen in the fields stays usable,
        // as its raw value.
        choose(app::texts::DiscoverNoReference);
        QCOMPARE(matches->rowCount(), 0);
        QVERIFY(use->isEnabled());
        QCOMPARE(get<QLineEdit>(app::names::DiscoverScale)->text(), QStringLiteral("1"));
        QCOMPARE(get<QLineEdit>(app::names::DiscoverOffset)->text(), QStringLiteral("0"));
        checkNoBox();
    }

    // Use writes the field the user chose: in the fields while a match of
    // another is selected, on the picture with no reference at all, with
    // the scale factor, offset and variable typed and picked before Use.
    // Each fill is one undo step.
    void useTakesTheChosenField() {
        discover(example(QStringLiteral("discover-demo-obd.log")));
        auto* fields = get<QTableWidget>(app::names::DiscoverFields);
        auto* use = get<QPushButton>(app::names::DiscoverUse);
        auto* scale = get<QLineEdit>(app::names::DiscoverScale);
        auto* offset = get<QLineEdit>(app::names::DiscoverOffset);
        auto* variable = get<QComboBox>(app::names::DiscoverVariable);
        const auto clickIdentifier = [&](const QString& id) {
            const QList<QTableWidgetItem*> found = identifiers()->findItems(id, Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            QTest::mouseClick(identifiers()->viewport(), Qt::LeftButton, {},
                              identifiers()->visualItemRect(found.first()).center());
        };
        const auto clickField = [&](const QString& name) {
            const QList<QTableWidgetItem*> found = fields->findItems(name, Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            fields->scrollToItem(found.first());
            QTest::mouseClick(fields->viewport(), Qt::LeftButton, {},
                              fields->visualItemRect(found.first()).center());
            QCOMPARE(fields->currentRow(), found.first()->row());
        };
        // Start bit, length, value type, byte order, scale factor, offset.
        const auto layoutOf = [&](int channel) {
            const ConfigModel& model = *m_window->model();
            return QStringList{model.cell(channel, ColCanId),     model.cell(channel, ColStartBit),
                               model.cell(channel, ColLength),    model.cell(channel, ColValueType),
                               model.cell(channel, ColByteOrder), model.cell(channel, ColScale),
                               model.cell(channel, ColOffset)};
        };
        // An empty channel's variable, kept, is the list's first entry.
        const QString kept = m_window->model()->choiceList(0).first();

        // The counter beside the engine speed, while the engine speed's match
        // is selected: the counter, raw.
        clickIdentifier(QStringLiteral("0x280"));
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        reference->setFocus();
        while (reference->currentText() != QStringLiteral("OBD 0C Engine RPM [rpm]"))
            QTest::keyClick(reference, Qt::Key_Down);
        QCOMPARE(scale->text(), QStringLiteral("4"));
        clickField(QStringLiteral("Counter0x280_60_4"));
        QCOMPARE(scale->text(), QStringLiteral("1"));
        QCOMPARE(offset->text(), QStringLiteral("0"));
        QCOMPARE(variable->currentText(), app::texts::DiscoverVariableKept);
        QCOMPARE(get<QSpinBox>(app::names::DiscoverChannel)->value(), 6);
        QTest::mouseClick(use, Qt::LeftButton);
        QCOMPARE(layoutOf(6),
                 (QStringList{"0x280", "60", "4", "Unsigned", "Intel standard", "1", "0"}));
        QCOMPARE(m_window->model()->cell(6, ColVariable), kept);
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 app::texts::discoverFilled(QStringLiteral("channel 6: Counter0x280_60_4")));
        // Back on the engine speed, its match applies again.
        clickField(QStringLiteral("F0x280_16_16"));
        QCOMPARE(scale->text(), QStringLiteral("4"));

        // The steering angle, clicked on the picture (bit 7 of the first
        // byte), no reference; scale factor and offset typed, the variable
        // picked in its drop-down.
        clickIdentifier(QStringLiteral("0x18FEBF0B"));
        auto* picture = get<app::FieldPictureView>(app::names::DiscoverPicture);
        const QSizeF natural(app::PictureGeometry::width(), app::PictureGeometry::height(0));
        const qreal factor =
            std::min(picture->width() / natural.width(), picture->height() / natural.height());
        const QPointF cell = app::PictureGeometry::cellRect(0).center() * factor +
                             QPointF((picture->width() - natural.width() * factor) / 2, 0);
        clickField(QStringLiteral("Enum0x18FEBF0B_16_2"));
        QTest::mouseClick(picture, Qt::LeftButton, {}, cell.toPoint());
        QCOMPARE(fields->item(fields->currentRow(), 1)->text(), QStringLiteral("F0x18FEBF0B_7_16"));
        QCOMPARE(scale->text(), QStringLiteral("1"));
        QTest::mouseClick(scale, Qt::LeftButton);
        scale->selectAll();
        QTest::keyClicks(scale, QStringLiteral("10"));
        QTest::mouseClick(offset, Qt::LeftButton);
        offset->selectAll();
        QTest::keyClicks(offset, QStringLiteral("-2.5"));
        const QString steering = m_window->model()->choiceList(0).last();
        QTest::mouseClick(variable, Qt::LeftButton);
        QAbstractItemView* entries = variable->view();
        QTRY_VERIFY(entries->isVisible());
        const QModelIndex entry = entries->model()->index(variable->findText(steering), 0);
        entries->scrollTo(entry);
        // The drop-down passes over a release that comes as quickly as a
        // double click after it opened.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                          entries->visualRect(entry).center());
        QTRY_VERIFY(!entries->isVisible());
        QCOMPARE(variable->currentText(), steering);
        auto* channel = get<QSpinBox>(app::names::DiscoverChannel);
        channel->setFocus();
        QTest::keyClick(channel, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(channel, QString::number(ChannelCount));
        const ConfigSnapshot before = m_window->model()->snapshot();
        QTest::mouseClick(use, Qt::LeftButton);
        QCOMPARE(layoutOf(ChannelCount), (QStringList{"0x18FEBF0B", "7", "16", "Signed",
                                                      "Motorola forw MSB", "10", "-2.5"}));
        QCOMPARE(m_window->model()->cell(ChannelCount, ColVariable), steering);
        m_window->activateWindow();
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(m_window->model()->snapshot() == before);

        // A paged frame: its two pages lay their own fields over the same
        // bytes, drawn without overlap; a page's field, used, fills a
        // channel filtered on the page number in byte 1.
        clickIdentifier(QStringLiteral("0x2A0"));
        clickField(QStringLiteral("F0x2A0_24_8_m2"));
        const auto overlaps = [&] {
            const auto& owners = picture->picture().owners;
            return std::count_if(owners.begin(), owners.end(),
                                 [](const BitOwners& cell) { return cell.overlap; });
        };
        QCOMPARE(overlaps(), 0);
        const int pedal = channel->value();
        QTest::mouseClick(use, Qt::LeftButton);
        QCOMPARE(layoutOf(pedal).mid(0, 5),
                 (QStringList{"0x2A0", "24", "8", "Unsigned", "Intel standard"}));
        QCOMPARE(m_window->model()->cell(pedal, ColFilterLoc), QStringLiteral("Byte 1"));
        QCOMPARE(m_window->model()->cell(pedal, ColFilterVal), QStringLiteral("2"));

        // A constant run is nothing to log.
        clickIdentifier(QStringLiteral("0x18FEBF0B"));
        clickField(QStringLiteral("Const0x18FEBF0B_32_8"));
        QVERIFY(!use->isEnabled());
        QVERIFY(!scale->isEnabled());
        checkNoBox();
    }

    // The chooser stands on the grid's current row when it is empty, else
    // on the first empty channel: the first and the last row, a filled row,
    // and the last row while OBD mode holds it.
    void chooserProposesTheCurrentEmptyRow_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("obd");
        QTest::addColumn<int>("proposed");
        QTest::newRow("first, filled") << 1 << false << 6;
        QTest::newRow("next to the filled") << 7 << false << 7;
        QTest::newRow("last") << ChannelCount << false << ChannelCount;
        QTest::newRow("last, OBD") << ChannelCount << true << 6;
    }
    void chooserProposesTheCurrentEmptyRow() {
        QFETCH(int, current);
        QFETCH(bool, obd);
        QFETCH(int, proposed);
        if (obd)
            QTest::mouseClick(get<QCheckBox>(app::names::ObdModeCheck), Qt::LeftButton);
        QCOMPARE(m_window->model()->obdModeEnabled(), obd);
        auto* grid = get<QTableView>(app::names::ChannelGrid);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        for (int row = 1; row < current; ++row)
            QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentIndex().row() + 1, current);
        discover(example(QStringLiteral("discover-demo-obd.log")));
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        reference->setFocus();
        QTest::keyClick(reference, Qt::Key_Down);
        QVERIFY(get<QPushButton>(app::names::DiscoverUse)->isEnabled());
        QCOMPARE(get<QSpinBox>(app::names::DiscoverChannel)->value(), proposed);
    }

    // Cancel stops a long analysis: the panel shows what it showed before,
    // whole, and the next log is analysed as usual.
    void cancelLeavesThePanelAsItWas() {
        discover(example(QStringLiteral("discover-demo.log")));
        const int shown = identifiers()->rowCount();
        QVERIFY(shown > 0);
        const QString path = m_dir.filePath(QStringLiteral("long.log"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray chunk;
            for (int i = 0; i < 1'000'000; ++i) {
                chunk += QByteArray("(") + QByteArray::number(i * 0.001, 'f', 6) + ") can0 123#" +
                         QByteArray::number(i % 65536 + 65536, 16).right(4) + "00112233\n";
                if (chunk.size() > (1 << 20)) {
                    file.write(chunk);
                    chunk.clear();
                }
            }
            file.write(chunk);
        }
        m_fake->dialogs->answer = path;
        trigger(app::names::MenuDiscover);
        QVERIFY(panel()->isAnalysing());
        auto* cancel = get<QPushButton>(app::names::DiscoverCancel);
        QTRY_VERIFY(cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!panel()->isAnalysing());
        checkNoBox();
        QCOMPARE(get<QLabel>(app::names::DiscoverSource)->text(),
                 app::texts::discoverCancelled(QStringLiteral("long.log")));
        QCOMPARE(identifiers()->rowCount(), shown);
        QVERIFY(identifiers()->findItems(QStringLiteral("0x123"), Qt::MatchExactly).isEmpty());
        discover(example(QStringLiteral("discover-demo-obd.log")));
        QCOMPARE(identifiers()->rowCount(), 10);
    }

    // At the car: the panel listens to an SLCAN adapter on COM5 (nothing but
    // opening and closing is ever sent to it), finds the fields while the
    // traffic comes, lights the bits that change, and takes a mark each time
    // the brake is pressed, through the button, the Space bar and Enter.
    // Pause passes frames over; the recording saved holds every frame taken,
    // as a candump log this program reads back.
    void findsSignalsLiveWithMarks() {
        testing::SlcanPeer peer;
        QVERIFY(peer.isValid());
        m_fake->ports->openable = {5};
        m_fake->ports->devices[5] = peer.device();
        trigger(app::names::MenuDiscoverLive);
        QDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = qobject_cast<QDialog*>(qApp->activeModalWidget())));
        auto* interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        const QString title = app::texts::liveSlcanOnPort(5, peer.device());
        interfaces->setCurrentIndex(interfaces->findText(title));
        QCOMPARE(interfaces->currentText(), title);
        QSignalSpy listening(panel(), &app::DiscoverPanel::listening);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QTRY_COMPARE(peer.received(), QByteArray("C\rS6\rO\r"));
        QVERIFY(peer.send("\a\r\r")); // closing a closed channel is refused
        QVERIFY(listening.wait(10000));
        QVERIFY(panel()->isVisible());
        // The window is the active one again once the dialog has closed.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        auto* source = get<QLabel>(app::names::DiscoverSource);
        QCOMPARE(source->text(), app::texts::discoverListening(title, 0, 0));

        auto* markLabel = get<QLineEdit>(app::names::DiscoverMarkLabel);
        auto* fields = get<QTableWidget>(app::names::DiscoverFields);
        auto* picture = get<app::FieldPictureView>(app::names::DiscoverPicture);
        CarAtStandstill car;
        QList<CanFrame> taken;
        qint64 passedOver = 0;
        int marked = 0;
        bool litSeen = false, paused = false;
        QElapsedTimer clock;
        clock.start();
        for (double t = 0; t < 7.6; t = double(clock.elapsed()) / 1000) {
            QList<CanFrame> frames = car.framesAt(t);
            QByteArray lines;
            for (const CanFrame& f : frames)
                lines += cac::testing::SlcanLine(f, -1);
            QVERIFY(peer.send(lines));
            if (paused)
                passedOver += frames.size();
            else
                taken += frames;
            if (marked < 3 && t >= CarAtStandstill::Presses[marked]) {
                // "now, I pressed the brake", three ways
                if (marked == 0) {
                    QTest::keyClicks(markLabel, QStringLiteral("brake"));
                    QTest::mouseClick(get<QPushButton>(app::names::DiscoverMark), Qt::LeftButton);
                } else if (marked == 1) {
                    fields->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(fields, Qt::Key_Space);
                } else {
                    markLabel->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(markLabel, Qt::Key_Return);
                }
                ++marked;
                // The brake's identifier on the picture: its switch lights.
                const auto found =
                    identifiers()->findItems(QStringLiteral("0x1A0"), Qt::MatchExactly);
                if (!found.isEmpty())
                    identifiers()->setCurrentCell(found.first()->row(), 0);
            }
            if (car.braking(t) && t > CarAtStandstill::Presses[0] + 0.2 &&
                picture->litBits().contains(0))
                litSeen = true;
            if (!paused && t >= 6.6 && t < 6.9) {
                // Everything sent so far is taken before the pause.
                QTRY_COMPARE(source->text(), app::texts::discoverListening(title, taken.size(), 3));
                QTest::mouseClick(get<QPushButton>(app::names::DiscoverPause), Qt::LeftButton);
                paused = true;
            } else if (paused && t >= 6.9) {
                QTRY_COMPARE(source->text(),
                             app::texts::discoverPaused(title, taken.size(), 3, passedOver));
                QCOMPARE(get<QPushButton>(app::names::DiscoverPause)->text(),
                         app::texts::DiscoverContinue);
                QTest::mouseClick(get<QPushButton>(app::names::DiscoverPause), Qt::LeftButton);
                paused = false;
            }
            QTest::qWait(20);
        }
        QVERIFY(passedOver > 0);
        QVERIFY(litSeen);
        QCOMPARE(marked, 3);
        // Found again once the last frames are in: each identifier's frames.
        const auto framesShown = [&] {
            qint64 sum = 0;
            for (int row = 0; row < identifiers()->rowCount(); ++row)
                sum += identifiers()->item(row, 2)->text().toLongLong();
            return sum;
        };
        QTRY_COMPARE_WITH_TIMEOUT(framesShown(), qint64(taken.size()), 10000);
        QCOMPARE(source->text(), app::texts::discoverListening(title, taken.size(), 3));
        QCOMPARE(identifiers()->rowCount(), 3);
        // Three marks, each within a frame or two of its press, all "brake".
        const QString marks = get<QLabel>(app::names::DiscoverMarks)->text();
        QVERIFY2(marks.startsWith(QStringLiteral("Marks: ")) &&
                     marks.count(QStringLiteral("brake")) == 3,
                 qPrintable(marks));

        // The marks rank the brake switch first; Use fills exactly its row.
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        const int marksEntry = reference->findText(QStringLiteral("marks "), Qt::MatchStartsWith);
        QVERIFY(marksEntry > 0);
        reference->setCurrentIndex(marksEntry);
        emit reference->activated(marksEntry);
        auto* matches = get<QTableWidget>(app::names::DiscoverMatches);
        QVERIFY(matches->rowCount() >= 2);
        QCOMPARE(matches->item(0, 1)->text(), QStringLiteral("Flag0x1A0_0_1"));
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverUse), Qt::LeftButton);
        const int channel = get<QSpinBox>(app::names::DiscoverChannel)->value();
        QCOMPARE(m_window->model()->cell(channel, ColCanId), QStringLiteral("0x1A0"));
        QCOMPARE(m_window->model()->cell(channel, ColStartBit), QStringLiteral("0"));
        QCOMPARE(m_window->model()->cell(channel, ColLength), QStringLiteral("1"));

        // The recording, saved while listening, reads back frame for frame.
        const QString saved = m_dir.filePath(QStringLiteral("at the car.log"));
        m_fake->dialogs->answer = saved;
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverSaveRecording), Qt::LeftButton);
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 app::texts::discoverRecordingSaved(QDir::toNativeSeparators(saved), taken.size()));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        const auto reader = OpenLogReader(&file, LogFormat::Unknown, &error);
        QVERIFY2(reader, qPrintable(error));
        QList<CanFrame> read;
        for (CanFrame f; reader->readFrame(f);)
            read << f;
        QCOMPARE(reader->problemCount(), qint64(0));
        QCOMPARE(reader->times(), LogTimes::Absolute);
        QCOMPARE(read.size(), taken.size());
        for (qsizetype i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].id, taken[i].id);
            QCOMPARE(read[i].data, taken[i].data);
        }

        saveShot(QStringLiteral("discover-live.png"));
        QSignalSpy ended(panel(), &app::DiscoverPanel::listeningEnded);
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverStop), Qt::LeftButton);
        QVERIFY(ended.count() == 1 || ended.wait(10000));
        QCOMPARE(source->text(), app::texts::discoverListenStopped(title, taken.size()));
        QVERIFY(!get<QPushButton>(app::names::DiscoverMark)->isEnabled());
        // Only listened: the adapter was opened and closed, nothing sent on the bus.
        QCOMPARE(peer.received(), QByteArray("C\rS6\rO\rC\r"));
        checkNoBox();
    }

    // A log with nothing to find says why on a line of the panel: no box,
    // nothing half shown, no match to use.
    void shortLogsSayWhy_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("identifierRows");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("note");
        QTest::newRow("empty") << QByteArray() << 0
                               << QStringLiteral("not a CAN log this program reads") << QString();
        QTest::newRow("one frame") << QByteArray("(1.000000) can0 280#0000800C32140002\n") << 1
                                   << QString() << ShortLogNote(oneFrame());
    }

    // An identifier that took the bus's byte order: the panel says what the
    // order was learnt from, and its field says "either byte order".
    void busOrderNoted() {
        const QString path = m_dir.filePath(QStringLiteral("bus.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(MotorolaBusLog());
        file.close();
        discover(path);
        checkNoBox();
        QCOMPARE(identifiers()->rowCount(), 4);
        BusOrder motorola;
        motorola.order = FieldOrder::Motorola;
        motorola.motorola = 3;
        auto* noted = get<QLabel>(app::names::DiscoverNote);
        QVERIFY(noted->isVisible());
        QCOMPARE(noted->text(), BusOrderText(motorola));
    }

    // The same bus beside a second one where 0x200 counts: the identifiers
    // say their bus, and the note each bus's order.
    void busesNamed() {
        const QString path = m_dir.filePath(QStringLiteral("twobus.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(MotorolaBusLog());
        for (int k = 0; k < 300; ++k)
            file.write(QStringLiteral("(%1) can1 200#%2\n")
                           .arg(k * 0.05 + 0.0005, 0, 'f', 6)
                           .arg(k % 256, 2, 16, QLatin1Char('0'))
                           .toLatin1());
        file.close();
        discover(path);
        checkNoBox();
        QCOMPARE(identifiers()->rowCount(), 5);
        QStringList shown;
        for (int row = 0; row < identifiers()->rowCount(); ++row)
            shown << identifiers()->item(row, 0)->text();
        QVERIFY2(shown.contains(QStringLiteral("0x200 on can0")) &&
                     shown.contains(QStringLiteral("0x200 on can1")),
                 qPrintable(shown.join(QStringLiteral(", "))));
        const QString note = get<QLabel>(app::names::DiscoverNote)->text();
        QVERIFY2(note.contains(QStringLiteral("can0: bus byte order Motorola")) &&
                     note.contains(QStringLiteral("can1: bus byte order undecided")),
                 qPrintable(note));
    }

    void shortLogsSayWhy() {
        QFETCH(QByteArray, content);
        QFETCH(int, identifierRows);
        QFETCH(QString, refusal);
        QFETCH(QString, note);
        const QString path = m_dir.filePath(QStringLiteral("short.log"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        discover(path);
        checkNoBox();
        QCOMPARE(identifiers()->rowCount(), identifierRows);
        auto* refused = get<QLabel>(app::names::DiscoverRefusal);
        QCOMPARE(refused->isVisible(), !refusal.isEmpty());
        QVERIFY(refused->text().contains(refusal));
        QCOMPARE(m_window->statusBar()->currentMessage().isEmpty(), false);
        auto* noted = get<QLabel>(app::names::DiscoverNote);
        QCOMPARE(noted->isVisible(), !note.isEmpty());
        QCOMPARE(noted->text(), note);
        QVERIFY(!get<QPushButton>(app::names::DiscoverUse)->isEnabled());
        auto* reference = get<QComboBox>(app::names::DiscoverReference);
        QVERIFY(reference->findText(QStringLiteral("OBD"), Qt::MatchStartsWith) < 0);
    }
};

QTEST_MAIN(TestDiscoverPanel)
#include "tst_DiscoverPanel.moc"
