// How the program meets a Linux machine, over fake folders: the flasher's
// start (a Windows executable or not, Wine on PATH or not) and the device
// behind a port (a Wine prefix with a comN link or not), probed for real.
#include "Fixtures.h"
#include "app/CataloguePath.h"
#include "app/FlasherStart.h"
#include "app/SerialPortDevices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

using namespace cac;
using namespace cac::app;

namespace {

enum class Flasher { Missing, WindowsExe, DosStubOnly, Script };
enum class Com3 { NoLink, ToPty, ToMissingDevice, ToPlainFile };
enum class Prefix { FromVariable, FromHome, VariableElsewhere };

QByteArray FlasherBytes(Flasher kind) {
    QByteArray dosHeader(0x40, '\0');
    dosHeader[0] = 'M';
    dosHeader[1] = 'Z';
    if (kind == Flasher::DosStubOnly)
        return dosHeader; // offset 0 names "MZ\0\0", not the PE signature
    if (kind == Flasher::Script)
        return "#!/bin/sh\n";
    dosHeader[0x3C] = 0x40;
    return dosHeader + QByteArray("PE\0\0", 4);
}

// Every file is made executable by its owner, as a program would be.
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

        const struct {
            const char* name;
            Flasher flasher;
            bool wineOnPath, windowsHost;
            Com3 com3;
            Prefix prefix;
            const char* started; // "wine", "flasher", or the problem's words
        } rows[] = {
            {"PE, Wine", Flasher::WindowsExe, true, false, Com3::ToPty, Prefix::FromVariable,
             "wine"},
            {"PE, no Wine", Flasher::WindowsExe, false, false, Com3::ToPty, Prefix::FromHome,
             "Cannot start Updrive.exe: it is a Windows program and Wine is not installed"},
            {"PE on Windows", Flasher::WindowsExe, false, true, Com3::NoLink, Prefix::FromHome,
             "flasher"},
            {"DOS stub only", Flasher::DosStubOnly, true, false, Com3::ToMissingDevice,
             Prefix::FromHome, "flasher"},
            {"script", Flasher::Script, true, false, Com3::ToPlainFile, Prefix::FromVariable,
             "flasher"},
            {"no flasher", Flasher::Missing, true, false, Com3::ToPty, Prefix::VariableElsewhere,
             "Cannot start Updrive.exe: it is not in "},
        };
        for (const auto& row : rows) {
            const RowName name(row.name);
            QTemporaryDir dir;
            const QString appFolder = dir.filePath("my tools"), bin = dir.filePath("bin");
            const QString home = dir.filePath("home");
            const QString prefix =
                row.prefix == Prefix::FromHome ? home + "/.wine" : dir.filePath("prefix");
            QVERIFY(QDir().mkpath(appFolder) && QDir().mkpath(bin) &&
                    QDir().mkpath(prefix + "/dosdevices"));
            if (row.flasher != Flasher::Missing)
                WriteFile(appFolder + "/Updrive.exe", FlasherBytes(row.flasher));
            if (row.wineOnPath)
                WriteFile(bin + "/wine", "#!/bin/sh\n");
            WriteFile(dir.filePath("plain"), "not a tty");
            const QString linked[] = {
                {}, ptyDevice, dir.filePath("ttyUSB0"), dir.filePath("plain")};
            const QString device = linked[int(row.com3)];
            if (!device.isEmpty())
                QVERIFY(QFile::link(device, prefix + "/dosdevices/com3"));

            const FlasherInvocation call = FlasherInvocationFor(appFolder, "Serial Port 3", '/');
            const FlasherStart start =
                PlanFlasherStart(call, dir.filePath("empty") + ":" + bin, row.windowsHost);
            const QString started = row.started;
            if (started == "wine") {
                QCOMPARE(start.program, bin + "/wine");
                QCOMPARE(start.arguments, QStringList{call.program} + call.arguments);
            } else if (started == "flasher") {
                QCOMPARE(start.program, call.program);
                QCOMPARE(start.arguments, call.arguments);
            } else {
                QVERIFY2(start.problem.startsWith(started), qPrintable(start.problem));
            }
            if (start.problem.isEmpty())
                QCOMPARE(start.workingDirectory, row.windowsHost ? QString() : appFolder);

            const QString variable = row.prefix == Prefix::FromHome ? QString()
                                     : row.prefix == Prefix::FromVariable
                                         ? prefix
                                         : dir.filePath("elsewhere");
            DeviceSerialPortProbe ports(WinePrefixFolder(variable, home));
            const bool linkSeen = !device.isEmpty() && row.prefix != Prefix::VariableElsewhere;
            QCOMPARE(ports.deviceName(3), linkSeen ? device : QString("/dev/ttyS2"));
            QCOMPARE(ports.deviceName(4), QString("/dev/ttyS3"));
            if (linkSeen)
                QCOMPARE(ports.canOpen(3), row.com3 == Com3::ToPty);
        }
        ::close(pty);
    }

    // The demo catalogue is found beside the executable (a build) and in the
    // data folder of an installation; a catalogue of the user's own wins.
    void demoCatalogueWhereInstalled() {
        QTemporaryDir dir;
        const QString bin = dir.filePath("usr/bin"),
                      data = dir.filePath("usr/share/can-adapter-config");
        const QString user = dir.filePath("Vars.cfg");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data));
        QCOMPARE(ChooseCataloguePath(user, bin), user);
        WriteFile(data + "/DemoVars.cfg", "demo");
        QCOMPARE(ChooseCataloguePath(user, bin), data + "/DemoVars.cfg");
        WriteFile(bin + "/DemoVars.cfg", "demo");
        QCOMPARE(ChooseCataloguePath(user, bin), bin + "/DemoVars.cfg");
        WriteFile(user, "mine");
        QCOMPARE(ChooseCataloguePath(user, bin), user);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
