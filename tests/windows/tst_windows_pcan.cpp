// The Windows window beside a PCANBasic.dll that exports too little, built
// twice: beside a library without CAN_Read (required), which the live dialog
// names, offering no PCAN channel; and beside one without CAN_GetValue
// (optional), whose channels are all offered since the library cannot tell
// which are free: a taken one is refused with the library's reason, a free one
// reads.
#include "DemoWindow.h"
#include "LiveRefusal.h"
#include "app/live/LiveCanSource.h"
#include "app/live/LiveInterfaces.h"
#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewPanel.h"
#include "app/preview/PreviewTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

using namespace cac;

class TestWindowsPcan : public QObject, testing::DemoWindow {
    Q_OBJECT

    QDialog* openLiveDialog() {
        trigger(app::names::MenuPreviewLive);
        QDialog* dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = qobject_cast<QDialog*>(qApp->activeModalWidget()))); }();
        return dialog;
    }
    static QList<int> pcanOffered(QDialog* dialog) {
        QList<int> offered;
        auto* interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        for (int number = 1; number <= 8; ++number)
            if (interfaces->findText(app::texts::livePcanUsb(number)) >= 0)
                offered << number;
        return offered;
    }
    void noBox() const {
        QCOMPARE(m_fake->messages->texts, QStringList());
        QCOMPARE(qApp->activeModalWidget(), nullptr);
    }

private slots:
    void init() { startDemoWindow(Wait::Exposed); }
    void cleanup() { stopDemoWindow(); }

#ifdef CAC_FAKE_PCAN_WITHOUT_READ
    void requiredFunctionMissing() {
        const QString dll = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() +
                                                     QStringLiteral("/PCANBasic.dll"));
        const QString said = app::texts::livePcanUnusable(dll, {QStringLiteral("CAN_Read")});
        QDialog* dialog = openLiveDialog();
        QVERIFY(dialog);
        QCOMPARE(pcanOffered(dialog), QList<int>());
        QCOMPARE(dialog->findChild<QLabel*>(app::names::LiveMissing)->text(), said);
        QVERIFY2(said.contains(dll + QStringLiteral(" lacks CAN_Read,")), qPrintable(said));
        dialog->reject();

        // A channel asked for all the same is refused with the same words.
        QCOMPARE(testing::RefusalOpening(testing::PcanUsb1()), said);
        noBox();
    }
#endif

#ifdef CAC_FAKE_PCAN_WITHOUT_GETVALUE
    void optionalFunctionMissing() {
        qputenv("CAC_FAKE_PCAN_LOG", QFile::encodeName(QDir::toNativeSeparators(
                                         QStringLiteral(CAC_EXAMPLES_DIR "/demo-drive.log"))));
        QDialog* dialog = openLiveDialog();
        QVERIFY(dialog);
        QCOMPARE(pcanOffered(dialog), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QVERIFY(dialog->findChild<QLabel*>(app::names::LiveMissing)->isHidden());
        auto* interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        interfaces->setCurrentIndex(interfaces->findText(app::texts::livePcanUsb(2)));
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        const QString refused = app::texts::previewCannotConnect(
            app::texts::livePcanUsb(2), QStringLiteral("stand-in PCAN-Basic error 0x40000000"));
        QTRY_COMPARE(m_window->statusBar()->currentMessage(), refused);
        noBox();

        dialog = openLiveDialog();
        QVERIFY(dialog);
        interfaces = dialog->findChild<QComboBox*>(app::names::LiveInterface);
        interfaces->setCurrentIndex(interfaces->findText(app::texts::livePcanUsb(1)));
        auto* panel = get<app::PreviewPanel>(app::names::PreviewPanel);
        QSignalSpy connected(panel, &app::PreviewPanel::liveConnected);
        QTest::mouseClick(dialog->findChild<QPushButton*>(app::names::LiveConnect), Qt::LeftButton);
        QVERIFY(connected.wait(10000));
        QTRY_VERIFY(panel->decoding()->tally().frames() > 0);
    }
#endif
};

QTEST_MAIN(TestWindowsPcan)
#include "tst_windows_pcan.moc"
