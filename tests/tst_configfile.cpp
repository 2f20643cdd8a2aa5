#include "FileSizeLimit.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

namespace {

// Every setting cell gets a distinct text marked with `tag`, the priorities too.
void FillModel(ConfigModel& model, const QString& tag) {
    for (int r = 1; r <= ChannelCount; ++r)
        for (int c = 1; c < ChannelGridColumns; ++c)
            model.setCell(r, c, QStringLiteral("%1 %2,%3").arg(tag).arg(r).arg(c));
    for (int j = 1; j <= 18; ++j)
        model.setObdPriority(j, QStringLiteral("%1%2").arg(tag).arg(j));
}

QStringList ColumnTexts(const ConfigModel& model, int c) {
    QStringList cells;
    for (int r = 1; r <= ChannelCount; ++r)
        cells << model.cell(r, c);
    return cells;
}

QStringList Priorities(const ConfigModel& model) {
    QStringList texts;
    for (int j = 1; j <= 18; ++j)
        texts << model.obdPriority(j);
    return texts;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void startupFile();
    void roundTrip();
    void malformedLines_data();
    void malformedLines();
    void baudRateMustMatchExactly_data();
    void baudRateMustMatchExactly();
    void loadNeverTouchesObdMode();
    void saveAndLoadFiles();
    void failedSaveKeepsEarlierFile();
};

void TestConfigFile::startupFile() {
    ConfigModel model;
    QByteArray expected;
    for (int i = 0; i < 12; ++i)
        expected += QByteArray(15, '|') + "\r\n";
    expected += "500 kbit\r\n2|5|5|7|5|7|4|3|1|OFF|2|4|OFF|1|3|3|OFF|OFF|\r\n";
    QCOMPARE(SerializeCcf(model), expected);
}

void TestConfigFile::roundTrip() {
    ConfigModel source;
    FillModel(source, "s");
    source.setCell(2, ColVariable, "Oil temp {OILT}");
    source.setCell(3, ColCanId, "  0x1A0 ");
    source.setCell(4, ColScale, QString());
    source.setBaudRateText("33.3 kbit");
    source.setObdModeEnabled(true);
    const QByteArray bytes = SerializeCcf(source);
    QVERIFY(bytes.contains("|USED FOR OBD|\r\n"));

    ConfigModel target;
    const CcfLoadReport report = ApplyCcf(target, bytes);
    QCOMPARE(report.channelColumnsApplied, 12);
    QVERIFY(report.baudRateMatched);
    QVERIFY(report.prioritiesApplied);
    for (int c = 1; c < ChannelGridColumns; ++c)
        QCOMPARE(ColumnTexts(target, c), ColumnTexts(source, c));
    QCOMPARE(target.baudRateText(), QString("33.3 kbit"));
    QCOMPARE(Priorities(target), Priorities(source));
    QVERIFY(!target.obdModeEnabled());
    QCOMPARE(SerializeCcf(target), bytes);
}

void TestConfigFile::malformedLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("appliedColumns");
    QTest::addColumn<bool>("baudApplied");
    QTest::addColumn<bool>("prioritiesApplied");

    ConfigModel source;
    FillModel(source, "s");
    source.setBaudRateText("125 kbit");
    const QByteArray file = SerializeCcf(source);
    const QList<QByteArray> lines = file.split('\n').mid(0, 14); // each still ends in CR
    auto withLine = [&](int index, const QByteArray& text) {
        QList<QByteArray> changed = lines;
        changed[index] = text + '\r';
        return changed.join('\n') + '\n';
    };
    QList<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    auto allBut = [&](int c) {
        QList<int> columns = all;
        columns.removeAll(c);
        return columns;
    };

    QTest::newRow("intact") << file << all << true << true;
    QTest::newRow("no trailing |") << withLine(0, lines[0].chopped(2)) << allBut(1) << true << true;
    QTest::newRow("16th field filled")
        << withLine(1, lines[1].chopped(1) + "extra") << all << true << true;
    QTest::newRow("| inside a cell")
        << withLine(2, lines[2].chopped(1).replace("s 1,3", "s|1,3")) << allBut(3) << true << true;
    QTest::newRow("empty column line") << withLine(11, "") << allBut(12) << true << true;
    QTest::newRow("17 priority fields")
        << withLine(13, QByteArray("1|").repeated(17)) << all << true << false;
    QTest::newRow("CR line ends") << QByteArray(file).replace("\r\n", "\r") << all << true << true;
    QTest::newRow("LF line ends") << QByteArray(file).replace("\r\n", "\n") << QList<int>() << false
                                  << false;
    QTest::newRow("extra lines") << file + "junk|\r\n1|2|\r\n" << all << true << true;
    QTest::newRow("five lines only") << lines.mid(0, 5).join('\n') + '\n'
                                     << QList<int>{1, 2, 3, 4, 5} << false << false;
    QTest::newRow("empty file") << QByteArray() << QList<int>() << false << false;
}

void TestConfigFile::malformedLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, appliedColumns);
    QFETCH(bool, baudApplied);
    QFETCH(bool, prioritiesApplied);

    ConfigModel source, target, untouched;
    FillModel(source, "s");
    FillModel(target, "t");
    FillModel(untouched, "t");
    const CcfLoadReport report = ApplyCcf(target, bytes);
    for (int c = 1; c < ChannelGridColumns; ++c) {
        const ConfigModel& expected = appliedColumns.contains(c) ? source : untouched;
        QCOMPARE(ColumnTexts(target, c), ColumnTexts(expected, c));
    }
    QCOMPARE(report.channelColumnsApplied, appliedColumns.size());
    QCOMPARE(target.baudRateText(), QString(baudApplied ? "125 kbit" : "500 kbit"));
    QCOMPARE(report.baudRateMatched, baudApplied);
    QCOMPARE(report.prioritiesApplied, prioritiesApplied);
    QCOMPARE(target.obdPriority(18), QString(prioritiesApplied ? "s18" : "t18"));
}

void TestConfigFile::baudRateMustMatchExactly_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("entry") << QByteArray("1 Mbit") << "1 Mbit";
    QTest::newRow("capitals") << QByteArray("500 KBIT") << "250 kbit";
    QTest::newRow("trailing blank") << QByteArray("125 kbit ") << "250 kbit";
    QTest::newRow("typed text") << QByteArray("100 kbit") << "250 kbit";
}

void TestConfigFile::baudRateMustMatchExactly() {
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    ConfigModel model;
    model.setBaudRateText("250 kbit");
    QByteArray bytes;
    for (int i = 0; i < 12; ++i)
        bytes += "x\r\n"; // one piece: no column applies
    ApplyCcf(model, bytes + line + "\r\n");
    QCOMPARE(model.baudRateText(), expected);
}

void TestConfigFile::loadNeverTouchesObdMode() {
    ConfigModel plain;
    plain.setCell(15, ColVariable, "Oil temp {OILT}");
    ConfigModel obd;
    obd.setObdModeEnabled(true);
    const QByteArray obdFile = SerializeCcf(obd);

    // Loaded while OBD mode is on: channel 15 takes the file's texts, the mode stays.
    ApplyCcf(obd, SerializeCcf(plain));
    QVERIFY(obd.obdModeEnabled());
    QCOMPARE(obd.cell(15, ColVariable), QString("Oil temp {OILT}"));

    // Saved in OBD mode, loaded with it off: the text arrives, the mode stays off.
    ApplyCcf(plain, obdFile);
    QVERIFY(!plain.obdModeEnabled());
    QCOMPARE(plain.cell(15, ColVariable), UsedForObdText);
}

void TestConfigFile::saveAndLoadFiles() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConfigModel source;
    FillModel(source, "s");
    const QString path = dir.filePath("channels"); // no extension is added
    QVERIFY(SaveCcfFile(source, path));
    QCOMPARE(ReadAll(path), SerializeCcf(source));
    QVERIFY(!QFile::exists(path + ".ccf"));

    ConfigModel target;
    CcfLoadReport report;
    QVERIFY(LoadCcfFile(target, path, &report));
    QCOMPARE(report.channelColumnsApplied, 12);
    QCOMPARE(SerializeCcf(target), SerializeCcf(source));

    ConfigModel untouched;
    QVERIFY(!LoadCcfFile(untouched, dir.filePath("missing.ccf")));
    QCOMPARE(SerializeCcf(untouched), SerializeCcf(ConfigModel()));
}

void TestConfigFile::failedSaveKeepsEarlierFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ConfigModel model;
    FillModel(model, "a rather long text");
    const QString path = dir.filePath("kept.ccf");
    QVERIFY(SaveCcfFile(ConfigModel(), path));
    const QByteArray earlier = ReadAll(path);

    QVERIFY(!SaveCcfFile(model, dir.filePath("no such folder/x.ccf")));
    QCOMPARE(ReadAll(path), earlier);

    // A disk that fills up part-way: the short write must not replace the file.
    {
        const FileSizeLimit limit(64); // the new text is far longer
        QEXPECT_FAIL("", "a short write is committed as if complete", Continue);
        QVERIFY(!SaveCcfFile(model, path));
    }
    QEXPECT_FAIL("", "a short write is committed as if complete", Continue);
    QCOMPARE(ReadAll(path), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.ccf"});
}

QTEST_MAIN(TestConfigFile)
#include "tst_configfile.moc"
