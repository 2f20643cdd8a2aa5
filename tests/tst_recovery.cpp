// The recovery file and the kind of a handed file.
#include "Fixtures.h"

#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "configfile/FileKind.h"
#include "configfile/RecoveryFile.h"
#include "obd/ObdParameters.h"

#include <QRandomGenerator>
#include <QTest>

using namespace cac;

namespace {

// Everything a user can put into the table, read straight from the model:
// the reference a round trip is compared with.
struct TableState {
    QStringList cells, priorities;
    QString baudRate;
    bool obd = false;
    friend bool operator==(const TableState&, const TableState&) = default;
};

TableState stateOf(const ConfigModel& model) {
    TableState state;
    for (int r = 1; r < ChannelGridRows; ++r)
        for (int c = 1; c < ChannelGridColumns; ++c)
            state.cells << model.cell(r, c);
    for (int row = 1; row <= ObdParameterCount; ++row)
        state.priorities << model.obdPriority(row);
    state.baudRate = model.baudRateText();
    state.obd = model.obdModeEnabled();
    return state;
}

// A cell text as a user may type or choose it: empty, blanks, list texts,
// numbers at the ends of their ranges, Latin-1 letters; never "|" or a line
// end, which no configuration file carries.
QString randomText(QRandomGenerator& random) {
    static const QStringList pieces = {"",       " ",          "0",           "63",
                                       "255",    "0x1FFFFFFF", "-1,5",        "29 bit",
                                       "Byte 8", "No Filter",  "Grüße",       "**Do not use**",
                                       "1e-300", "OFF",        "USED FOR OBD"};
    QString text = pieces.at(random.bounded(pieces.size()));
    if (random.bounded(4) == 0)
        text += QString(random.bounded(1, 300), QChar(u'a' + random.bounded(26)));
    return text;
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    // Any table, saved as a recovery file and put into a fresh window's
    // table, is the same table: every cell (channel 15 and column 12
    // included), a typed bit rate, the 18 priorities and the OBD switch.
    void roundTripKeepsEverything() {
        QRandomGenerator random(20261207);
        for (int round = 0; round < 300; ++round) {
            const RowName name(QString::number(round));
            ConfigModel original;
            original.setObdModeEnabled(random.bounded(2) == 1);
            const int edits = random.bounded(1, 200);
            for (int e = 0; e < edits; ++e)
                original.setCell(random.bounded(1, ChannelGridRows),
                                 random.bounded(1, ChannelGridColumns), randomText(random));
            original.setCell(ChannelCount, ChannelGridColumns - 1, randomText(random));
            const QStringList rates = BaudRateEntries() + QStringList{"", "1000 kbit", "500 KBIT"};
            original.setBaudRateText(rates.at(random.bounded(rates.size())));
            for (int row = 1; row <= ObdParameterCount; ++row)
                if (random.bounded(3) == 0)
                    original.setObdPriority(row, PriorityEntries().at(random.bounded(
                                                     static_cast<int>(PriorityEntries().size()))));

            const QByteArray bytes = SerializeRecovery(original);
            QString why;
            const std::optional<RecoveredTable> table = ParseRecovery(bytes, &why);
            QVERIFY2(table, qPrintable(why));
            // The first fourteen lines are what a save writes.
            QCOMPARE(table->ccf, SerializeCcf(original));
            ConfigModel restored;
            ApplyRecovery(restored, *table);
            QCOMPARE(stateOf(restored), stateOf(original));
        }
    }

    // The first bytes decide where they tell; otherwise the extension does,
    // in any letter case.
    void kindOfFile() {
        ConfigModel model;
        const QByteArray ccf = SerializeCcf(model);
        const QByteArray hex = ":020000040000FA\r\n:10600000FFFF\r\n";
        const QByteArray dbc = "VERSION \"\"\n\nNS_ :\n\tCM_\n\nBU_: ECU\n";
        const QByteArray fourteenBars = QByteArray(14, '|') + "\r\n";
        const struct {
            const char* name;
            QByteArray head;
            FileKind kind;
        } rows[] = {
            {"a.ccf", ccf, FileKind::Configuration},
            {"a", ccf, FileKind::Configuration},
            {"A.CCF", "", FileKind::Configuration},
            {"a.ccf", fourteenBars, FileKind::Configuration},
            {"a", fourteenBars, FileKind::Unknown},
            {"a.hex", hex, FileKind::HexImage},
            {"a.txt", hex, FileKind::HexImage},
            {"a.ccf", hex, FileKind::HexImage},
            {"a", ":0200", FileKind::Unknown},
            {"a", ":02000004000G\r\n", FileKind::Unknown},
            {"a.dbc", "", FileKind::CanDatabase},
            {"a", dbc, FileKind::CanDatabase},
            {"a.txt", "hello", FileKind::Unknown},
            {"a", "", FileKind::Unknown},
            {"a.ccf.bak", ccf.left(5), FileKind::Unknown},
        };
        for (const auto& row : rows) {
            const RowName name(QString::fromLatin1(row.name) + " " + row.head.left(12));
            QCOMPARE(KindOfFile(QString::fromLatin1(row.name), row.head), row.kind);
        }
        // A first line longer than the bytes looked at leaves it to the name.
        const QByteArray longLine = QByteArray(FileKindHeadSize, 'x') + ccf;
        QCOMPARE(KindOfFile("a", longLine), FileKind::Unknown);
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
