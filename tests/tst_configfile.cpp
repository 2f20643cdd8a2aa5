#include "Fixtures.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <tuple>

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

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void startupFile() {
        const QByteArray expected = (QByteArray(15, '|') + "\r\n").repeated(12) +
                                    "500 kbit\r\n2|5|5|7|5|7|4|3|1|OFF|2|4|OFF|1|3|3|OFF|OFF|\r\n";
        QCOMPARE(SerializeCcf(ConfigModel()), expected);
    }

    // Each line stands alone: a bad one leaves its own setting as it was,
    // and the report says which columns were kept and why.
    void malformedLines() {
        ConfigModel source, untouched;
        FillModel(source, "s");
        FillModel(untouched, "t");
        source.setBaudRateText("125 kbit");
        const QByteArray file = SerializeCcf(source);
        const QList<QByteArray> lines = file.split('\n').mid(0, 14); // each still ends in CR
        auto withLine = [&](int index, const QByteArray& text) {
            QList<QByteArray> changed = lines;
            changed[index] = text + '\r';
            return changed.join('\n') + '\n';
        };
        const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        auto allBut = [&](int c) {
            QList<int> columns = all;
            columns.removeAll(c);
            return columns;
        };
        // A cell holding a line break splits its line in two and pushes the
        // lines after it down by one.
        QByteArray lineBreak = file;
        lineBreak.replace("s 3,11|", "s 3,\r\n11|");
        const QString missing = " kept: the file ends before their lines";
        const QString ends =
            "; the bit rate kept: the file ends before its line; the OBD priorities "
            "kept: the file ends before its line";
        // clang-format off
        const std::tuple<const char*, QByteArray, QList<int>, bool, bool, QString> rows[] = {
            {"round trip", file, all, true, true, ""},
            {"no trailing |", withLine(0, lines[0].chopped(2)), allBut(1), true, true,
             "VL message kept: its last cell has no \"|\" after it"},
            {"16th field filled", withLine(1, lines[1].chopped(1) + "extra"), all, true, true, ""},
            {"| inside a cell", withLine(2, lines[2].chopped(1).replace("s 1,3", "s|1,3")),
             allBut(3), true, true, "CAN ID kept: its line has 16 cells"},
            {"one cell", withLine(5, "1"), allBut(6), true, true, "Start bit kept: its line has 1 cell"},
            {"empty column line", withLine(11, ""), allBut(12), true, true, "Exponent kept: its line is empty"},
            {"line break in a cell", lineBreak, all.mid(0, 10), false, false,
             "Offset kept: its line has 3 cells; Exponent kept: its line has 13 cells; the bit rate "
             "kept: its line names none of the bit rates; the OBD priorities kept: its line has 1 cell"},
            {"17 priority fields", withLine(13, QByteArray("1|").repeated(17)), all, true, false,
             "the OBD priorities kept: its line has 17 cells"},
            {"19 priority fields", withLine(13, QByteArray("1|").repeated(19)), all, true, false,
             "the OBD priorities kept: its line has 19 cells"},
            {"18 priorities, no last |", withLine(13, QByteArray("1|").repeated(18).chopped(1)), all,
             true, false, "the OBD priorities kept: its last cell has no \"|\" after it"},
            {"empty priority line", withLine(13, ""), all, true, false,
             "the OBD priorities kept: its line is empty"},
            {"baud with a blank", withLine(12, "125 kbit "), all, false, true,
             "the bit rate kept: its line names none of the bit rates (\"125 kbit \")"},
            {"baud in capitals", withLine(12, "125 KBIT"), all, false, true,
             "the bit rate kept: its line names none of the bit rates (\"125 KBIT\")"},
            {"empty baud line", withLine(12, ""), all, false, true, "the bit rate kept: its line is empty"},
            {"CR line ends", QByteArray(file).replace("\r\n", "\r"), all, true, true, ""},
            {"LF line ends", QByteArray(file).replace("\r\n", "\n"), {}, false, false,
             "VL message kept: its line has 199 cells; CAN ID length, CAN ID, Filter Loc, Filter Val, "
             "Start bit, Length (bits), Value type, Byte order, Scale factor, Offset and Exponent" + missing +
             ends},
            {"extra lines", file + "junk|\r\n1|2|\r\n", all, true, true, ""},
            {"five lines only", lines.mid(0, 5).join('\n') + '\n', all.mid(0, 5), false, false,
             "Start bit, Length (bits), Value type, Byte order, Scale factor, Offset and Exponent" + missing +
             ends},
            {"eleven lines only", lines.mid(0, 11).join('\n') + '\n', all.mid(0, 11), false, false,
             "Exponent kept: the file ends before its line" + ends},
            {"twelve lines only", lines.mid(0, 12).join('\n') + '\n', all, false, false, ends.mid(2)},
            {"thirteen lines only", lines.mid(0, 13).join('\n') + '\n', all, true, false,
             "the OBD priorities kept: the file ends before its line"},
            {"empty file", {}, {}, false, false,
             "VL message, CAN ID length, CAN ID, Filter Loc, Filter Val, Start bit, Length (bits), "
             "Value type, Byte order, Scale factor, Offset and Exponent" + missing + ends}};
        // clang-format on
        for (const auto& [name, bytes, columns, baudApplied, prioritiesApplied, kept] : rows) {
            const RowName row(name);
            ConfigModel target;
            FillModel(target, "t");
            const CcfLoadReport report = ApplyCcf(target, bytes);
            for (int c = 1; c < ChannelGridColumns; ++c)
                QCOMPARE(ColumnTexts(target, c),
                         ColumnTexts(columns.contains(c) ? source : untouched, c));
            QCOMPARE(report.channelColumnsApplied, columns.size());
            QCOMPARE(KeptColumnsText(report), kept);
            QCOMPARE(target.baudRateText(), QString(baudApplied ? "125 kbit" : "500 kbit"));
            QCOMPARE(report.baudRateMatched, baudApplied);
            QCOMPARE(report.prioritiesApplied, prioritiesApplied);
            for (int j = 1; j <= 18; ++j)
                QCOMPARE(target.obdPriority(j),
                         (prioritiesApplied ? source : untouched).obdPriority(j));
        }
    }

    void loadNeverTouchesObdMode() {
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

    // A first line far longer than any configuration, of "|" only or of one
    // long cell, hides none of the lines after it, and loading it costs about
    // one read buffer, not a copy of the line per separator.
    void longFirstLine() {
        ConfigModel source;
        FillModel(source, "s");
        source.setBaudRateText("125 kbit");
        const QByteArray saved = SerializeCcf(source);
        const QByteArray rest = saved.mid(saved.indexOf('\n') + 1);
        const QByteArray chunk(1024 * 1024, '|');
        for (const char* filler : {"|", "x"}) {
            const RowName row(filler);
            QTemporaryDir dir;
            const QString path = dir.filePath("long.ccf");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int mib = 0; mib < 24; ++mib)
                QCOMPARE(file.write(QByteArray(chunk).fill(*filler)), chunk.size());
            QVERIFY(file.write("\r\n" + rest) > 0);
            file.close();

            rusage before{}, after{};
            getrusage(RUSAGE_SELF, &before);
            ConfigModel target;
            CcfLoadReport report;
            QVERIFY(LoadCcfFile(target, path, &report));
            getrusage(RUSAGE_SELF, &after);
            QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024,
                     qPrintable(QString::number(after.ru_maxrss - before.ru_maxrss) + " kB"));
            QCOMPARE(report.channelColumnsApplied, 11);
            QCOMPARE(ColumnTexts(target, ColVariable), QStringList(15, QString()));
            for (int c = 2; c < ChannelGridColumns; ++c)
                QCOMPARE(ColumnTexts(target, c), ColumnTexts(source, c));
            QCOMPARE(target.baudRateText(), QString("125 kbit"));
            QVERIFY(report.prioritiesApplied);
            QCOMPARE(target.obdPriority(18), source.obdPriority(18));
        }
    }

    // Failed saves are covered with the other writers in tst_failsafe.
    void files() {
        QTemporaryDir dir;
        ConfigModel source, target;
        FillModel(source, QStringLiteral("\u00D6l"));  // "Öl", one byte in 8-bit text
        const QString path = dir.filePath("channels"); // used as typed: no extension added
        QVERIFY(SaveCcfFile(source, path));
        QVERIFY(ReadAll(path).startsWith("\xD6l 1,1|\xD6l 2,1|"));
        QVERIFY(ReadAll(path).endsWith("|\xD6l18|\r\n"));
        QCOMPARE(ReadAll(path), SerializeCcf(source));
        CcfLoadReport report;
        QVERIFY(LoadCcfFile(target, path, &report));
        QCOMPARE(report.channelColumnsApplied, 12);
        QCOMPARE(SerializeCcf(target), SerializeCcf(source));
        QVERIFY(!LoadCcfFile(target, dir.filePath("missing.ccf")));
        QCOMPARE(SerializeCcf(target), SerializeCcf(source));
    }
};

QTEST_MAIN(TestConfigFile)
#include "tst_configfile.moc"
