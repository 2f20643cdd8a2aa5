// How the program meets Windows: the device behind each port, the data folder,
// a catalogue and a configuration under a folder with blanks and non-ASCII
// letters, the flasher started with its command line exactly as built, and
// live CAN traffic where PCAN-Basic is not installed or the port has gone.
#include "LiveRefusal.h"
#include "app/live/LiveCanSource.h"
#include "app/live/LiveInterfaces.h"
#include "app/platform/PlatformServices.h"
#include "app/platform/SerialPortDevices.h"
#include "app/preview/PreviewTexts.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "output/FlasherCommand.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <windows.h>

using namespace cac;

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void portDevices() {
        const struct {
            int port;
            const char *device, *win32Path;
        } rows[] = {
            {1, "COM1", R"(\\.\COM1)"},
            {9, "COM9", R"(\\.\COM9)"},
            {10, "COM10", R"(\\.\COM10)"}, // only reachable through the device namespace
            {16, "COM16", R"(\\.\COM16)"},
        };
        for (const auto& row : rows) {
            // No Wine mapping on Windows, whatever WINEPREFIX says.
            QCOMPARE(app::SerialPortDevice(row.port, QStringLiteral("C:/prefix")),
                     QString(row.device));
            QCOMPARE(app::Win32DevicePath(row.device), QString(row.win32Path));
        }
        app::DeviceSerialPortProbe probe({});
        QVERIFY(!probe.canOpen(16)); // no such port here: refused, not thrown
    }

    // No PCANBasic.dll beside this test nor on the path: the live dialog says
    // so, and a PCAN channel asked for all the same does not open.
    void pcanBasicAbsent() {
        app::DeviceSerialPortProbe probe({});
        const app::LiveInterfaceList list = app::ListLiveInterfaces(&probe);
        QCOMPARE(list.notes, QStringList{app::texts::LivePcanNotInstalled});
        for (const app::LiveInterface& i : list.interfaces)
            QVERIFY(i.kind != app::LiveInterface::Kind::Pcan);
        QCOMPARE(testing::RefusalOpening(testing::PcanUsb1()), app::texts::LivePcanNotInstalled);
    }

    // A port listed a moment ago and gone at Connect: refused with the
    // system's reason, as Windows gives it for an absent device.
    void slcanPortGone() {
        const QString title = app::texts::liveSlcanOnPort(15, QStringLiteral("COM15"));
        const auto source = app::MakeLiveSource(
            {app::LiveInterface::Kind::Slcan, title, QStringLiteral("COM15"), {}, {}}, 500000, {});
        QVERIFY(source);
        QString error;
        QVERIFY(!source->open(&error));
        QCOMPARE(error, qt_error_string(ERROR_FILE_NOT_FOUND));
        QVERIFY(!source->isOpen());
    }

    void dataFolder() {
        const QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
        QVERIFY(!appData.isEmpty());
        const QString folder = GetSpecialFolder();
        QVERIFY2(folder.endsWith(QStringLiteral("\\Vorlane\\")), qPrintable(folder));
        QCOMPARE(QDir::fromNativeSeparators(folder).chopped(9).toLower(), appData.toLower());
        QCOMPARE(DefaultCataloguePath(), folder + QStringLiteral("Vars.cfg"));
    }

    // A .ccf saved and loaded under a folder with a blank, an umlaut and a
    // Greek letter, given with backslashes.
    void pathsWithBlanksAndNonAscii() {
        QTemporaryDir dir;
        const QString folder =
            QDir::toNativeSeparators(dir.filePath(QStringLiteral("Jürgen Ωmega")));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("\\Öl temp.ccf");
        ConfigModel saved;
        saved.setCell(1, 3, QStringLiteral("0x280"));
        saved.setCell(1, 10, QStringLiteral("Öl"));
        QVERIFY(SaveCcfFile(saved, path));
        ConfigModel loaded;
        QVERIFY(LoadCcfFile(loaded, path));
        QCOMPARE(loaded.cell(1, 3), QStringLiteral("0x280"));
        QCOMPARE(loaded.cell(1, 10), QStringLiteral("Öl"));
    }

    // The flasher gets the command line as built, unquoted, with the folder's
    // blanks and letters as they are, and the call returns before it ends.
    void flasherStart() {
        QTemporaryDir dir;
        const QString folder = QDir::toNativeSeparators(dir.filePath(QStringLiteral("My Tools Ä")));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(QStringLiteral(CAC_FAKE_FLASHER),
                            folder + QStringLiteral("\\Updrive.exe")));
        const struct {
            const char* portText;
            const char* ending;
        } rows[] = {{"Serial Port 1", "<P:1>"}, {"Serial Port 16", "<P:16>"}, {"", "<P:0>"}};
        for (const auto& row : rows) {
            const QString record = folder + QStringLiteral("\\CommandLine.txt");
            QFile::remove(record);
            const QString commandLine = FlasherCommandLine(folder, row.portText, u'\\');
            QCOMPARE(commandLine, folder + "\\Updrive.exe <FACTORY> <F:" + folder +
                                      "\\TempConfig.hex > " + row.ending);
            const app::PlatformServices services = app::RealPlatformServices();
            const QString problem = services.launcher->startDetached(
                commandLine, FlasherInvocationFor(folder, row.portText, u'\\'));
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QFile file(record);
            const QDeadlineTimer deadline(20000);
            while (!file.exists() && !deadline.hasExpired())
                QThread::msleep(50);
            QThread::msleep(200); // the stand-in closes its file before it ends
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(file.readAll()), commandLine);
        }
    }
};

QTEST_GUILESS_MAIN(TestWindows)
#include "tst_windows.moc"
