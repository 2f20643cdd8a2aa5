// The CAN database subsystem: the .dbc reader on small inputs, the row a
// signal gives, filling channels and proposing variables.
#include "Fixtures.h"
#include "bitmap/FrameLayout.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "dbc/ChannelFill.h"
#include "dbc/DbcWriter.h"
#include "dbc/SignalRow.h"
#include "dbc/VariableProposals.h"
#include "image/ConfigImage.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <cmath>

namespace {

// The database as one text: a line per message, signal and problem.
QString Dump(const cac::CanDatabase& database) {
    QStringList lines;
    for (const cac::DbcMessage& m : database.messages) {
        lines << QStringLiteral("BO %1 %2 %3 %4 %5 //%6")
                     .arg(cac::IdentifierText(m), m.extended ? "29" : "11", m.name)
                     .arg(m.length)
                     .arg(m.sender, m.comment);
        for (const cac::DbcSignal& s : m.signalList)
            lines << QStringLiteral("SG %1 %2 (%3,%4) [%5|%6] \"%7\" %8 M%9 m%10 t%11 //%12")
                         .arg(s.name, cac::SignalLayoutText(s))
                         .arg(s.factor)
                         .arg(s.offset)
                         .arg(s.minimum)
                         .arg(s.maximum)
                         .arg(s.unit, s.receivers.join(','))
                         .arg(s.isMultiplexor)
                         .arg(s.multiplexValue)
                         .arg(static_cast<int>(s.valueType))
                         .arg(s.comment);
    }
    for (const cac::DbcProblem& p : database.problems)
        lines << QStringLiteral("line %1: %2").arg(p.line).arg(p.message);
    return lines.join('\n');
}

const QByteArray Message = "BO_ 100 M: 8 E\n";

// The one signal S of a database, mapped.
cac::SignalRow MapS(const QByteArray& text) {
    const cac::CanDatabase database = cac::ReadCanDatabase(text);
    const QList<cac::SignalRef> found = cac::FindSignals(database, "S");
    if (found.size() != 1)
        return {{}, {{true, 0, "test input has no single signal S: " + Dump(database)}}};
    const cac::DbcMessage& message = database.messages.at(found[0].message);
    return cac::MapSignalToRow(message, message.signalList.at(found[0].signal));
}

// The value as its 15 significant digits read.
double RoundedTo15(double value) {
    return QString::number(value, 'g', 15).toDouble();
}

QString NotesText(const cac::SignalRow& row) {
    QStringList texts;
    for (const cac::MappingNote& note : row.notes)
        texts << QStringLiteral("%1 %2: %3")
                     .arg(note.refuses ? "refused" : "note")
                     .arg(note.column)
                     .arg(note.text);
    return texts.join("; ");
}

} // namespace

class TestDbc : public QObject {
    Q_OBJECT
private slots:
    // Each statement form, strings, line ends and encodings, and problems by
    // line with reading going on after each.
    void reader() {
        struct Row {
            const char* name;
            QByteArray text;
            QString dump;
        };
        // clang-format off
        const Row rows[] = {
            {"message and signal", Message + " SG_ Sig : 0|8@1+ (1,0) [0|255] \"u\" A,B\n",
             "BO 0x64 11 M 8 E //\nSG Sig 0|8@1+ (1,0) [0|255] \"u\" A,B M0 m-1 t0 //"},
            {"29 bit, Motorola, signed; no sender or receivers; blanks anywhere",
             "BO_ 2566844672 X:8\n\tSG_ S :7 | 16 @ 0 - ( +.5 , -4E1 ) [ -1e3 | 1E+3 ] \"\"\n",
             "BO 0x18FEF100 29 X 8  //\nSG S 7|16@0- (0.5,-40) [-1000|1000] \"\"  M0 m-1 t0 //"},
            {"multiplexor marks", Message + " SG_ A M : 0|8@1+ (1,0) [0|0] \"\" E\n"
                                            " SG_ B m3 : 8|8@1+ (1,0) [0|0] \"\" E\n"
                                            " SG_ C m12M : 16|8@1+ (1,0) [0|0] \"\" E\n",
             "BO 0x64 11 M 8 E //\nSG A 0|8@1+ (1,0) [0|0] \"\" E M1 m-1 t0 //\n"
             "SG B 8|8@1+ (1,0) [0|0] \"\" E M0 m3 t0 //\nSG C 16|8@1+ (1,0) [0|0] \"\" E M1 m12 t0 //"},
            {"comments and value types, CR LF, before or after their message",
             "CM_ SG_ 100 S \"say \\\"hi\\\"\r\nand \\\\ bye\";\r\nSIG_VALTYPE_ 100 S : 1;\r\n"
             + QByteArray(Message).replace("\n", "\r\n") + " SG_ S : 0|32@1- (1,0) [0|0] \"\" E\r\n"
             "CM_ BO_ 100 \"message\";\r\nCM_ \"file\";\r\nCM_ BU_ E \"node\";\r\nSIG_VALTYPE_ 100 S 2;\r\njunk\r\n",
             "BO 0x64 11 M 8 E //message\nSG S 0|32@1- (1,0) [0|0] \"\" E M0 m-1 t2 //say \"hi\"\nand \\ bye\n"
             "line 10: 'junk' does not begin a statement"},
            {"everything else is read over",
             "VERSION \"1;2\"\n\nNS_ :\n\tNS_DESC_\n\tCM_\n\tBA_\n\nBS_: 500\nBU_: E D\n"
             "VAL_TABLE_ T 1 \"one;\"\n 0 \"zero\" ;\nBA_DEF_ BO_ \"Cycle\" INT 0 65535;\n"
             "BA_ \"Cycle\" BO_ 100 10;\nEV_ V: 0 [0|1] \"\" 0 1 DUMMY_NODE_VECTOR0 E;\n"
             + Message + "VAL_ 100 S 0 \"off\" 1 \"on\";\nBO_TX_BU_ 100 : E,D;\n",
             "BO 0x64 11 M 8 E //"},
            {"node list over several lines, up to a statement or a line of anything else",
             "BU_: GTW DI\n  EPAS ESP\nSBW_2\n" + Message + "BU_: A\n\nB\nBU_: C\n B-\n",
             "BO 0x64 11 M 8 E //\n"
             "line 7: 'B' does not begin a statement\n"
             "line 9: 'B' does not begin a statement"},
            {"Latin-1", Message + " SG_ S : 0|8@1+ (1,0) [0|0] \"\xB0" "C\" E\n",
             "BO 0x64 11 M 8 E //\nSG S 0|8@1+ (1,0) [0|0] \"\u00B0C\" E M0 m-1 t0 //"},
            {"UTF-8 with byte-order mark, CR line ends",
             "\xEF\xBB\xBF" + QByteArray(Message).replace("\n", "\r")
             + " SG_ S : 0|8@1+ (1,0) [0|0] \"\xC2\xB0" "C\" E\r",
             "BO 0x64 11 M 8 E //\nSG S 0|8@1+ (1,0) [0|0] \"\u00B0C\" E M0 m-1 t0 //"},
            {"a bad line costs only itself",
             Message + " SG_ A : 0|8 (1,0) [0|0] \"\" E\n SG_ B : 8|8@1+ (1,0) [0|0] \"\" E\n"
             "garbage here\nand here\nBO_ 200 N 8 E\n SG_ C : 0|8@1+ (1,0) [0|0] \"\" E\n"
             "CM_ BO_ 300 \"nobody\";\nCM_ SG_ 100 Z \"none\";\nCM_ BO_ 100 \"unclosed;\n"
             "BO_ 400 P: 8 E\n SG_ D x : 0|8@1+ (1,0) [0|0] \"\" E\n SG_ E : 0|8@1+ (1,0) [0|0] \"u\n"
             " SG_ F : 0|8@1+ (1,0) [0|0] \"\" E trailing!\n SG_ G : 99999|8@1+ (1,0) [0|0] \"\" E\n"
             " SG_ H : 0|8@1+ (1e999,0) [0|0] \"\" E\nBA_ \"x\" BO_ 400 1\nBO_ 500 Q: 8 E\n",
             "BO 0x64 11 M 8 E //\nSG B 8|8@1+ (1,0) [0|0] \"\" E M0 m-1 t0 //\n"
             "BO 0x190 11 P 8 E //\nBO 0x1F4 11 Q 8 E //\n"
             "line 2: expected '@' after the signal length, found '(1,0)'\n"
             "line 4: 'garbage' does not begin a statement\n"
             "line 6: expected ':' after the message name, found '8'\n"
             "line 8: CM_ names message 300, which is not defined\n"
             "line 9: CM_ names signal Z, which message M does not have\n"
             "line 10: the comment in double quotes is not closed\n"
             "line 12: 'x' is not a multiplexor mark (M, mN or mNM)\n"
             "line 13: the unit in double quotes is not closed\n"
             "line 14: expected the end of the line, found 'trailing!'\n"
             "line 15: the start bit is larger than 65535\n"
             "line 16: the factor 1e999 is out of range\n"
             "line 17: statement without its closing ';'"},
            {"names that begin with a digit are read, with a note where they are defined",
             "BO_ 200 2nd_M: 8 E\n SG_ 1st_S : 0|32@1+ (1,0) [0|0] \"\" E\n SG_ 3 : 32|8@1+ (1,0) [0|0] \"\" E\n"
             "CM_ SG_ 200 1st_S \"gear\";\nSIG_VALTYPE_ 200 1st_S : 1;\n",
             "BO 0xC8 11 2nd_M 8 E //\nSG 1st_S 0|32@1+ (1,0) [0|0] \"\" E M0 m-1 t1 //gear\n"
             "SG 3 32|8@1+ (1,0) [0|0] \"\" E M0 m-1 t0 //\n"
             "line 1: message name 2nd_M begins with a digit, which the format does not allow; it is read as it stands\n"
             "line 2: signal name 1st_S begins with a digit, which the format does not allow; it is read as it stands\n"
             "line 3: signal name 3 begins with a digit, which the format does not allow; it is read as it stands"},
            {"signals without a message, repeated names and identifiers",
             " SG_ A : 0|8@1+ (1,0) [0|0] \"\" E\n SG_ B : 0|8@1+ (1,0) [0|0] \"\" E\n"
             + Message + Message + " SG_ S : 0|1@1+ (1,0) [0|0] \"\" E\n SG_ S : 1|1@1+ (1,0) [0|0] \"\" E\n"
             "CM_ SG_ 100 S \"unclosed\n",
             "BO 0x64 11 M 8 E //\nBO 0x64 11 M 8 E //\nSG S 0|1@1+ (1,0) [0|0] \"\" E M0 m-1 t0 //\n"
             "SG S 1|1@1+ (1,0) [0|0] \"\" E M0 m-1 t0 //\n"
             "line 1: SG_ outside a message: signals follow their BO_ line\n"
             "line 4: message identifier 100 is also used by M on line 3\n"
             "line 6: signal S is also defined on line 5\n"
             "line 7: the comment in double quotes is not closed"},
        };
        // clang-format on
        for (const Row& row : rows) {
            const RowName name(row.name);
            // Lists, so that a failure names the first line that differs.
            QCOMPARE(Dump(cac::ReadCanDatabase(row.text)).split('\n'), row.dump.split('\n'));
        }
    }

    // The row of each kind of signal, and why some cannot fill a channel.
    void mapping() {
        struct Row {
            QByteArray text; // defines signal S
            const char* settings;
            const char* notes;
        };
        const QByteArray mux = Message + " SG_ X M : 8|8@1+ (1,0) [0|0] \"\" E\n";
        // clang-format off
        const Row rows[] = {
            {Message + " SG_ S : 0|8@1+ (0.1,0) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|10|0|0", ""},
            {Message + " SG_ S : 3|12@1- (0.25,-40) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|3|12|Signed|Intel standard|4|-40|0", ""},
            {Message + " SG_ S : 0|8@1+ (0.0125,0.1) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|80|0.1|0", ""},
            {Message + " SG_ S : 0|8@1+ (3,-1E-7) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|0.333333333333333|-1E-07|0", ""},
            {Message + " SG_ S : 0|8@1+ (0.103092783505155,0) [0|0] \"\" E", // as 9.7 exports
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|9.7|0|0", ""},
            {Message + " SG_ S : 0|8@1+ (0.001949999999999999,0) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|512.820512820513|0|0", ""},
            {Message + " SG_ S : 0|8@1+ (1E-16,1E15) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|0|8|Unsigned|Intel standard|1E+16|1E+15|0", ""},
            {"BO_ 2566844672 M: 8 E\n SG_ S : 7|16@0+ (-2,0) [0|0] \"\" E",
             "29 bit|0x18FEF100|No Filter|0|7|16|Unsigned|Motorola forw MSB|-0.5|0|0", ""},
            {Message + " SG_ S : 39|32@0- (1,0) [0|0] \"\" E\nSIG_VALTYPE_ 100 S : 1;",
             "11 bit|0x64|No Filter|0|39|32|Float (single)|Motorola forw MSB|1|0|0", ""},
            {"BO_ 100 M: 2 E\n SG_ S : 16|8@1+ (1,0) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|16|8|Unsigned|Intel standard|1|0|0",
             "note 6: bits 16|8@1+ reach beyond the message's 2 data bytes"},
            {mux + " SG_ S m5 : 16|8@1+ (1,0) [0|0] \"\" E",
             "11 bit|0x64|Byte 2|5|16|8|Unsigned|Intel standard|1|0|0", ""},
            {Message + " SG_ X M : 15|8@0+ (1,0) [0|0] \"\" E\n SG_ S m255 : 0|4@1+ (1,0) [0|0] \"\" E",
             "11 bit|0x64|Byte 2|255|0|4|Unsigned|Intel standard|1|0|0", ""},
            {Message + " SG_ X M : 4|8@1+ (1,0) [0|0] \"\" E\n SG_ S m1 : 16|8@1+ (1,0) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|16|8|Unsigned|Intel standard|1|0|0",
             "note 4: cannot be filtered: its multiplexor X (4|8@1+) is not one whole data byte; "
             "the channel reads it from every frame, whatever the multiplexor holds"},
            {mux + " SG_ S m256 : 16|8@1+ (1,0) [0|0] \"\" E", "11 bit|0x64|No Filter|0|16|8|Unsigned|Intel standard|1|0|0",
             "note 4: cannot be filtered: its multiplexor value 256 does not fit a byte; the channel reads it from every frame, whatever the multiplexor holds"},
            {mux + " SG_ Y m1M : 0|8@1+ (1,0) [0|0] \"\" E\n SG_ S m1 : 16|8@1+ (1,0) [0|0] \"\" E",
             "11 bit|0x64|No Filter|0|16|8|Unsigned|Intel standard|1|0|0",
             "note 4: cannot be filtered: its message has several multiplexors (X, Y); the channel reads it from every frame, whatever the multiplexor holds"},
            {Message + " SG_ S m1 : 16|8@1+ (1,0) [0|0] \"\" E", "11 bit|0x64|No Filter|0|16|8|Unsigned|Intel standard|1|0|0",
             "note 4: cannot be filtered: its message has no multiplexor; the channel reads it from every frame, whatever the multiplexor holds"},
            {Message + " SG_ S : 0|64@1- (1,0) [0|0] \"\" E\nSIG_VALTYPE_ 100 S : 2;", "",
             "refused 8: a 64-bit double cannot be carried by a channel"},
            {Message + " SG_ S : 0|16@1- (1,0) [0|0] \"\" E\nSIG_VALTYPE_ 100 S : 1;", "",
             "refused 7: a float signal has 32 bits, not 16"},
            {Message + " SG_ S : 0|33@1+ (1,0) [0|0] \"\" E", "",
             "refused 7: 33 bits are more than a channel carries (at most 32)"},
            {Message + " SG_ S : 0|0@1+ (0,0) [0|0] \"\" E", "",
             "refused 7: a signal of 0 bits carries nothing; refused 10: a factor of 0 cannot be imported: the scale factor is its inverse"},
            {Message + " SG_ S : 60|8@1+ (1,0) [0|0] \"\" E", "",
             "refused 6: bits 60|8@1+ reach beyond the 8 data bytes the adapter reads"},
            {Message + " SG_ S : 58|4@0+ (1,0) [0|0] \"\" E", "",
             "refused 6: bits 58|4@0+ reach beyond the 8 data bytes the adapter reads"},
            {"BO_ 2048 M: 8 E\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" E", "",
             "refused 3: identifier 0x800 does not fit 11 bits"},
            {"BO_ 3221225472 M: 8 E\n SG_ S : 0|8@1+ (1E-39,-1E39) [0|0] \"\" E", "",
             "refused 3: identifier 0x40000000 does not fit 29 bits; refused 10: the factor 1e-39 is too small: its inverse does not fit the adapter's 32-bit float; "
             "refused 11: the offset -1e+39 does not fit the adapter's 32-bit float"},
        };
        // clang-format on
        for (const Row& row : rows) {
            const RowName name(row.text);
            const cac::SignalRow mapped = MapS(row.text);
            QCOMPARE(NotesText(mapped), QString(row.notes));
            QCOMPARE(mapped.settingsText(), QString(row.settings));
        }
    }

    // Whatever the value, the text reads back to it within 15 significant
    // digits, and no text is longer than the number reader takes.
    // Random configurations written as a database and read back by the
    // project's own reader: every signal, mapped back to a row as the import
    // does, gives the channel's bits, value type, filter, scale and offset;
    // every channel in use is a signal or named as left out.
    void exportReadsBack() {
        QRandomGenerator random(20240518);
        const QStringList orders = cac::FixedChoiceList(cac::ComboForColumn(cac::ColByteOrder));
        const QStringList types = cac::FixedChoiceList(cac::ComboForColumn(cac::ColValueType));
        const cac::VariableCatalogue catalogue = GroupsCatalogue();
        const QStringList variables = {
            "Oil temp {OILT}", "Engine speed {RPM}", "Wheel speed {WSPD}", "Throttle {TPS}",
            "Lap time {LAPT}", "Steering {STEER}",   "Manifold {MAP}",     "1st gear % {X}"};
        int written = 0, leftOut = 0, identifierOut = 0;
        for (int round = 0; round < 300; ++round) {
            cac::ConfigModel model;
            for (int channel = 1; channel <= cac::ChannelCount; ++channel) {
                if (random.bounded(3) == 0)
                    continue; // an unused row
                const bool extended = random.bounded(2) == 1;
                const QString type = types.at(random.bounded(3));
                const int length = type == types.at(2) ? 32 : 1 + random.bounded(32);
                const int filterByte = random.bounded(4) == 0 ? 1 + random.bounded(8) : 0;
                const QStringList cells = {
                    variables.at(random.bounded(variables.size())), extended ? "29 bit" : "11 bit",
                    // Three frames, or an identifier at an end of what its length holds.
                    random.bounded(4) != 0
                        ? QStringLiteral("0x%1").arg(0x100 + random.bounded(3), 0, 16)
                        : (extended ? QStringList{"0", "0x1FFFFFFF", "0x20000000", "-1"}
                                    : QStringList{"0", "0x7FF", "0x800", "-1"})
                              .at(random.bounded(4)),
                    filterByte ? QStringLiteral("Byte %1").arg(filterByte) : "No Filter",
                    QString::number(random.bounded(256)), QString::number(random.bounded(64)),
                    QString::number(length), type,
                    orders.at(random.bounded(5)), // the known orders
                    random.bounded(8) == 0 ? "0"
                                           : QString::number(random.generateDouble() * 200 - 100,
                                                             'g', 1 + random.bounded(9)),
                    QString::number(random.generateDouble() * 2000 - 1000, 'g',
                                    1 + random.bounded(9)),
                    "0"};
                SetRow(model, channel, cells.join('|'));
            }
            const cac::DbcExport exported = cac::WriteCanDatabase(model, catalogue);
            const cac::CanDatabase database = cac::ReadCanDatabase(exported.text);
            const RowName row(QString::fromLatin1(exported.text));
            QCOMPARE(Dump(cac::CanDatabase{{}, database.problems}), QString());

            QSet<int> seen;
            for (const cac::DbcMessage& message : database.messages) {
                for (const cac::DbcSignal& signal : message.signalList) {
                    if (signal.isMultiplexor)
                        continue;
                    static const QRegularExpression channelComment("^channel (\\d+): ");
                    const int channel = channelComment.match(signal.comment).captured(1).toInt();
                    QVERIFY2(channel >= 1 && !seen.contains(channel), qPrintable(signal.name));
                    seen.insert(channel);
                    const cac::SignalRow mapped = cac::MapSignalToRow(message, signal);
                    QVERIFY2(mapped.importable(), qPrintable(signal.name));
                    cac::ConfigModel back;
                    for (int column = cac::ColIdLength; column < cac::ChannelGridColumns; ++column)
                        back.setCell(1, column, mapped.cells[column]);
                    const cac::ChannelSignal was = cac::ReadChannelSignal(model, channel);
                    const cac::ChannelSignal is = cac::ReadChannelSignal(back, 1);
                    QCOMPARE(is.extended, was.extended);
                    QCOMPARE(is.id, was.id);
                    QCOMPARE(is.bits.positions, was.bits.positions);
                    QCOMPARE(is.valueTypeCode, was.valueTypeCode);
                    QCOMPARE(is.filter.on, was.filter.on);
                    if (was.filter.on)
                        QCOMPARE(is.filter, was.filter);
                    // Scale and offset as the record carries them.
                    auto number = [](const cac::ConfigModel& m, int r, int c) {
                        return cac::TextToNumber(m.cell(r, c));
                    };
                    QCOMPARE(cac::RecordMultiplier(number(back, 1, cac::ColScale), 1.0f),
                             cac::RecordMultiplier(number(model, channel, cac::ColScale), 1.0f));
                    QCOMPARE(cac::RecordOffset(number(back, 1, cac::ColOffset), 1.0f),
                             cac::RecordOffset(number(model, channel, cac::ColOffset), 1.0f));
                    ++written;
                }
            }
            for (const QString& out : exported.notWritten) {
                const int channel = out.section(' ', 1, 1).section(':', 0, 0).toInt();
                QVERIFY2(!seen.contains(channel), qPrintable(out));
                // Left out for its identifier exactly when the identifier does not fit.
                const cac::ChannelSignal signal = cac::ReadChannelSignal(model, channel);
                const bool fits =
                    signal.id >= 0 && signal.id <= (signal.extended ? 0x1FFFFFFF : 0x7FF);
                QCOMPARE(out.contains("does not fit"), !fits);
                if (!fits)
                    QCOMPARE(out, QStringLiteral("channel %1: identifier \"%2\" does not fit %3")
                                      .arg(channel)
                                      .arg(model.cell(channel, cac::ColCanId),
                                           signal.extended ? "29 bits (0 to 0x1FFFFFFF)"
                                                           : "11 bits (0 to 0x7FF)"));
                identifierOut += fits ? 0 : 1;
                seen.insert(channel);
                ++leftOut;
            }
            for (int channel = 1; channel <= cac::ChannelCount; ++channel)
                QCOMPARE(seen.contains(channel), cac::ChannelInUse(model, channel));
        }
        // Both kinds happened: bits past the frame and a second filter byte are left out.
        QVERIFY(written > 1000);
        QVERIFY(leftOut > 100);
        QVERIFY(identifierOut > 100);
    }

    // Export as CAN database, then import every signal into the channel its
    // comment names, with the variable it names: the same rows come back, the
    // last channel's included, and channels without a variable stay unwritten.
    // Factors are written with at most 15 significant digits, and canmatrix
    // reads them as meant: 1 / the scale factor, or a database's own factor
    // imported (0.00195, not 0.001949999999999999).
    void exportThenImport() {
        const cac::CatalogueLoad demo = cac::LoadVariableDefinitions(CAC_DEMO_CATALOGUE);
        QVERIFY(!demo.corrupt && demo.variableList.size() > 100);
        const cac::VariableProposals proposals(demo.catalogue, demo.variableList);
        QRandomGenerator random(20260126);
        // A decimal of 1 to `digits` significant digits around 10^exponent, as its
        // shortest text.
        const auto decimal = [&](int digits, int lowest, int highest) {
            const int count = 1 + random.bounded(digits);
            const qint64 mantissa =
                static_cast<qint64>(std::pow(10.0, count - 1)) +
                random.bounded(static_cast<qint64>(9 * std::pow(10.0, count - 1)));
            const int exponent = lowest + random.bounded(highest - lowest + 1);
            return cac::ShortestDecimalText(
                cac::TextToNumber(QStringLiteral("%1E%2").arg(mantissa).arg(exponent - count + 1)));
        };
        QTemporaryDir dir;
        QStringList files;
        QMap<QString, double> meantFactors; // "file channel" -> factor
        int compared = 0;
        for (int round = 0; round < 40; ++round) {
            cac::ConfigModel model;
            model.setVariableList(demo.variableList);
            for (int channel = 1; channel <= cac::ChannelCount; ++channel) {
                const bool motorola = random.bounded(2) == 1;
                const bool isFloat = random.bounded(5) == 0;
                const int length = isFloat ? 32 : 1 + random.bounded(32);
                const int start = motorola ? 8 * random.bounded(8 - (length - 1) / 8) + 7
                                           : random.bounded(65 - length);
                const bool filtered = random.bounded(3) == 0;
                // Typed, or what the import of a database's factor gives.
                const bool typed = random.bounded(2) == 0;
                const bool negative = random.bounded(2) == 0;
                const double factor = decimal(15, -6, 6).toDouble(); // as a database has it
                QString scale = typed ? decimal(9, -6, 6) : cac::ScaleTextForFactor(factor);
                if (negative)
                    scale.prepend('-');
                meantFactors.insert(QStringLiteral("%1 %2").arg(round).arg(channel),
                                    typed      ? RoundedTo15(1 / cac::TextToNumber(scale))
                                    : negative ? -factor
                                               : factor);
                const QStringList cells = {
                    // Channel 1 has no variable; every list entry, the first and last
                    // included, comes in turn.
                    channel == 1 ? cac::DoNotUseText
                                 : demo.variableList.at(1 + (round * 14 + channel - 2) %
                                                                (demo.variableList.size() - 1)),
                    random.bounded(2) ? "29 bit" : "11 bit",
                    QStringLiteral("0x%1")
                        .arg(0x100 + channel, 0, 16)
                        .toUpper()
                        .replace("0X", "0x"),
                    filtered ? QStringLiteral("Byte %1").arg(1 + random.bounded(8)) : "No Filter",
                    filtered ? QString::number(random.bounded(256)) : "0",
                    QString::number(start),
                    QString::number(length),
                    isFloat             ? "Float (single)"
                    : random.bounded(2) ? "Signed"
                                        : "Unsigned",
                    motorola ? "Motorola forw MSB" : "Intel standard",
                    scale,
                    random.bounded(4) ? decimal(9, -3, 5) : "0",
                    "0"};
                SetRow(model, channel, cells.join('|'));
            }
            const cac::DbcExport exported = cac::WriteCanDatabase(model, demo.catalogue);
            const RowName name(QString::fromLatin1(exported.text));
            QCOMPARE(exported.notWritten, QStringList());
            files << dir.filePath(QStringLiteral("%1.dbc").arg(round));
            QFile file(files.last());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(exported.text) > 0);
            file.close();

            const cac::CanDatabase database = cac::ReadCanDatabase(exported.text);
            cac::ConfigModel back;
            back.setVariableList(demo.variableList);
            for (const cac::DbcMessage& message : database.messages) {
                for (const cac::DbcSignal& signal : message.signalList) {
                    if (signal.isMultiplexor)
                        continue;
                    const int channel = signal.comment.section(' ', 1, 1).chopped(1).toInt();
                    const QString variable =
                        cac::VariableNamedInComment(signal.comment, demo.variableList);
                    QVERIFY2(proposals.forSignal(signal).contains(variable),
                             qPrintable(signal.unit)); // the unit as the catalogue writes it
                    QVERIFY(cac::FillChannel(back, channel, cac::MapSignalToRow(message, signal),
                                             variable));
                }
            }
            QVERIFY(cac::IsChannelFree(back, 1));
            for (int channel = 2; channel <= cac::ChannelCount; ++channel, ++compared)
                QCOMPARE(RowText(back, channel), RowText(model, channel));
        }
        QCOMPARE(compared, 40 * 14);

        // canmatrix's reading of the factors: the Decimal it holds, and its digits.
        QProcess python;
        python.start(
            CAC_PYTHON3,
            QStringList{"-c",
                        "import canmatrix.formats, sys\n"
                        "for path in sys.argv[1:]:\n"
                        "    db = canmatrix.formats.loadp_flat(path)\n"
                        "    for f in db.frames:\n"
                        "        for s in f.signals:\n"
                        "            if not s.is_multiplexer:\n"
                        "                print(path, s.comment.split(':')[0], s.factor,\n"
                        "                      len(s.factor.normalize().as_tuple().digits))\n"} +
                files);
        QVERIFY(python.waitForFinished(120000));
        const QList<QByteArray> lines = python.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 40 * 14);
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.split(' '); // file "channel" N factor digits
            const RowName name(line);
            QCOMPARE(fields.size(), 5);
            QVERIFY(fields[4].toInt() <= 15);
            const QString key = QFileInfo(fields[0]).baseName() + ' ' + fields[2];
            QCOMPARE(QString::number(fields[3].toDouble(), 'g', 17),
                     QString::number(meantFactors.value(key), 'g', 17));
        }
    }

    void shortestDecimalReadsBack() {
        for (int exponent = -30; exponent <= 30; ++exponent) {
            for (const double mantissa : {1.0, -1.0, 0.3, 1.0 / 3, 2.55, 9.999999999999999, -7.1}) {
                const double value = mantissa * std::pow(10.0, exponent);
                const QString text = cac::ShortestDecimalText(value);
                const RowName name(QString::number(value, 'g', 17) + " -> " + text);
                QVERIFY(text.size() <= 40);
                QVERIFY(std::fabs(cac::TextToNumber(text) - value) <= 1e-14 * std::fabs(value));
            }
        }
    }

    // A fill writes what list choices and typed texts would: the variable is
    // kept or defaulted; refused signals and locked channels change nothing.
    void fillChannels() {
        const cac::SignalRow row = MapS(Message + " SG_ S : 0|8@1+ (0.1,0) [0|0] \"\" E");
        const QString settings = row.settingsText();
        cac::ConfigModel model;
        SetRow(model, 2, DefaultRow);
        SetRow(model, 3, "Oil temp {OILT}|29 bit|0x5|Byte 2|7|1|2|Signed|Motorola seq|5|6|7");
        SetRow(model, 4, "|||||||||||");          // all empty
        model.setCell(5, cac::ColCanId, "0x100"); // a default typed by hand
        model.setCell(6, cac::ColScale, "2");
        model.setObdModeEnabled(true);
        QCOMPARE(cac::FreeChannels(model), (QList<int>{1, 2, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14}));
        QCOMPARE(cac::ChannelsToFill(model, 3), (QList<int>{1, 2, 4}));
        QCOMPARE(cac::ChannelsToFill(model, 3, 3), (QList<int>{3, 4, 5})); // named: free or not
        QCOMPARE(cac::ChannelsToFill(model, 2, 14), QList<int>{14});       // 15 is OBD's

        QVERIFY(cac::FillChannel(model, 1, row));
        QCOMPARE(RowText(model, 1), "**Do not use**|" + settings);
        QVERIFY(cac::FillChannel(model, 3, row));
        QCOMPARE(RowText(model, 3), "Oil temp {OILT}|" + settings);
        QVERIFY(cac::FillChannel(model, 4, row, "Engine speed {RPM}"));
        QCOMPARE(RowText(model, 4), "Engine speed {RPM}|" + settings);
        QVERIFY(!cac::IsChannelFree(model, 1));

        const QString locked = RowText(model, 15);
        QVERIFY(!cac::FillChannel(model, 15, row));
        QVERIFY(!cac::FillChannel(model, 16, row));
        QVERIFY(!cac::FillChannel(model, 2, MapS(Message + " SG_ S : 0|40@1+ (1,0) [0|0] \"\" E")));
        QCOMPARE(RowText(model, 15), locked);
        QCOMPARE(RowText(model, 2), DefaultRow);
        model.setObdModeEnabled(false); // the last channel is the user's again
        QVERIFY(cac::IsChannelFree(model, 15));
        QCOMPARE(cac::ChannelsToFill(model, 2, 14), (QList<int>{14, 15}));
        QCOMPARE(cac::ChannelsToFill(model, 1, 15), QList<int>{15});
        QVERIFY(cac::FillChannel(model, 15, row));
        QCOMPARE(RowText(model, 15), "**Do not use**|" + settings);
    }

    // Unit spellings, and proposals that share words with the signal first.
    void proposals() {
        const std::pair<const char*, const char*> units[] = {
            {"rpm", "[RPM]"},
            {"1/min", "[RPM]"},
            {"degC", "[degrees Celsius]"},
            {"\u00B0C", "[degrees Celsius]"},
            {"deg C", "[degrees Celsius]"},
            {"\u00B0", "[degrees]"},
            {"[%]", "[%]"},
            {"hPa", "[mBar]"},
            {"MS", "[milli-seconds (scaled by exponent)]"},
            {"degrees Celsius", "[degrees Celsius]"}, // the catalogue's own, as exported
            {"milli-seconds (scaled by exponent)", "[milli-seconds (scaled by exponent)]"},
            {"", "[no units]"},
            {"-", "[no units]"},
            {"km/h", ""},
            {"V", ""}};
        for (const auto& [spelling, unit] : units) {
            const RowName name(spelling);
            QCOMPARE(cac::CatalogueUnitFor(spelling), QString(unit));
        }

        const cac::VariableCatalogue catalogue =
            MakeCatalogue(8000, {{1000, "ECT", "Coolant temp"},
                                 {1001, "OILT", "Oil temp"},
                                 {1002, "GBOXT", "Gearbox oil temp"},
                                 {1500, "RPM", "Engine speed"}});
        const QStringList list = {cac::DoNotUseText,    "Coolant temp {ECT}",
                                  "Oil temp {OILT}",    "Gearbox oil temp {GBOXT}",
                                  "Engine speed {RPM}", "Gone {NONE}"};
        const cac::VariableProposals proposals(catalogue, list);
        // Asked one after the other of one object, which keeps what it found
        // by unit and shared words: the same words under another unit, other
        // words under the same unit, the same words in another order.
        const struct {
            const char* name;
            const char* unit;
            QStringList expected;
        } signalRows[] = {{"GearboxOilTemp",
                           "degC",
                           {"Gearbox oil temp {GBOXT}", "Oil temp {OILT}", "Coolant temp {ECT}"}},
                          {"CoolantTemp",
                           "\u00B0C",
                           {"Coolant temp {ECT}", "Oil temp {OILT}", "Gearbox oil temp {GBOXT}"}},
                          {"Temp_Oil_Gearbox",
                           "deg C",
                           {"Gearbox oil temp {GBOXT}", "Oil temp {OILT}", "Coolant temp {ECT}"}},
                          {"GearboxOilTemp", "rpm", {"Engine speed {RPM}"}},
                          {"GearboxOilTemp", "km/h", {}}};
        cac::DbcSignal signal;
        for (const auto& row : signalRows) {
            const RowName name(QString("%1 %2").arg(row.name, row.unit));
            signal.name = row.name;
            signal.unit = row.unit;
            QCOMPARE(proposals.forSignal(signal), row.expected);
        }

        // Whatever the unit, every variable of the list stays on offer
        // (those the catalogue names), the proposals first, then by name.
        QStringList named = list.mid(1, 4);
        std::sort(named.begin(), named.end());
        for (const char* unit : {"degC", "Unit_DegreCelsi", "rpm", "", "km/h"}) {
            const RowName name(unit);
            signal.unit = unit;
            QStringList ranked = proposals.ranked(signal);
            QCOMPARE(ranked.mid(0, proposals.forSignal(signal).size()),
                     proposals.forSignal(signal));
            if (QString(unit) == "Unit_DegreCelsi")
                QCOMPARE(ranked.mid(0, 2),
                         (QStringList{"Gearbox oil temp {GBOXT}", "Oil temp {OILT}"}));
            std::sort(ranked.begin(), ranked.end());
            QCOMPARE(ranked, named);
        }
    }

    // A reference's unit against the chosen variable's: said only where both
    // have one and they differ, at the edges of the catalogue's groups.
    void unitMismatch() {
        const cac::VariableCatalogue catalogue =
            MakeCatalogue(8000, {{999, "BAD", "Invalid group"},
                                 {1000, "ECT", "Coolant temp"},
                                 {3999, "MAP", "Manifold pressure"},
                                 {4000, "GEAR", "Gear"},
                                 {7999, "LAST", "Last"}});
        const struct {
            const char* unit;
            const char* entry;
            const char* expected;
        } rows[] = {
            {"kPa", "Manifold pressure {MAP}", "the reference is in kPa, the variable in [mBar]"},
            {"hPa", "Manifold pressure {MAP}", ""},
            {"mbar", "Manifold pressure {MAP}", ""},
            {"degC", "Coolant temp {ECT}", ""},
            {"degF", "Coolant temp {ECT}",
             "the reference is in degF, the variable in [degrees "
             "Celsius]"},
            {"rpm", "Coolant temp {ECT}",
             "the reference is in rpm, the variable in [degrees "
             "Celsius]"},
            {"km/h", "Gear {GEAR}", ""}, // no units: any quantity as it comes
            {"km/h", "Last {LAST}", ""}, // the last identifier of that group
            {"km/h", "Invalid group {BAD}", ""},
            {"", "Manifold pressure {MAP}", ""}, // a raw field or a hint names none
            {" ", "Manifold pressure {MAP}", ""},
            {"kPa", "", ""},            // the channel's own variable, none there
            {"kPa", "Gone {NONE}", ""}, // not in the catalogue
        };
        for (const auto& row : rows) {
            const RowName name(QString("%1 as %2").arg(row.unit, row.entry));
            QCOMPARE(cac::UnitMismatchText(row.unit, catalogue, row.entry), QString(row.expected));
        }
    }
};

QTEST_MAIN(TestDbc)
#include "tst_dbc.moc"
