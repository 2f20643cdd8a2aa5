// The CAN preview in the real window: a log chosen through Tools, read on the
// worker thread, each channel's line against what the engine decodes from
// the same log; an edit decodes again, Cancel stops a read, a click opens
// the plot; frames sent through the system's virtual CAN bus, and by an
// SLCAN adapter played on a pseudo-terminal, arrive live.
//
// With CAC_PREVIEW_SHOTS=DIR in the environment the test also saves
// preview-log.png, preview-plot.png, preview-live.png and preview-slcan.png
// into DIR.
#include "DemoWindow.h"
#include "PreviewChecks.h"
#include "SlcanPeer.h"
#include "app/preview/ChannelPlotWindow.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"
#include "app/preview/SeriesPainter.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "canlog/LogReader.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "decode/DecodeTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#ifdef CAC_HAVE_SERIALBUS
#include <QCanBus>
#include <QCanBusDevice>
#include <QTcpServer>
#endif

using namespace cac;
using cac::testing::SlcanLine;
using cac::testing::SlcanPeer;
using testing::engineLines;
using testing::Lines;
using testing::readLog;

namespace {

const QString Examples = QStringLiteral(CAC_EXAMPLES_DIR);

QString example(const QString& name) {
    return Examples + u'/' + name;
}

void saveShot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("CAC_PREVIEW_SHOTS");
    if (dir.isEmpty())
        return;
    QCoreApplication::processEvents();
    QVERIFY(widget->grab().save(dir + u'/' + name));
}

} // namespace

class TestPreviewPanel : public QObject, testing::DemoWindow {
    Q_OBJECT

    app::PreviewPanel* panel() const { return get<app::PreviewPanel>(app::names::PreviewPanel); }
    QTableWidget* table() const { return get<QTableWidget>(app::names::PreviewTable); }
    // What the panel's channel lines show, in the columns engineLines gives.
    Lines panelLines() const { return testing::PanelLines(table()); }
    // The small plot of a line (-1: of no channel), as its delegate paints it.
    QImage sparkline(int row) const {
        QImage image(160, 24, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.palette = table()->palette();
        option.state = QStyle::State_Enabled;
        option.widget = table();
        const QModelIndex index =
            row < 0 ? QModelIndex() : table()->model()->index(row, table()->columnCount() - 1);
        QPainter painter(&image);
        table()->itemDelegateForColumn(table()->columnCount() - 1)->paint(&painter, option, index);
        return image;
    }
    // Chooses the log in the file dialog stand-in and waits for its lines.
    void preview(const QString& path) {
        QSignalSpy refreshed(panel(), &app::PreviewPanel::refreshed);
        m_fake->dialogs->answer = path;
        trigger(app::names::MenuPreviewLog);
        QVERIFY(refreshed.wait(20000));
        QVERIFY(!panel()->isReading());
    }
    // Types a text into a cell of the channel grid, as the user does.
    void retypeCell(int row, int column, const QString& text) {
        m_window->activateWindow(); // a dialog may have had the focus
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        auto* grid = get<QTableView>(app::names::ChannelGrid);
        const QPoint spot = grid->visualRect(grid->model()->index(row - 1, column - 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, spot);
        QTest::keySequence(QGuiApplication::focusWindow(), QKeySequence::SelectAll);
        for (QChar ch : text)
            QTest::keyClick(QGuiApplication::focusWindow(), ch.toLatin1());
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    }

private slots:
    void init() { startDemoWindow(); }
    void cleanup() { stopDemoWindow(); }

    // Each format of the demo drive gives the lines the engine decodes from it.
    void logLinesAreTheEngines_data() {
        QTest::addColumn<QString>("log");
        for (const char* name : {"demo-drive.log", "demo-drive.asc", "demo-drive.trc",
                                 "demo-drive.csv", "demo-drive.blf"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void logLinesAreTheEngines() {
        QFETCH(QString, log);
        QVERIFY(panel()->isHidden());
        // The last channel takes what the first takes: its small plot is the same.
        ConfigModel* model = m_window->model();
        QVERIFY(!model->obdModeEnabled());
        for (int column = ColVariable; column < ChannelGridColumns; ++column)
            model->setCell(ChannelCount, column, model->cell(1, column));
        preview(example(log));
        QVERIFY(panel()->isVisible());
        QVERIFY(m_fake->dialogs->shown.last().second.contains(QStringLiteral("*.blf")));
        const QList<CanFrame> frames = readLog(example(log));
        QVERIFY(frames.size() > 100);
        const Lines expected = engineLines(*m_window->model(), m_window->catalogue(), frames);
        QCOMPARE(panelLines(), expected);
        QVERIFY(expected.size() >= 4);
        // Every channel that took values has them over time for its small plot.
        for (int c = 1; c <= ChannelCount; ++c)
            QCOMPARE(panel()->decoding()->series(c).count(),
                     panel()->decoding()->tally().channel(c).frames -
                         panel()->decoding()->tally().channel(c).undecodable);
        const UntakenTally& untaken = panel()->decoding()->tally().untaken();
        QCOMPARE(get<QLabel>(app::names::PreviewUntaken)->text(),
                 app::texts::previewUntaken(untaken.frames,
                                            TopUntakenText(panel()->decoding()->topUntaken(5))));
        QVERIFY(get<QLabel>(app::names::PreviewSource)
                    ->text()
                    .contains(QString::number(frames.size())));
        const QImage last = sparkline(table()->rowCount() - 1);
        QCOMPARE(table()->item(table()->rowCount() - 1, 0)->text(), QString::number(ChannelCount));
        QCOMPARE(last, sparkline(0));
        QVERIFY(last != sparkline(-1));
        if (log.endsWith(QLatin1String(".log")))
            saveShot(m_window.get(), QStringLiteral("preview-log.png"));
    }

    // An edit of the scale factor decodes the kept frames again; past the
    // cap of kept frames the log is read again from its file, and says so.
    void editDecodesAgain_data() {
        QTest::addColumn<int>("cap");
        QTest::newRow("frames kept") << 1'000'000;
        QTest::newRow("one frame too many to keep") << 299;
    }

    void editDecodesAgain() {
        QFETCH(int, cap);
        const QString log = example(QStringLiteral("demo-drive.log"));
        const QList<CanFrame> frames = readLog(log);
        QCOMPARE(frames.size(), 300);
        panel()->setFrameCap(cap);
        preview(log);
        auto* note = get<QLabel>(app::names::PreviewNote);
        QCOMPARE(note->isVisible(), cap < frames.size());
        if (cap < frames.size())
            QCOMPARE(note->text(), app::texts::previewNotKept(cap));
        const QString before = table()->item(0, 5)->text();
        auto* source = get<QLabel>(app::names::PreviewSource);
        const QString title = source->text();
        const Lines lines = panelLines();

        // A log that cannot be read leaves the lines, and the title naming
        // their log; the refusal is said beside them and in the status bar.
        const QString missing = m_dir.filePath(QStringLiteral("missing.log"));
        QSignalSpy reported(panel(), &app::PreviewPanel::reported);
        m_fake->dialogs->answer = missing;
        trigger(app::names::MenuPreviewLog);
        QVERIFY(reported.wait(20000));
        auto* refusal = get<QLabel>(app::names::PreviewRefusal);
        QVERIFY(refusal->isVisible());
        QVERIFY(refusal->text().startsWith(
            app::texts::previewCannotRead(QDir::toNativeSeparators(missing), QString())));
        QCOMPARE(m_window->statusBar()->currentMessage(), refusal->text());
        QCOMPARE(source->text(), title);
        QCOMPARE(panelLines(), lines);
        if (cap > frames.size())
            saveShot(m_window.get(), QStringLiteral("preview-refused.png"));

        // The edit decodes the log the lines come from.
        QSignalSpy refreshed(panel(), &app::PreviewPanel::refreshed);
        retypeCell(1, ColScale, QStringLiteral("0.5"));
        QCOMPARE(m_window->model()->cell(1, ColScale), QStringLiteral("0.5"));
        QVERIFY(refreshed.wait(20000));
        QCOMPARE(panelLines(), engineLines(*m_window->model(), m_window->catalogue(), frames));
        QVERIFY(table()->item(0, 5)->text() != before);
        QCOMPARE(source->text(), title);
    }

    // The CAN FD frames of a log are skipped and counted under the lines,
    // from the first one on; the classic frames decode as without them.
    void fdFramesCounted_data() {
        QTest::addColumn<int>("fd");
        QTest::addColumn<QString>("note");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("one") << 1 << QStringLiteral("1 CAN FD frames skipped.");
        QTest::newRow("two") << 2 << QStringLiteral("2 CAN FD frames skipped.");
    }

    void fdFramesCounted() {
        QFETCH(int, fd);
        QFETCH(QString, note);
        const QString path = m_dir.filePath(QStringLiteral("fd.log"));
        QByteArray log = "(0.100000) can0 280#0000800C32140002\n";
        for (int k = 0; k < fd; ++k)
            log += "(0.200000) can0 280##10000900C32140002\n";
        log += "(0.300000) can0 280#0000A00C32140002\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(log) == log.size());
        file.close();
        preview(path);
        auto* shown = get<QLabel>(app::names::PreviewNote);
        QCOMPARE(shown->isVisible(), fd > 0);
        QCOMPARE(shown->text(), note);
        QCOMPARE(panelLines(),
                 engineLines(*m_window->model(), m_window->catalogue(), readLog(path)));
    }

    // Cancel stops a long read on the worker thread; the lines show the
    // frames read until then, and the window answered all along.
    void cancelStopsARead() {
        const QString path = m_dir.filePath(QStringLiteral("long.log"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray chunk;
            for (int i = 0; i < 1'500'000; ++i) {
                chunk += QByteArray("(") + QByteArray::number(i * 0.001, 'f', 6) +
                         ") can0 280#0000800C32140002\n";
                if (chunk.size() > (1 << 20)) {
                    file.write(chunk);
                    chunk.clear();
                }
            }
            file.write(chunk);
        }
        QSignalSpy refreshed(panel(), &app::PreviewPanel::refreshed);
        m_fake->dialogs->answer = path;
        trigger(app::names::MenuPreviewLog);
        QVERIFY(panel()->isReading());
        auto* cancel = get<QPushButton>(app::names::PreviewCancel);
        QTRY_VERIFY(cancel->isVisible());
        QTest::qWait(100); // the window keeps answering while the worker reads
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(refreshed.wait(20000));
        QVERIFY(!panel()->isReading());
        QVERIFY(!cancel->isVisible());
        const qint64 read = panel()->decoding()->tally().frames();
        QVERIFY2(read < 1'500'000, qPrintable(QString::number(read)));
        QCOMPARE(get<QLabel>(app::names::PreviewSource)->text(),
                 app::texts::previewCancelled(QStringLiteral("long.log"), read));
    }

    // A click on a line opens its plot; the wheel zooms around the pointer,
    // a double-click shows the whole log again.
    void clickOpensThePlot() {
        preview(example(QStringLiteral("demo-drive.log")));
        const QRect line = table()->visualRect(table()->model()->index(0, 1));
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, line.center());
        app::ChannelPlotWindow* plot = panel()->plotWindow();
        QVERIFY(plot);
        QTRY_VERIFY(plot->isVisible());
        QCOMPARE(plot->objectName(), app::names::PreviewPlot);
        QCOMPARE(plot->channel(), table()->item(0, 0)->text().toInt());
        app::PlotView* view = plot->findChild<app::PlotView*>(app::names::PreviewPlotView);
        QVERIFY(view);
        const double whole = view->wholeTo() - view->wholeFrom();
        QCOMPARE(view->viewTo() - view->viewFrom(), whole);
        saveShot(plot, QStringLiteral("preview-plot.png"));

        const QPointF middle(view->width() / 2.0, view->height() / 2.0);
        QWheelEvent wheel(middle, view->mapToGlobal(middle), {}, {0, 3 * 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(view->viewTo() - view->viewFrom() < whole * 0.6);
        QVERIFY(view->viewFrom() > view->wholeFrom());
        // A drag to the right moves to earlier times, never before the log's start.
        const double from = view->viewFrom();
        QTest::mousePress(view, Qt::LeftButton, {}, middle.toPoint());
        QTest::mouseMove(view, middle.toPoint() + QPoint(view->width() / 8, 0));
        QTest::mouseRelease(view, Qt::LeftButton, {},
                            middle.toPoint() + QPoint(view->width() / 8, 0));
        QVERIFY(view->viewFrom() < from);
        QVERIFY(view->viewFrom() >= view->wholeFrom());
        QTest::mouseDClick(view, Qt::LeftButton, {}, middle.toPoint());
        QCOMPARE(view->viewTo() - view->viewFrom(), whole);

        // Zoomed between two samples, the value held from the one to the next
        // shows: the range holds both, and the line runs across.
        const std::vector<SeriesBucket> buckets =
            panel()->decoding()->series(plot->channel()).buckets();
        std::size_t i = 0;
        while (i + 1 < buckets.size() &&
               buckets[i + 1].start - (buckets[i].start + buckets[i].width) < 1e-4)
            ++i;
        QVERIFY(i + 1 < buckets.size());
        const double gapFrom = buckets[i].start + buckets[i].width;
        const double gap = buckets[i + 1].start - gapFrom;
        view->setView(gapFrom + gap / 3, gapFrom + gap * 2 / 3);
        const auto [low, high] = app::SeriesPainter::range(buckets, app::SeriesPainter::Side::Value,
                                                           view->viewFrom(), view->viewTo());
        for (const std::size_t held : {i, i + 1})
            QVERIFY2(low <= buckets[held].minValue && buckets[held].maxValue <= high,
                     qPrintable(QStringLiteral("%1 to %2").arg(low).arg(high)));
        const QImage shot = view->grab().toImage();
        int blue = 0; // the value's line is blue
        for (int y = 10; y < shot.height() - 30; ++y)
            for (int x = 70; x < shot.width() - 70; ++x)
                blue += qBlue(shot.pixel(x, y)) > qRed(shot.pixel(x, y)) + 80;
        QVERIFY2(blue > 50, qPrintable(QString::number(blue)));
        saveShot(plot, QStringLiteral("preview-plot-held.png"));
    }

    // The status bar says what the user's own action did: a closed panel says
    // nothing and decodes when opened again; an open one decodes after the
    // action without covering its message.
    void statusBarIsTheUsers_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("open");
        for (const char* action : {"load", "edit", "paste"}) {
            QTest::addRow("%s, panel closed", action) << QString::fromLatin1(action) << false;
            QTest::addRow("%s, panel open", action) << QString::fromLatin1(action) << true;
        }
    }

    void statusBarIsTheUsers() {
        QFETCH(QString, action);
        QFETCH(bool, open);
        const QString log = example(QStringLiteral("demo-drive.blf"));
        preview(log);
        const QString read = get<QLabel>(app::names::PreviewSource)->text();
        QCOMPARE(m_window->statusBar()->currentMessage(), read); // the user asked for it
        if (!open) {
            panel()->close(); // its line goes with it
            QCOMPARE(m_window->statusBar()->currentMessage(), QString());
        }
        m_window->statusBar()->clearMessage();
        QSignalSpy reported(panel(), &app::PreviewPanel::reported);
        QSignalSpy refreshed(panel(), &app::PreviewPanel::refreshed);
        if (action == QLatin1String("load")) {
            m_fake->dialogs->answer = example(QStringLiteral("checks-demo.ccf"));
            trigger(app::names::MenuLoad);
        } else if (action == QLatin1String("edit")) {
            retypeCell(1, ColScale, QStringLiteral("0.5"));
        } else {
            QApplication::clipboard()->setText(QStringLiteral("0.25"));
            auto* grid = get<QTableView>(app::names::ChannelGrid);
            grid->setCurrentIndex(grid->model()->index(0, ColScale - 1));
            trigger(app::names::MenuPaste);
            QCOMPARE(m_window->model()->cell(1, ColScale), QStringLiteral("0.25"));
        }
        const QString said = m_window->statusBar()->currentMessage();
        QCOMPARE(refreshed.wait(open ? 20000 : 1000), open);
        QCOMPARE(m_window->statusBar()->currentMessage(), said);
        QCOMPARE(reported.count(), 0);
        if (!open) {
            panel()->show(); // what changed while it was closed is decoded now
            QVERIFY(refreshed.wait(20000));
            QCOMPARE(reported.count(), 0);
        }
        QCOMPARE(panelLines(),
                 engineLines(*m_window->model(), m_window->catalogue(), readLog(log)));
    }

    // The live dialog, once it is open.
    QDialog* liveDialog() {
        trigger(app::names::MenuPreviewLive);
        QDialog* dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = qobject_cast<QDialog*>(qApp->activeModalWidget()))); }();
        if (dialog)
            [&] { QCOMPARE(dialog->objectName(), app::names::LiveDialog); }();
        return dialog;
    }
    static QComboBox* interfaceList(QDialog* dialog) {
        return dialog->findChild<QComboBox*>(app::names::LiveInterface);
    }

    void slcanAdapterArrives() {
        SlcanPeer peer;
        QVERIFY(peer.isValid());
        m_fake->ports->openable = {1, 5};
        m_fake->ports->devices[5] = peer.device();
        QCOMPARE(m_window->model()->baudRateText(), QStringLiteral("500 kbit"));

        QDialog* dialog = liveDialog();
        QVERIFY(dialog);
        QComboBox* interfaces = interfaceList(dialog);
        const QString title = app::texts::liveSlcanOnPort(5, peer.device());
        interfaces->setCurrentIndex(interfaces->findText(title));
        QCOMPARE(interfaces->currentText(), title);
        // The window's bit rate, which an adapter can be set to: no note.
        auto* rates = dialog->findChild<QComboBox*>(app::names::LiveBitRate);
        QCOMPARE(rates->currentText(), QStringLiteral("500 kbit/s"));
        QVERIFY(dialog->findChild<QLabel*>(app::names::LiveNote)->isHidden());
        QSignalSpy connected(panel(), &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);

        // Closed in case it was open, 500 kbit/s, opened: then the answers.
        QTRY_COMPARE(peer.received(), QByteArray("C\rS6\rO\r"));
        QVERIFY(peer.send("\a\r\r")); // closing a closed channel is refused
        QVERIFY(connected.wait(10000));
        QCOMPARE(m_window->statusBar()->currentMessage(), app::texts::previewConnected(title));

        // The demo drive, half of it stamped, with a line that is no frame.
        const QList<CanFrame> frames = readLog(example(QStringLiteral("demo-drive.log")));
        QByteArray lines;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            lines += SlcanLine(frames[i], i % 2 ? int(i * 7 % 60000) : -1);
            if (i == 10)
                lines += "t12X0\r";
        }
        QVERIFY(peer.send(lines));
        QTRY_COMPARE_WITH_TIMEOUT(panel()->decoding()->tally().frames(), qint64(frames.size()),
                                  10000);
        QTRY_COMPARE(panelLines(), engineLines(*m_window->model(), m_window->catalogue(), frames));
        QCOMPARE(get<QLabel>(app::names::PreviewNote)->text(),
                 app::texts::liveMalformedLines(1, QStringLiteral("t12X0")));
        QCOMPARE(get<QLabel>(app::names::PreviewSource)->text(),
                 app::texts::previewLive(title, frames.size()));
        saveShot(m_window.get(), QStringLiteral("preview-slcan.png"));

        // The adapter unplugged: said, the lines stay, no frame was ever sent.
        QSignalSpy ended(panel(), &app::PreviewPanel::liveEnded);
        const QByteArray sent = peer.received();
        peer.hangUp();
        QVERIFY(ended.wait(10000));
        QVERIFY(
            m_window->statusBar()->currentMessage().startsWith(title + QStringLiteral(" ended: ")));
        QVERIFY(!get<QPushButton>(app::names::PreviewDisconnect)->isVisible());
        QCOMPARE(panelLines(), engineLines(*m_window->model(), m_window->catalogue(), frames));
        QCOMPARE(sent, QByteArray("C\rS6\rO\r"));
    }

    // A bit rate an adapter cannot be set to is the user's to choose; an
    // adapter that refuses it is said, and Disconnect closes the channel.
    void slcanRateChosen() {
        SlcanPeer peer;
        QVERIFY(peer.isValid());
        m_fake->ports->openable = {16};
        m_fake->ports->devices[16] = peer.device();
        m_window->model()->setBaudRateText(QStringLiteral("33.3 kbit"));
        QDialog* dialog = liveDialog();
        QVERIFY(dialog);
        const QString title = app::texts::liveSlcanOnPort(16, peer.device());
        QCOMPARE(interfaceList(dialog)->currentText(), title);
        auto* note = dialog->findChild<QLabel*>(app::names::LiveNote);
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), app::texts::liveRateNotOffered(QStringLiteral("33.3 kbit")));
        auto* rates = dialog->findChild<QComboBox*>(app::names::LiveBitRate);
        QCOMPARE(rates->count(), 9);
        QCOMPARE(rates->itemText(0), QStringLiteral("10 kbit/s"));
        QCOMPARE(rates->itemText(8), QStringLiteral("1 Mbit/s"));
        rates->setCurrentIndex(8);
        QSignalSpy ended(panel(), &app::PreviewPanel::liveEnded);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QTRY_COMPARE(peer.received(), QByteArray("C\rS8\rO\r"));
        QVERIFY(peer.send("\r\a"));
        QVERIFY(ended.wait(10000));
        QCOMPARE(
            m_window->statusBar()->currentMessage(),
            app::texts::previewCannotConnect(title, QStringLiteral("the adapter refused the bit "
                                                                   "rate (S8)")));
        QTRY_COMPARE(peer.received(), QByteArray("C\rS8\rO\rC\r"));

        // A new dialog offers the least rate again; 1 Mbit/s, answered, then Disconnect.
        dialog = liveDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(app::names::LiveBitRate)->currentText(),
                 QStringLiteral("10 kbit/s"));
        dialog->findChild<QComboBox*>(app::names::LiveBitRate)->setCurrentIndex(8);
        QSignalSpy connected(panel(), &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QTRY_COMPARE(peer.received(), QByteArray("C\rS8\rO\rC\rC\rS8\rO\r"));
        QVERIFY(peer.send("\r\r\r"));
        QVERIFY(connected.wait(10000));
        QTest::mouseClick(get<QPushButton>(app::names::PreviewDisconnect), Qt::LeftButton);
        QCOMPARE(m_window->statusBar()->currentMessage(), app::texts::previewDisconnected(title));
        QTRY_COMPARE(peer.received(), QByteArray("C\rS8\rO\rC\rC\rS8\rO\rC\r"));
    }

    void liveTrafficArrives() {
#ifndef CAC_HAVE_SERIALBUS
        QSKIP("built without the system's CAN drivers");
#else
        if (!QCanBus::instance()->plugins().contains(QStringLiteral("virtualcan")))
            QSKIP("the virtualcan plugin is not installed");
        // A hub of our own on a free port: other tests may use the default one.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString hub = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
        probe.close();

        QDialog* dialog = liveDialog();
        QVERIFY(dialog);
        QComboBox* interfaces = interfaceList(dialog);
        for (int row = 0; row < interfaces->count(); ++row)
            if (interfaces->itemText(row).endsWith(QStringLiteral("(virtual bus)")))
                interfaces->setCurrentIndex(row);
        QVERIFY(interfaces->currentText().endsWith(QStringLiteral("(virtual bus)")));
        QVERIFY(dialog->findChild<QComboBox*>(app::names::LiveBitRate)->isHidden());
        auto* address = dialog->findChild<QLineEdit*>(app::names::LiveAddress);
        QVERIFY(address->isVisible());
        address->setText(hub);
        QSignalSpy connected(panel(), &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QVERIFY(connected.wait(10000));
        QVERIFY(get<QPushButton>(app::names::PreviewDisconnect)->isVisible());

        std::unique_ptr<QCanBusDevice> sender(
            QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), hub));
        QVERIFY(sender);
        QVERIFY(sender->connectDevice());
        QTRY_COMPARE(sender->state(), QCanBusDevice::ConnectedState);
        const QList<CanFrame> frames = readLog(example(QStringLiteral("demo-drive.log")));
        for (const CanFrame& f : frames) {
            QCanBusFrame out(f.id,
                             QByteArray(reinterpret_cast<const char*>(f.data.data()), f.length));
            out.setExtendedFrameFormat(f.extended);
            if (f.remote)
                out.setFrameType(QCanBusFrame::RemoteRequestFrame);
            QVERIFY(sender->writeFrame(out));
        }
        QTRY_COMPARE_WITH_TIMEOUT(panel()->decoding()->tally().frames(), qint64(frames.size()),
                                  10000);
        QTRY_COMPARE(panelLines(), engineLines(*m_window->model(), m_window->catalogue(), frames));
        saveShot(m_window.get(), QStringLiteral("preview-live.png"));

        // An edit decodes the frames received so far again.
        retypeCell(1, ColScale, QStringLiteral("0.5"));
        QTRY_COMPARE(panelLines(), engineLines(*m_window->model(), m_window->catalogue(), frames));

        QTest::mouseClick(get<QPushButton>(app::names::PreviewDisconnect), Qt::LeftButton);
        QTRY_VERIFY(!get<QPushButton>(app::names::PreviewDisconnect)->isVisible());
        QVERIFY(m_window->statusBar()->currentMessage().startsWith(QStringLiteral("Disconnected")));
#endif
    }
};

QTEST_MAIN(TestPreviewPanel)
#include "tst_PreviewPanel.moc"
