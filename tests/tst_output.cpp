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

namespace {

QByteArray StartupImage() {
    return BuildConfigImage(ConfigModel(), {});
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void hexByte();
    void startupHexFile();
    void recordsOfShortImages_data();
    void recordsOfShortImages();
    void agreesWithSrecord();
    void writeIntelHex();
    void commandLine_data();
    void commandLine();
    void invocationKeepsBlanksInFolder();
};

void TestOutput::hexByte() {
    QCOMPARE(HexByte(0), QString("00"));
    QCOMPARE(HexByte(0x0F), QString("0F"));
    QCOMPARE(HexByte(0xA0), QString("A0"));
    QCOMPARE(HexByte(0xFF), QString("FF"));
}

void TestOutput::startupHexFile() {
    const QByteArray text = IntelHexText(StartupImage());
    QVERIFY(!text.endsWith('\n'));
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines.size(), 74);
    QCOMPARE(lines.mid(0, 3), QList<QByteArray>({":020000040000FA\r",
                                                 ":106000000000000000000000000000000000000090\r",
                                                 ":106010000000000000000000FFFFFFFFFFFFFFFF88\r"}));
    QCOMPARE(lines.mid(70), QList<QByteArray>({":10645000021010401040080401000208000104046A\r",
                                               ":10646000000001010201030201010100020200011A\r",
                                               ":046470000203000023\r", ":00000001FF"}));
    QCOMPARE(text.count('\r'), 73);
    QCOMPARE(text.toUpper(), text);
}

void TestOutput::recordsOfShortImages_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QByteArray>("records");

    QTest::newRow("one zero record")
        << QByteArray(16, '\0') << ":10600000" + QByteArray(32, '0') + "90\r\n";
    QByteArray sumsToZero(16, '\0');
    sumsToZero[0] = char(0x90);
    QTest::newRow("checksum 00, not 100")
        << sumsToZero << ":1060000090" + QByteArray(30, '0') + "00\r\n";
    QByteArray tail(17, '\0');
    tail[16] = char(0xAB);
    QTest::newRow("one-byte tail")
        << tail << ":10600000" + QByteArray(32, '0') + "90\r\n:01601000ABE4\r\n";
}

void TestOutput::recordsOfShortImages() {
    QFETCH(QByteArray, image);
    QFETCH(QByteArray, records);
    QCOMPARE(IntelHexText(image), ":020000040000FA\r\n" + records + ":00000001FF");
}

void TestOutput::agreesWithSrecord() {
    const QString srecCmp = QStandardPaths::findExecutable("srec_cmp");
    if (srecCmp.isEmpty())
        QSKIP("srec_cmp (srecord) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConfigModel model;
    model.setCell(3, ColIdLength, "29 bit");
    model.setCell(3, ColCanId, "0x18FEF100");
    model.setCell(3, ColScale, "0.1");
    const QByteArray image = BuildConfigImage(model, {});
    QVERIFY(WriteFile(dir.filePath("file.hex"), IntelHexText(image)));
    QVERIFY(WriteFile(dir.filePath("image.bin"), image));

    QProcess cmp;
    cmp.setWorkingDirectory(dir.path());
    cmp.start(srecCmp, {"file.hex", "-Intel", "image.bin", "-Binary", "-offset", "0x6000"});
    QVERIFY(cmp.waitForFinished(30000));
    QVERIFY2(cmp.exitStatus() == QProcess::NormalExit && cmp.exitCode() == 0,
             cmp.readAllStandardError().constData());
}

void TestOutput::writeIntelHex() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(HexFileName);
    const QByteArray image = StartupImage();
    QVERIFY(WriteIntelHex(image, path));
    QCOMPARE(ReadAll(path), IntelHexText(image));

    QByteArray other = image;
    other[0] = 0x55;
    QVERIFY(!WriteIntelHex(other, dir.filePath("missing folder/TempConfig.hex")));
    QCOMPARE(ReadAll(path), IntelHexText(image));

    // The flasher must never see a half-written file, even when the disk fills up.
    {
        const FileSizeLimit limit(256); // a full file needs about 3 kB
        QVERIFY(!WriteIntelHex(other, path));
    }
    QCOMPARE(ReadAll(path), IntelHexText(image));
}

void TestOutput::commandLine_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QChar>("sep");
    QTest::addColumn<QString>("expected");

    const QString tools = "C:\\Tools\\Updrive.exe <FACTORY> <F:C:\\Tools\\TempConfig.hex > <P:";
    QTest::newRow("port 3") << "C:\\Tools"
                            << "Serial Port 3" << QChar('\\') << tools + "3>";
    QTest::newRow("port 1") << "C:\\Tools"
                            << "Serial Port 1" << QChar('\\') << tools + "1>";
    QTest::newRow("port 16") << "C:\\Tools"
                             << "Serial Port 16" << QChar('\\') << tools + "16>";
    QTest::newRow("no port") << "C:\\Tools"
                             << "" << QChar('\\') << tools + "0>";
    QTest::newRow("typed COM7") << "C:\\Tools"
                                << "COM7" << QChar('\\') << tools + "7>";
    QTest::newRow("slash folder")
        << "/opt/cac"
        << "Serial Port 12" << QChar('/')
        << "/opt/cac/Updrive.exe <FACTORY> <F:/opt/cac/TempConfig.hex > <P:12>";
}

void TestOutput::commandLine() {
    QFETCH(QString, folder);
    QFETCH(QString, port);
    QFETCH(QChar, sep);
    QFETCH(QString, expected);
    QCOMPARE(FlasherCommandLine(folder, port, sep), expected);
}

void TestOutput::invocationKeepsBlanksInFolder() {
    const FlasherInvocation run = FlasherInvocationFor("/home/me/my tools", "Serial Port 2", '/');
    QCOMPARE(run.program, QString("/home/me/my tools/Updrive.exe"));
    QCOMPARE(run.arguments,
             QStringList({"<FACTORY>", "<F:/home/me/my tools/TempConfig.hex", ">", "<P:2>"}));
    QCOMPARE(PortNumberText("Serial Port 9"), QString("9"));
}

QTEST_MAIN(TestOutput)
#include "tst_output.moc"
