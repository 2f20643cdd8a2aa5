// Live CAN traffic in the Windows window: PEAK PCAN-Basic through the
// stand-in PCANBasic.dll beside this test (its channels free, taken, absent,
// unplugged while read), and, when test-windows.sh has linked a COM port to
// an SLCAN adapter played on a pseudo-terminal (CAC_SLCAN_PORT=n), that
// adapter, until it hangs up. The lines show what the engine decodes from the
// same frames; whatever ends a link, the window says why, with no box.
//
// Find signals listens to a second adapter (CAC_SLCAN_BRAKE_PORT=n) that
// plays a car whose brake is pressed three times: the fields come, the
// brake's bits light, a mark is set at each press; Stop closes the adapter.
//
// With CAC_LIVE_SHOTS=DIR the window is saved as windows-pcan.png,
// windows-slcan.png and windows-discover-live.png, the dialog as
// windows-live-dialog.png, into DIR.
#include "DemoWindow.h"
#include "PreviewChecks.h"
#include "app/discover/DiscoverNames.h"
#include "app/discover/DiscoverPanel.h"
#include "app/discover/DiscoverTexts.h"
#include "app/discover/FieldPictureView.h"
#include "app/platform/SerialPortDevices.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

namespace {

const QString Log = QStringLiteral(CAC_EXAMPLES_DIR "/demo-drive.log");

void saveShot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("CAC_LIVE_SHOTS");
    if (dir.isEmpty())
        return;
    QTest::qWait(200); // the last lines painted
    QVERIFY(widget->grab().save(dir + u'/' + name));
}

// What the program called in the stand-in PCANBasic.dll since the last ask.
QByteArray FakePcanCalls() {
    const auto calls = reinterpret_cast<const char* (*)()>(
        QLibrary::resolve(QStringLiteral("PCANBasic"), "FakePcan_Calls"));
    return calls ? QByteArray(calls()) : QByteArray("no stand-in PCANBasic.dll");
}

} // namespace

class TestWindowsLive : public QObject, testing::DemoWindow {
    Q_OBJECT

    app::PreviewPanel* panel() const { return get<app::PreviewPanel>(app::names::PreviewPanel); }
    testing::Lines panelLines() const {
        return testing::PanelLines(get<QTableWidget>(app::names::PreviewTable));
    }
    testing::Lines engineLines(const QList<CanFrame>& frames) const {
        return testing::engineLines(*m_window->model(), m_window->catalogue(), frames);
    }
    QDialog* openLiveDialog(const QString& menu = app::names::MenuPreviewLive) {
        m_window->findChild<QAction*>(menu)->trigger();
        QDialog* dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = qobject_cast<QDialog*>(qApp->activeModalWidget()))); }();
        return dialog;
    }
    // Opens the live dialog and chooses `title`; null when it is not listed.
    QDialog* chooseInterface(const QString& title,
                             const QString& menu = app::names::MenuPreviewLive) {
        QDialog* dialog = openLiveDialog(menu);
        if (!dialog)
            return nullptr;
        auto* interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        const int row = interfaces->findText(title);
        if (row < 0)
            return nullptr;
        interfaces->setCurrentIndex(row);
        return dialog;
    }
    QDialog* connectTo(const QString& title) {
        QDialog* dialog = chooseInterface(title);
        if (dialog)
            QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect),
                              Qt::LeftButton);
        return dialog;
    }
    // An ended or refused link is told in the window, never in a box.
    void noBox() const {
        QCOMPARE(m_fake->messages->texts, QStringList());
        QCOMPARE(qApp->activeModalWidget(), nullptr);
    }
    QString status() const { return m_window->statusBar()->currentMessage(); }

private slots:
    void init() { startDemoWindow(Wait::Exposed); }
    void cleanup() {
        stopDemoWindow();
        qunsetenv("CAC_FAKE_PCAN_FREE");
    }

    // Only the channels PCAN-Basic says are free are offered, the first and
    // the last of them too; with none, the dialog says so.
    void pcanChannelsListed_data() {
        QTest::addColumn<QByteArray>("free");
        QTest::addColumn<QList<int>>("offered");
        QTest::addColumn<QString>("note");
        QTest::newRow("1 and 8 free, 2 taken, 3 unanswered")
            << QByteArray("1 8") << QList<int>{1, 8} << QString();
        QTest::newRow("2 taken, 3 unanswered, the rest absent")
            << QByteArray("none") << QList<int>{} << app::texts::LivePcanNoChannel;
    }
    void pcanChannelsListed() {
        QFETCH(QByteArray, free);
        QFETCH(QList<int>, offered);
        QFETCH(QString, note);
        qputenv("CAC_FAKE_PCAN_FREE", free);
        QDialog* dialog = openLiveDialog();
        QVERIFY(dialog);
        QList<int> listed;
        auto* interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        for (int number = 1; number <= 8; ++number)
            if (interfaces->findText(app::texts::livePcanUsb(number)) >= 0)
                listed << number;
        QCOMPARE(listed, offered);
        auto* missing = dialog->findChild<QLabel*>(app::names::LiveMissing);
        QCOMPARE(missing->isVisible(), !note.isEmpty());
        QCOMPARE(missing->text(), note);
        dialog->reject();
    }

    // PCAN-USB 1 is offered at the window's bit rate; its frames arrive,
    // Disconnect uninitialises it.
    void pcanBasic() {
        qputenv("CAC_FAKE_PCAN_LOG", QFile::encodeName(QDir::toNativeSeparators(Log)));
        QDialog* dialog = chooseInterface(app::texts::livePcanUsb(1));
        QVERIFY(dialog);
        QVERIFY(dialog->findChild<QLabel*>(app::names::LiveMissing)->isHidden());
        QCOMPARE(dialog->findChild<QComboBox*>(app::names::LiveBitRate)->currentText(),
                 QStringLiteral("500 kbit/s"));
        saveShot(dialog, QStringLiteral("windows-live-dialog.png"));
        QSignalSpy connected(panel(), &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QVERIFY(connected.wait(10000));

        const QList<CanFrame> frames = testing::readLog(Log);
        QVERIFY(frames.size() > 100);
        QTRY_COMPARE_WITH_TIMEOUT(panel()->decoding()->tally().frames(), qint64(frames.size()),
                                  10000);
        QTRY_COMPARE(panelLines(), engineLines(frames));
        QCOMPARE(get<QLabel>(app::names::PreviewSource)->text(),
                 app::texts::previewLive(app::texts::livePcanUsb(1), frames.size()));
        saveShot(m_window.get(), QStringLiteral("windows-pcan.png"));

        QTest::mouseClick(get<QPushButton>(app::names::PreviewDisconnect), Qt::LeftButton);
        QCOMPARE(m_window->statusBar()->currentMessage(),
                 app::texts::previewDisconnected(app::texts::livePcanUsb(1)));
        QCOMPARE(FakePcanCalls(), QByteArray("Initialize 0x51 0x001C;Uninitialize 0x51;"));
    }

    // Free when listed, taken by another program before Connect: the
    // library's reason is told, nothing is left initialised.
    void pcanTakenAtConnect() {
        qputenv("CAC_FAKE_PCAN_FREE", "2");
        FakePcanCalls();
        QVERIFY(connectTo(app::texts::livePcanUsb(2)));
        const QString refused = app::texts::previewCannotConnect(
            app::texts::livePcanUsb(2), QStringLiteral("stand-in PCAN-Basic error 0x40000000"));
        QTRY_COMPARE(status(), refused);
        QCOMPARE(get<QLabel>(app::names::PreviewSource)->text(), refused);
        QVERIFY(get<QPushButton>(app::names::PreviewDisconnect)->isHidden());
        QCOMPARE(FakePcanCalls(), QByteArray("Initialize 0x52 0x001C;"));
        noBox();
    }

    // PCAN-USB 8 reports the bus passive and reads on, then is unplugged:
    // every frame read before is kept, the window says why it ended.
    void pcanUnplugged() {
        qputenv("CAC_FAKE_PCAN_LOG", QFile::encodeName(QDir::toNativeSeparators(Log)));
        FakePcanCalls();
        QSignalSpy ended(panel(), &app::PreviewPanel::liveEnded);
        QVERIFY(connectTo(app::texts::livePcanUsb(8)));
        QVERIFY(ended.wait(10000));
        const QString title = app::texts::livePcanUsb(8);
        QCOMPARE(status(), app::texts::previewLiveEnded(
                               title, QStringLiteral("stand-in PCAN-Basic error 0x1400")));
        const QList<CanFrame> frames = testing::readLog(Log).mid(0, 5);
        QCOMPARE(panel()->decoding()->tally().frames(), qint64(frames.size()));
        QTRY_COMPARE(panelLines(), engineLines(frames));
        QCOMPARE(get<QLabel>(app::names::PreviewNote)->text(),
                 app::texts::livePcanBusState(QStringLiteral("stand-in PCAN-Basic error 0x40000")));
        QCOMPARE(FakePcanCalls(), QByteArray("Initialize 0x58 0x001C;Uninitialize 0x58;"));
        noBox();
    }

    // The adapter test-windows.sh plays on COM n: commands answered, the demo
    // drive's frames with one line that is no frame; once they are seen here,
    // the peer hangs up (it waits for the file CAC_SLCAN_SEEN) and the port
    // vanishes while it is read. The port probe offers it.
    void slcanAdapter() {
        const int port = qEnvironmentVariableIntValue("CAC_SLCAN_PORT");
        if (port == 0)
            QSKIP("no SLCAN adapter linked to a COM port (test-windows.sh links one)");
        QVERIFY(app::DeviceSerialPortProbe({}).canOpen(port));
        m_fake->ports->openable = {port};
        m_fake->ports->devices[port] = QStringLiteral("COM%1").arg(port);
        const QString title = app::texts::liveSlcanOnPort(port, QStringLiteral("COM%1").arg(port));
        QDialog* dialog = chooseInterface(title);
        QVERIFY(dialog);
        QSignalSpy connected(panel(), &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QVERIFY(connected.wait(10000));

        const QList<CanFrame> frames = testing::readLog(Log);
        QTRY_COMPARE_WITH_TIMEOUT(panel()->decoding()->tally().frames(), qint64(frames.size()),
                                  20000);
        QTRY_COMPARE(panelLines(), engineLines(frames));
        QTRY_COMPARE(get<QLabel>(app::names::PreviewNote)->text(),
                     app::texts::liveMalformedLines(1, QStringLiteral("t12X0")));
        saveShot(m_window.get(), QStringLiteral("windows-slcan.png"));

        QSignalSpy ended(panel(), &app::PreviewPanel::liveEnded);
        QFile seen(qEnvironmentVariable("CAC_SLCAN_SEEN"));
        QVERIFY(seen.open(QIODevice::WriteOnly));
        seen.close();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(ended.wait(20000));
        // The peer looks for the file ten times a second, a read waits 50 ms:
        // the end is seen within moments, not after a long read.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        const QString ending = app::texts::previewLiveEnded(title, QString());
        QVERIFY2(status().startsWith(ending) && status().size() > ending.size(),
                 qPrintable(status()));
        QCOMPARE(panelLines(), engineLines(frames));
        noBox();
    }

    // The brake pressed at 1.5, 3.5 and 5.5 s of the adapter's play: a mark
    // set just before each (the button, then Space twice), the brake's
    // switch lit on the picture while pressed; the three identifiers found;
    // then Stop.
    void findSignalsLive() {
        const int port = qEnvironmentVariableIntValue("CAC_SLCAN_BRAKE_PORT");
        if (port == 0)
            QSKIP("no brake adapter linked to a COM port (test-windows.sh links one)");
        m_fake->ports->openable = {port};
        m_fake->ports->devices[port] = QStringLiteral("COM%1").arg(port);
        const QString title = app::texts::liveSlcanOnPort(port, QStringLiteral("COM%1").arg(port));
        QDialog* dialog = chooseInterface(title, app::names::MenuDiscoverLive);
        QVERIFY(dialog);
        auto* panel = get<app::DiscoverPanel>(app::names::DiscoverPanel);
        QSignalSpy listening(panel, &app::DiscoverPanel::listening);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QVERIFY(listening.wait(10000));
        QElapsedTimer clock;
        clock.start();
        m_window->activateWindow();
        auto* identifiers = get<QTableWidget>(app::names::DiscoverIdentifiers);
        auto* picture = get<app::FieldPictureView>(app::names::DiscoverPicture);
        QTest::keyClicks(get<QLineEdit>(app::names::DiscoverMarkLabel), QStringLiteral("brake"));
        const double presses[] = {1.5, 3.5, 5.5};
        int marked = 0;
        bool lit = false, shot = false;
        while (clock.elapsed() < 9000) {
            const double t = double(clock.elapsed()) / 1000;
            const auto brake = identifiers->findItems(QStringLiteral("0x1A0"), Qt::MatchExactly);
            if (!brake.isEmpty() && identifiers->currentRow() != brake.first()->row())
                identifiers->setCurrentCell(brake.first()->row(), 0);
            if (marked < 3 && t >= presses[marked] - 0.1) {
                if (marked == 0) {
                    QTest::mouseClick(get<QPushButton>(app::names::DiscoverMark), Qt::LeftButton);
                } else {
                    identifiers->setFocus(Qt::TabFocusReason);
                    QTest::keyClick(identifiers, Qt::Key_Space);
                }
                ++marked;
            }
            lit = lit || picture->litBits().contains(0);
            if (!shot && t >= presses[2] + 0.3) {
                saveShot(m_window.get(), QStringLiteral("windows-discover-live.png"));
                shot = true;
            }
            QTest::qWait(20);
        }
        QVERIFY(lit);
        QCOMPARE(identifiers->rowCount(), 3);
        const QString marks = get<QLabel>(app::names::DiscoverMarks)->text();
        QVERIFY2(marks.count(QStringLiteral("brake")) == 3, qPrintable(marks));

        // Stop while the adapter is quiet: the window goes on at once, the
        // adapter gets the close command (test-windows.sh checks it).
        QSignalSpy ended(panel, &app::DiscoverPanel::listeningEnded);
        QTest::mouseClick(get<QPushButton>(app::names::DiscoverStop), Qt::LeftButton);
        QTRY_COMPARE(ended.count(), 1);
        const QString said = get<QLabel>(app::names::DiscoverSource)->text();
        const QString stoppedAfter = app::texts::discoverListenStopped(title, 987654);
        QVERIFY2(said.startsWith(stoppedAfter.left(stoppedAfter.indexOf(QStringLiteral("987654")))),
                 qPrintable(said));
        QElapsedTimer stopped;
        stopped.start();
        QTest::qWait(200);
        QVERIFY2(stopped.elapsed() < 2000, qPrintable(QString::number(stopped.elapsed())));
        noBox();
    }
};

QTEST_MAIN(TestWindowsLive)
#include "tst_windows_live.moc"
