// How the program meets a Linux machine, over fake folders: the flasher's
// start (a Windows executable or not, Wine on PATH or not), the device behind
// a port (a Wine prefix with a comN link or not, probed for real), and where
// the demo catalogue is found.
#include "Fixtures.h"
#include "app/platform/FlasherStart.h"
#include "app/platform/SerialPortDevices.h"
#include "catalogue/CataloguePath.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

using namespace cac;
using namespace cac::app;

namespace {

QByteArray DosHeader(char peOffset) {
    QByteArray header(0x40, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3C] = peOffset;
    return header;
}

// Every file is made executable, as a program would be.
void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void flasherStartAndPortDevice() {
        const int pty = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(pty >= 0 && ::grantpt(pty) == 0 && ::unlockpt(pty) == 0);
        const QString ptyDevice = QString::fromLocal8Bit(::ptsname(pty));
        const QByteArray windowsExe = DosHeader(0x40) + QByteArray("PE\0\0", 4);
        const QByteArray dosStubOnly = DosHeader(0); // offset 0 names "MZ\0\0"

        // The flasher's bytes (empty: no Updrive.exe); where the prefix's com3
        // link points ("": no link); which prefix: $WINEPREFIX, ~/.wine, or
        // ~/.wine while $WINEPREFIX names another; what starts ("wine",
        // "flasher") or the first words of the problem.
        const struct {
            QByteArray flasher;
            bool wineOnPath, windowsHost;
            const char *com3, *prefix, *started;
        } rows[] = {
            {windowsExe, true, false, "pty", "WINEPREFIX", "wine"},
            {windowsExe, false, false, "pty", "HOME",
             "Cannot start Updrive.exe: it is a Windows program and Wine is not installed"},
            {windowsExe, false, true, "", "HOME", "flasher"},
            {dosStubOnly, true, false, "missing", "HOME", "flasher"},
            {"#!/bin/sh\n", true, false, "plain file", "WINEPREFIX", "flasher"},
            {{}, true, false, "pty", "elsewhere", "Cannot start Updrive.exe: it is not in "},
        };
        for (const auto& row : rows) {
            const RowName name(QString("%1, %2").arg(row.started, row.com3));
            QTemporaryDir dir;
            const QString appFolder = dir.filePath("my tools"), bin = dir.filePath("bin");
            const QString home = dir.filePath("home");
            const QString prefixKind = row.prefix;
            const QString prefix =
                prefixKind == "WINEPREFIX" ? dir.filePath("prefix") : home + "/.wine";
            QVERIFY(QDir().mkpath(appFolder) && QDir().mkpath(bin) &&
                    QDir().mkpath(prefix + "/dosdevices"));
            if (!row.flasher.isEmpty())
                WriteFile(appFolder + "/Updrive.exe", row.flasher);
            if (row.wineOnPath)
                WriteFile(bin + "/wine", "#!/bin/sh\n");
            WriteFile(dir.filePath("plain file"), "not a tty");
            const QString com3 = row.com3;
            const QString device = com3 == "pty"    ? ptyDevice
                                   : com3.isEmpty() ? ""
                                                    : dir.filePath(com3);
            if (!device.isEmpty())
                QVERIFY(QFile::link(device, prefix + "/dosdevices/com3"));

            const FlasherInvocation call = FlasherInvocationFor(appFolder, "Serial Port 3", '/');
            const FlasherStart start =
                PlanFlasherStart(call, dir.filePath("empty") + ":" + bin, row.windowsHost);
            const QString started = row.started;
            const bool starts = started == "wine" || started == "flasher";
            QVERIFY2(starts ? start.problem.isEmpty() : start.problem.startsWith(started),
                     qPrintable(start.problem));
            if (starts) {
                const bool wine = started == "wine";
                QCOMPARE(start.program, wine ? bin + "/wine" : call.program);
                QCOMPARE(start.arguments,
                         (wine ? QStringList{call.program} : QStringList{}) + call.arguments);
                QCOMPARE(start.workingDirectory, row.windowsHost ? QString() : appFolder);
            }

            const QString variable = prefixKind == "HOME" ? QString() : dir.filePath("prefix");
            DeviceSerialPortProbe ports(WinePrefixFolder(variable, home));
            const bool linkSeen = !device.isEmpty() && prefixKind != "elsewhere";
            QCOMPARE(ports.deviceName(3), linkSeen ? device : QString("/dev/ttyS2"));
            QCOMPARE(ports.deviceName(4), QString("/dev/ttyS3"));
            if (linkSeen)
                QCOMPARE(ports.canOpen(3), com3 == "pty");
        }
        ::close(pty);
    }

    // The flasher started for real, detached, and watched: it gets its
    // arguments unchanged ("<" and ">" included), and its end and exit status
    // are seen, the first and last values a status byte carries included.
    void flasherWatched() {
        QTemporaryDir dir;
        const QString appFolder = dir.filePath("my tools"), seen = dir.filePath("arguments");
        QVERIFY(QDir().mkpath(appFolder));
        const FlasherInvocation call = FlasherInvocationFor(appFolder, "Serial Port 3", '/');
        FlasherProcess flasher;
        QCOMPARE(int(flasher.lastStarted().state), int(StartedProgram::State::Unknown));
        for (const int code : {0, 3, 255}) {
            const RowName name(QString::number(code));
            WriteFile(call.program,
                      QString("#!/bin/sh\nprintf '%s\\n' \"$@\" >'%1'\nsleep 0.3\nexit %2\n")
                          .arg(seen)
                          .arg(code)
                          .toUtf8());
            const FlasherStart start = PlanFlasherStart(call, QString(), false);
            QCOMPARE(flasher.start(start, FlasherCommandLine(appFolder, "Serial Port 3", '/')),
                     QString());
            QCOMPARE(int(flasher.lastStarted().state), int(StartedProgram::State::Running));
            QTRY_COMPARE(int(flasher.lastStarted().state), int(StartedProgram::State::Ended));
            QCOMPARE(flasher.lastStarted().exitCode, code);
            QCOMPARE(QString(ReadAll(seen)), call.arguments.join('\n') + '\n');
        }
        // A program that cannot be run ends at once, as the shell says: 127.
        const FlasherStart missing{dir.filePath("none such"), {}, appFolder, {}};
        QCOMPARE(flasher.start(missing, QString()), QString());
        QTRY_COMPARE(int(flasher.lastStarted().state), int(StartedProgram::State::Ended));
        QCOMPARE(flasher.lastStarted().exitCode, 127);
        QCOMPARE(ReadExitStatusFile(dir.filePath("never written")), std::nullopt);
    }

    // Beside the executable (a build), then in the data folder of an
    // installation; a catalogue of the user's own wins over both.
    void demoCatalogue() {
        QTemporaryDir dir;
        const QString bin = dir.filePath("usr/bin"), user = dir.filePath("Vars.cfg");
        const QString data = dir.filePath("usr/share/can-adapter-config");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data));
        for (const QString& file :
             {QString(), data + "/DemoVars.cfg", bin + "/DemoVars.cfg", user}) {
            if (!file.isEmpty())
                WriteFile(file, "catalogue");
            QCOMPARE(ChooseCataloguePath(user, bin), file.isEmpty() ? user : file);
        }
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
