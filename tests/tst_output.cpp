#include "TestFiles.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "output/FlasherCommand.h"
#include "output/IntelHex.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void startupHexFile() {
        const QByteArray text = IntelHexText(BuildConfigImage(ConfigModel(), {}));
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), 74);
        QCOMPARE(
            lines.mid(0, 3),
            QList<QByteArray>({":020000040000FA\r", ":106000000000000000000000000000000000000090\r",
                               ":106010000000000000000000FFFFFFFFFFFFFFFF88\r"}));
        QCOMPARE(lines.mid(70), QList<QByteArray>({":10645000021010401040080401000208000104046A\r",
                                                   ":10646000000001010201030201010100020200011A\r",
                                                   ":046470000203000023\r", ":00000001FF"}));
        QCOMPARE(text.count('\r'), 73);
        QCOMPARE(text.toUpper(), text);
    }

    void recordsOfShortImages_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QByteArray>("records");
        const QByteArray zeros = ":10600000" + QByteArray(32, '0') + "90\r\n";
        QTest::newRow("one zero record") << QByteArray(16, '\0') << zeros;
        QTest::newRow("checksum 00, not 100")
            << char(0x90) + QByteArray(15, '\0') << ":1060000090" + QByteArray(30, '0') + "00\r\n";
        QTest::newRow("one-byte tail")
            << QByteArray(16, '\0') + char(0xAB) << zeros + ":01601000ABE4\r\n";
    }
    void recordsOfShortImages() {
        QFETCH(QByteArray, image);
        QFETCH(QByteArray, records);
        QCOMPARE(IntelHexText(image), ":020000040000FA\r\n" + records + ":00000001FF");
    }

    // Written file read back by an independent Intel HEX reader (srecord).
    // Failed writes are covered with the other writers in tst_failsafe.
    void writeIntelHexReadBySrecord() {
        const QString srecCmp = QStandardPaths::findExecutable("srec_cmp");
        if (srecCmp.isEmpty())
            QSKIP("srec_cmp (Debian package srecord) is not installed");
        QTemporaryDir dir;
        QByteArray image(ConfigImageSize, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i * 7 + 3);
        const QString hex = dir.filePath(HexFileName);
        const QString bin = dir.filePath("image.bin");
        QVERIFY(WriteIntelHex(image, hex));
        QFile raw(bin);
        QVERIFY(raw.open(QIODevice::WriteOnly) && raw.write(image) == image.size());
        raw.close();
        QProcess cmp;
        cmp.start(srecCmp, {hex, "-Intel", bin, "-Binary", "-offset", "0x6000"});
        QVERIFY(cmp.waitForFinished());
        QVERIFY2(cmp.exitCode() == 0, cmp.readAllStandardError().constData());
    }

    void commandLine_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* folder, const char* port, char sep,
                      const QString& expected) {
            QTest::newRow(name) << folder << port << QChar(sep) << expected;
        };
        const QString tools = "C:\\Tools\\Updrive.exe <FACTORY> <F:C:\\Tools\\TempConfig.hex > <P:";
        row("port 16", "C:\\Tools", "Serial Port 16", '\\', tools + "16>");
        row("no port", "C:\\Tools", "", '\\', tools + "0>");
        row("typed COM7", "C:\\Tools", "COM7", '\\', tools + "7>");
        row("slash folder", "/opt/cac", "Serial Port 3", '/',
            "/opt/cac/Updrive.exe <FACTORY> <F:/opt/cac/TempConfig.hex > <P:3>");
    }
    void commandLine() {
        QFETCH(QString, folder);
        QFETCH(QString, port);
        QFETCH(QChar, sep);
        QFETCH(QString, expected);
        QCOMPARE(FlasherCommandLine(folder, port, sep), expected);
    }

    void invocationKeepsBlanksInFolder() {
        const FlasherInvocation run =
            FlasherInvocationFor("/home/me/my tools", "Serial Port 2", '/');
        QCOMPARE(run.program, QString("/home/me/my tools/Updrive.exe"));
        QCOMPARE(run.arguments,
                 QStringList({"<FACTORY>", "<F:/home/me/my tools/TempConfig.hex", ">", "<P:2>"}));
    }
};

QTEST_MAIN(TestOutput)
#include "tst_output.moc"
