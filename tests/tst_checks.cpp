// The checks: one row per check, from the texts a user can enter to the code,
// the cell and what the message must say; and the checks change nothing.
#include "Fixtures.h"
#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"

#include <QTest>

#include <functional>

using namespace cac;

namespace {

// A row that draws no finding; rows below change one or two of its cells.
const QString Clean =
    QStringLiteral("Oil temp {OILT}|11 bit|0x100|No Filter|0|0|8|Signed|Intel standard|1|0|0");

QString With(int column, const QString& text, const QString& row = Clean) {
    QStringList cells = row.split('|');
    cells[column - 1] = text;
    return cells.join('|');
}

struct Row {
    Check check;
    Place place;
    int row;    // channel or OBD table row
    int column; // channel-table column, 0 for none
    const char* says;
    std::function<void(ConfigModel&)> setup;
};

std::function<void(ConfigModel&)> Channel(int channel, const QString& cells) {
    return [=](ConfigModel& m) { SetRow(m, channel, cells); };
}

// One cell only, for texts that hold the row separator.
std::function<void(ConfigModel&)> Cell(int channel, int column, const QString& text) {
    return [=](ConfigModel& m) { m.setCell(channel, column, text); };
}

} // namespace

class TestChecks : public QObject {
    Q_OBJECT
private slots:
    void oneRowPerCheck() {
        const VariableCatalogue catalogue = GroupsCatalogue();
        const Row rows[] = {
            {Check::VariableUnknown, Place::Channel, 2, ColVariable, "logger code 00 00",
             Channel(2, With(ColVariable, "Boost {BOOST}"))},
            {Check::VariableNotLogged, Place::Channel, 2, ColVariable, "identifier 5",
             Channel(2, With(ColVariable, "x {LOW}"))},
            {Check::VariableNotLogged, Place::Channel, 2, ColVariable, "logger code 48 00",
             Channel(2, With(ColVariable, "Far temp {FAR}"))},
            {Check::VariableDuplicate, Place::Channel, 4, ColVariable, "channel 2 feeds",
             [](ConfigModel& m) {
                 SetRow(m, 2, Clean);
                 SetRow(m, 4, With(ColVariable, "Other name {oilt}"));
             }},
            {Check::NoVariable, Place::Channel, 3, ColVariable, "settings but no variable",
             Channel(3, With(ColVariable, DoNotUseText, With(ColCanId, "0x280")))},
            {Check::ObdTextWithoutObd, Place::Channel, 15, ColVariable, "OBD mode off",
             Channel(15, With(ColVariable, UsedForObdText))},
            {Check::ObdChannelSettings, Place::Channel, 15, 0, "still go into the image",
             [](ConfigModel& m) {
                 SetRow(m, 15, Clean);
                 m.setObdModeEnabled(true);
             }},
            {Check::IdLengthUnlisted, Place::Channel, 1, ColIdLength, "as 11 bit",
             Channel(1, With(ColIdLength, "30 bit"))},
            {Check::IdentifierRange, Place::Channel, 1, ColCanId, "identifier 0x0; an extended",
             Channel(1, With(ColCanId, "0x800"))},
            {Check::IdentifierRange, Place::Channel, 1, ColCanId, "gets identifier 0x1FFFFFFF",
             Channel(1, With(ColIdLength, "29 bit", With(ColCanId, "-1")))},
            {Check::FilterLocUnlisted, Place::Channel, 1, ColFilterLoc, "byte position 0",
             Channel(1, With(ColFilterLoc, ""))},
            {Check::FilterValueUnused, Place::Channel, 1, ColFilterVal, "has no effect",
             Channel(1, With(ColFilterVal, "0x1F"))},
            {Check::FilterValueMissing, Place::Channel, 1, ColFilterVal, "only frames with 0",
             Channel(1, With(ColFilterLoc, "Byte 3", With(ColFilterVal, " ")))},
            {Check::BitsBeyondFrame, Place::Channel, 1, ColStartBit,
             "60 and 5 bits reach Byte 9 in this byte order",
             Channel(1, With(ColStartBit, "60", With(ColLength, "5")))},
            {Check::BitsBeyondFrame, Place::Channel, 1, ColStartBit, "58 and 5 bits reach Byte 9",
             Channel(1, With(ColByteOrder, "Motorola forw MSB",
                             With(ColStartBit, "58", With(ColLength, "5"))))},
            {Check::BitsBeyondFrame, Place::Channel, 1, ColStartBit, "begin before Byte 1",
             Channel(1, With(ColByteOrder, "Motorola forw LSB",
                             With(ColStartBit, "7", With(ColLength, "2"))))},
            // One bit past the last byte in bus order.
            {Check::BitsBeyondFrame, Place::Channel, 1, ColStartBit, "63 and 2 bits reach Byte 9",
             Channel(1, With(ColByteOrder, "Motorola seq",
                             With(ColStartBit, "63", With(ColLength, "2"))))},
            {Check::FilterInSignal, Place::Channel, 1, ColFilterLoc,
             "(Byte 2 bit 0): the channel reads only frames where those bits match the filter "
             "value 0x07",
             Channel(1,
                     With(ColFilterLoc, "Byte 2", With(ColFilterVal, "7", With(ColLength, "9"))))},
            {Check::LayoutUnknown, Place::Channel, 1, ColByteOrder, "\"Motorola backward\"",
             Channel(1, With(ColByteOrder, "Motorola backward"))},
            {Check::LengthRange, Place::Channel, 1, ColLength, "0 bits",
             Channel(1, With(ColLength, "0"))},
            {Check::LengthRange, Place::Channel, 1, ColLength, "33 bits",
             Channel(1, With(ColLength, "33"))},
            {Check::FloatLength, Place::Channel, 1, ColLength, "length 32, not \"12\"",
             Channel(1, With(ColValueType, "Float (single)", With(ColLength, "12")))},
            {Check::ValueTypeUnlisted, Place::Channel, 1, ColValueType, "becomes 08",
             Channel(1, With(ColValueType, "signed"))},
            {Check::ByteOrderUnlisted, Place::Channel, 1, ColByteOrder, "Intel standard",
             Channel(1, With(ColByteOrder, "Motorola"))},
            // Filter Val 300 repeats the filter position before it; the
            // exponent the negative of the filter value byte.
            {Check::ByteOverflow, Place::Channel, 1, ColFilterVal,
             "repeats the Filter Loc byte before it, 3",
             Channel(1, With(ColFilterLoc, "Byte 3", With(ColFilterVal, "300")))},
            {Check::ByteOverflow, Place::Channel, 1, ColExponent,
             "takes the negative of the Filter Val byte before it, 251",
             Channel(1, With(ColFilterVal, "5",
                             With(ColExponent, "-1e3", With(ColFilterLoc, "Byte 1"))))},
            {Check::ByteOverflow, Place::Channel, 1, ColStartBit,
             "\"3e2\" does not fit a byte (0 to 255): the image gets 0",
             Channel(1, With(ColStartBit, "3e2"))},
            {Check::NumberText, Place::Channel, 1, ColCanId, "read as 12: without 0x",
             Channel(1, With(ColCanId, "12abc"))},
            {Check::NumberText, Place::Channel, 1, ColCanId, "read as 10: a blank",
             Channel(1, With(ColCanId, " 0x10"))},
            {Check::NumberText, Place::Channel, 1, ColOffset, "read as 1.2: what",
             Channel(1, With(ColOffset, "1.2.3"))},
            {Check::NumberText, Place::Channel, 1, ColOffset, "read as -1: eight",
             Channel(1, With(ColOffset, "0xFFFFFFFF"))},
            {Check::NumberText, Place::Channel, 1, ColOffset, "read as 0: more than eight",
             Channel(1, With(ColOffset, "0x123456789"))},
            {Check::NumberText, Place::Channel, 1, ColOffset, "read as 0: it is too large",
             Channel(1, With(ColOffset, "1E400"))},
            {Check::NumberText, Place::Channel, 1, ColOffset, "first 40 characters",
             Channel(1, With(ColOffset, QString(41, '1')))},
            {Check::NumberRounded, Place::Channel, 1, ColLength, "gets 2 (halves",
             Channel(1, With(ColLength, "2.5"))},
            {Check::NumberRounded, Place::Channel, 1, ColCanId, "identifier 0x4 (halves",
             Channel(1, With(ColCanId, "3.5"))},
            {Check::NumberEmpty, Place::Channel, 1, ColExponent, "read as 0",
             Channel(1, With(ColExponent, ""))},
            {Check::ScaleZero, Place::Channel, 1, ColScale, "divided by 0",
             Channel(1, With(ColScale, "abc"))},
            {Check::ScaleZero, Place::Channel, 1, ColScale, "too large",
             Channel(1, With(ColScale, "1E39"))},
            {Check::ExponentRange, Place::Channel, 1, ColExponent, "reads as 56",
             Channel(1, With(ColVariable, "Lap time {LAPT}", With(ColExponent, "-200")))},
            {Check::ExponentNotTime, Place::Channel, 1, ColExponent, "[degrees Celsius]",
             Channel(1, With(ColExponent, "-3"))},
            {Check::CellSeparator, Place::Channel, 7, ColScale, "the Scale factor column",
             Cell(7, ColScale, "1|2")},
            {Check::CellLineBreak, Place::Channel, 7, ColOffset, "split its line",
             Cell(7, ColOffset, "1\r")},
            {Check::CellNot8Bit, Place::Channel, 7, ColVariable, "saved as \"?\"",
             Cell(7, ColVariable, QString::fromUtf8("Öltemp ℃"))},
            // The first character beyond Latin-1, beside the last within it.
            {Check::CellNot8Bit, Place::Channel, 7, ColOffset, "saved as \"?\"",
             Cell(7, ColOffset, QString::fromUtf8("ÿĀ"))},
            {Check::BitRateUnlisted, Place::BitRate, 0, 0, "00 00 00",
             [](ConfigModel& m) { m.setBaudRateText("500 KBIT"); }},
            {Check::PriorityUnlisted, Place::ObdPriority, 4, 0, "mask 0C and sequence number 00",
             [](ConfigModel& m) { m.setObdPriority(4, "12"); }},
            {Check::CellSeparator, Place::ObdPriority, 4, 0, "the OBD priorities",
             [](ConfigModel& m) { m.setObdPriority(4, "1|"); }},
        };
        QSet<Check> covered;
        cac::RowCheckMemo memo; // one for the whole table, as a listing has
        for (const Row& r : rows) {
            ConfigModel model;
            r.setup(model);
            const RowName row(CheckCode(r.check) + ": " + SerializeCcf(model));
            // Each channel as a row on its own whose variable is still to be
            // chosen: with the memo the same as without, whatever came before.
            for (int channel = 1; channel <= cac::ChannelCount; ++channel) {
                cac::ChannelCells cells = model.rowCells(channel);
                cells[ColVariable] = channel % 2 ? QString() : cac::DoNotUseText;
                QCOMPARE(CheckChannelRow(cells, catalogue, &memo),
                         CheckChannelRow(cells, catalogue));
            }
            const QByteArray ccf = SerializeCcf(model);
            const QByteArray image = BuildConfigImage(model, catalogue);
            const QList<Finding> findings = CheckConfiguration(model, catalogue);
            // Checking changes nothing.
            QCOMPARE(SerializeCcf(model), ccf);
            QCOMPARE(BuildConfigImage(model, catalogue), image);

            QList<Finding> found;
            for (const Finding& f : findings) {
                if (f.code == CheckCode(r.check))
                    found.append(f);
            }
            QCOMPARE(found.size(), 1);
            QCOMPARE(int(found.first().place), int(r.place));
            QCOMPARE(found.first().row, r.row);
            QCOMPARE(found.first().column, r.column);
            QVERIFY2(found.first().message.contains(QString::fromUtf8(r.says)),
                     qPrintable(found.first().message));
            covered.insert(r.check);
        }
        covered.insert(Check::BitsOverlap); // two findings a pair: overlapsTable below
        QCOMPARE(covered.size(), CheckCount);
    }

    // Two channels, 2 and 6, that may read the same bits: the warning on both,
    // each naming the other and the shared bits, or none.
    void overlapsTable() {
        const QString a = With(ColLength, "12"); // 0x100, byte 0 and half of byte 1
        const QString b = With(ColVariable, "Throttle {TPS}", With(ColStartBit, "8"));
        const struct {
            const char* name;
            QString second;
            const char* shared; // empty: no warning
        } rows[] = {
            {"both unfiltered", b, "Byte 2 bits 3 to 0"},
            {"one filtered", With(ColFilterLoc, "Byte 8", With(ColFilterVal, "3", b)),
             "Byte 2 bits 3 to 0"},
            {"whole overlap", With(ColStartBit, "0", b), "Byte 1 bits 7 to 0"},
            {"adjacent", With(ColStartBit, "12", b), ""},
            {"other identifier", With(ColCanId, "0x101", b), ""},
            {"29-bit of the same number", With(ColIdLength, "29 bit", b), ""},
            {"same number as hex and decimal", With(ColCanId, "256", b), "Byte 2 bits 3 to 0"},
            {"channel not in use", With(ColVariable, "**Do not use**", b), ""},
            {"unknown order", With(ColByteOrder, "Motorola backward", b), ""},
            // Bits 4 to 11 in bus order: byte 1's top four bits are not channel 2's.
            {"Motorola against Intel",
             With(ColByteOrder, "Motorola seq", With(ColStartBit, "4", b)), "Byte 1 bits 3 to 0"},
        };
        for (const auto& r : rows) {
            const RowName name(r.name);
            for (bool filtered : {false, true}) {
                ConfigModel model;
                SetRow(model, 2, a);
                SetRow(model, 6, r.second);
                if (filtered) { // the same filter on both: still the same frames
                    for (int ch : {2, 6}) {
                        model.setCell(ch, ColFilterLoc, "Byte 8");
                        model.setCell(ch, ColFilterVal, "0x03");
                    }
                }
                QList<Finding> found;
                for (const Finding& f : CheckConfiguration(model, GroupsCatalogue()))
                    if (f.code == CheckCode(Check::BitsOverlap))
                        found.append(f);
                if (!*r.shared) {
                    QCOMPARE(found.size(), 0);
                    continue;
                }
                QCOMPARE(found.size(), 2);
                QCOMPARE(found[0].row, 2);
                QCOMPARE(found[1].row, 6);
                QVERIFY2(found[0].message.contains(
                             QStringLiteral("channel 6 reads %1 of the same frames").arg(r.shared)),
                         qPrintable(found[0].message));
                QVERIFY2(
                    found[1].message.contains(QStringLiteral("channel 2 reads %1").arg(r.shared)),
                    qPrintable(found[1].message));
            }
        }
        // Filters on one byte with different values: frames of a multiplexed message.
        ConfigModel model;
        SetRow(model, 2, With(ColFilterLoc, "Byte 8", With(ColFilterVal, "1", a)));
        SetRow(model, 6, With(ColFilterLoc, "Byte 8", With(ColFilterVal, "2", b)));
        for (const Finding& f : CheckConfiguration(model, GroupsCatalogue()))
            QVERIFY(f.code != CheckCode(Check::BitsOverlap));
        // ... or on two different bytes, which the adapter may both see matched: not told.
        model.setCell(6, ColFilterLoc, "Byte 7");
        for (const Finding& f : CheckConfiguration(model, GroupsCatalogue()))
            QVERIFY(f.code != CheckCode(Check::BitsOverlap));
    }

    // Rows the user meant: no findings, in every identifier group, with the
    // defaults, a float, a filter, a time exponent and a name in Latin-1;
    // unused rows stay quiet.
    void cleanConfigurationHasNoFindings() {
        ConfigModel model;
        // Latin-1 letters and signs, up to its last, ÿ: the 8-bit file carries them.
        SetRow(model, 1, With(ColVariable, QString::fromUtf8("Öl °C ä µ ÿ {OILT}"), Clean));
        SetRow(model, 2,
               "Engine speed {RPM}|29 bit|0x18FEF100|Byte 8|0x1F|48|8|Unsigned|Motorola "
               "forw LSB|2,5|-40|0");
        SetRow(model, 3,
               "Lap time {LAPT}|11 bit|2047|No Filter|0|0|32|Float (single)|Intel "
               "standard|0.001|0|-3");
        SetRow(model, 4, DefaultRow);
        // Every known order in the frame's last bytes, beside channel 1's byte 0.
        const char* lastBytes[][3] = {{"Motorola forw MSB", "55", "Wheel speed {WSPD}"},
                                      {"Motorola forw LSB", "56", "Throttle {TPS}"},
                                      {"Motorola seq", "48", "Steering {STEER}"},
                                      {"Intel standard", "48", "Manifold {MAP}"}};
        for (int k = 0; k < 4; ++k) {
            const QString id = QStringLiteral("0x10%1").arg(k);
            SetRow(model, 5 + k,
                   With(ColByteOrder, lastBytes[k][0],
                        With(ColStartBit, lastBytes[k][1],
                             With(ColLength, "16",
                                  With(ColVariable, lastBytes[k][2], With(ColCanId, id))))));
        }
        // Intel sequential's bus-order start bit 63 is byte 7's bit 0.
        SetRow(model, 9,
               With(ColCanId, "0x104",
                    With(ColByteOrder, "Intel sequential",
                         With(ColStartBit, "63",
                              With(ColLength, "8", With(ColVariable, "Counter {NOU}"))))));
        model.setObdModeEnabled(true);
        QCOMPARE(CheckConfiguration(model, GroupsCatalogue()), QList<Finding>());
    }

    // A time variable's exponent at both ends of its signed byte and just
    // beyond them; a rounded one names the value the adapter reads.
    void exponentEdges() {
        const struct {
            const char* text;
            bool outOfRange;
            const char* rounded; // what the rounding finding names, or nullptr for none
        } rows[] = {
            {"-128", false, nullptr}, {"127", false, nullptr},   {"128", true, nullptr},
            {"-129", true, nullptr},  {"-127.6", false, "-128"}, {"126.6", false, "127"},
            {"-0.4", false, "0"},
        };
        for (const auto& r : rows) {
            const RowName name(r.text);
            ConfigModel model;
            SetRow(model, 1, With(ColExponent, r.text, With(ColVariable, "Lap time {LAPT}")));
            QStringList range, rounded;
            for (const Finding& f : CheckConfiguration(model, GroupsCatalogue())) {
                if (f.code == CheckCode(Check::ExponentRange))
                    range << f.message;
                if (f.code == CheckCode(Check::NumberRounded))
                    rounded << f.message;
            }
            QCOMPARE(range.size(), r.outOfRange ? 1 : 0);
            QCOMPARE(rounded.size(), r.rounded ? 1 : 0);
            if (r.rounded)
                QVERIFY2(
                    rounded.first().endsWith(QString("the image gets %1 (halves go to the even "
                                                     "neighbour)")
                                                 .arg(r.rounded)),
                    qPrintable(rounded.first()));
        }
    }
};

QTEST_MAIN(TestChecks)
#include "tst_checks.moc"
