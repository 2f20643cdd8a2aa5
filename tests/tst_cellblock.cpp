#include "Fixtures.h"
#include "channels/CellBlock.h"
#include "channels/ChoiceLists.h"
#include "channels/ConfigModel.h"

#include <QRandomGenerator>
#include <QTest>

using namespace cac;

namespace {

const QString Rpm = QStringLiteral("Engine speed {RPM}");

ConfigModel* newModel(QObject* parent) {
    auto* model = new ConfigModel(parent);
    model->setVariableList({DoNotUseText, Rpm});
    return model;
}

} // namespace

class TestCellBlock : public QObject {
    Q_OBJECT
private slots:
    // What spreadsheets put on the clipboard, as Calc and Excel write it.
    void readsSpreadsheetText() {
        using Rows = CellBlock;
        // clang-format off
        const std::pair<QString, Rows> rows[] = {
            {"a\tb\nc\td\n", {{"a", "b"}, {"c", "d"}}},
            {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},     // Excel's line ends
            {"a\tb", {{"a", "b"}}},                              // no line end after the last row
            {"a\rb\r", {{"a"}, {"b"}}},                          // a lone CR ends a row too
            {"a\t\tc\n", {{"a", "", "c"}}},                      // an empty field between
            {"a\t\n", {{"a", ""}}},                              // an empty last field
            {"\n\n", {{""}, {""}}},                              // two empty cells one above the other
            {"", {}},
            {"\"x\ty\"\tz\n", {{"x\ty", "z"}}},                  // a quoted tab
            {"\"two\r\nlines\"\tb\r\n", {{"two\r\nlines", "b"}}}, // a quoted line end
            {"\"say \"\"hi\"\"\"\n", {{"say \"hi\""}}},          // doubled quotes
            {"ab\"c\td\n", {{"ab\"c", "d"}}},                    // a quote inside is a letter
            {"\"q\"tail\tx", {{"qtail", "x"}}},                  // text after the closing quote stays
            {"\"open\tto end", {{"open\tto end"}}},              // an unclosed quote runs to the end
            {" 0x100 \t1,5\n", {{" 0x100 ", "1,5"}}},            // blanks and commas kept
        };
        // clang-format on
        for (const auto& [text, block] : rows) {
            const RowName row(
                QString(text).replace('\t', "\\t").replace('\r', "\\r").replace('\n', "\\n"));
            QCOMPARE(CellBlockFromTsv(text), block);
        }
    }

    // Any block of texts, whatever characters they hold, survives the way
    // through the clipboard's text; quotes appear only where needed.
    void tsvRoundTrip() {
        const QString alphabet = QStringLiteral("ab \t\r\n\"|,0x\u00e4\u20ac");
        QRandomGenerator random(20);
        for (int n = 0; n < 2000; ++n) {
            CellBlock block;
            const int rows = random.bounded(1, 6);
            const int columns = random.bounded(1, 6);
            for (int r = 0; r < rows; ++r) {
                QStringList fields;
                for (int c = 0; c < columns; ++c) {
                    QString field;
                    for (int i = random.bounded(0, 6); i > 0; --i)
                        field += alphabet[random.bounded(static_cast<int>(alphabet.size()))];
                    fields << field;
                }
                block << fields;
            }
            const QString tsv = CellBlockToTsv(block);
            QCOMPARE(CellBlockFromTsv(tsv), block);
            QCOMPARE(tsv.count('\n') >= rows, true);
        }
        QCOMPARE(CellBlockToTsv({{"plain", "0x100"}}), QStringLiteral("plain\t0x100\n"));
        QCOMPARE(CellBlockToTsv({{"a\"b"}}), QStringLiteral("\"a\"\"b\"\n"));
    }

    void htmlTable() {
        const QString html = CellBlockToHtml({{"a<b", "x&y"}, {"two\r\nlines", ""}});
        QVERIFY(html.contains("<tr><td>a&lt;b</td><td>x&amp;y</td></tr>"));
        QVERIFY(html.contains("<tr><td>two<br>lines</td><td></td></tr>"));
        QCOMPARE(html.count("<tr>"), 2);
    }

    // Each column at both ends of its list, the choice meaning "none", texts
    // that are no entry or differ from one in letter case, text columns, the
    // locked channel, the grid's edges, whole channels; and the cells the
    // paste then selects.
    void pasteTable() {
        struct Case {
            const char* name;
            bool obd;
            int top, left;
            CellBlock block;
            QList<CellPlace> refused;
            int lockedCount, rowsBeyond, columnsBeyond;
            QString expectedRow;   // the top row afterwards
            CellPlace first, last; // the block's cells in the grid
        };
        const QString fresh = EmptyRow;
        const QString filled =
            "**Do not use**|11 bit|0x100|No Filter|0|0|1|Signed|Intel standard|1|0|0";
        const QString rpmRow =
            Rpm + "|29 bit|0x10|Byte 8|0xff|0|16|Unsigned|Motorola seq|0,5|-40|0";
        const QStringList wholeRpm = rpmRow.split('|');
        // clang-format off
        const Case cases[] = {
            {"list edges", false, 1, 6, {{"0", "1", "Signed", "Intel standard"}}, {}, 0, 0, 0,
             filled, {1, 6}, {1, 9}},
            {"list other edges", false, 1, 6, {{"63", "32", "Float (single)", "Motorola backward"}}, {}, 0, 0, 0,
             "**Do not use**|11 bit|0x100|No Filter|0|63|32|Float (single)|Motorola backward|1|0|0", {1, 6}, {1, 9}},
            {"beyond the lists", false, 2, 6, {{"64", "0", "Signed ", "Motorola"}},
             {{2, 6}, {2, 7}, {2, 8}, {2, 9}}, 0, 0, 0, fresh, {2, 6}, {2, 9}},
            {"letter case", false, 1, 1,
             {{"engine SPEED {rpm}", "29 BIT", "0x10", "byte 8", "0xff", "0", "16", "unsigned", "MOTOROLA SEQ"}},
             {}, 0, 0, 0, Rpm + "|29 bit|0x10|Byte 8|0xff|0|16|Unsigned|Motorola seq|1|0|0", {1, 1}, {1, 9}},
            {"length 33", false, 1, 7, {{"33"}}, {{1, 7}}, 0, 0, 0, fresh, {1, 7}, {1, 7}},
            {"filter none and last", false, 1, 4, {{"No Filter"}, {"Byte 8"}, {"Byte 9"}}, {{3, 4}}, 0, 0, 0,
             filled, {1, 4}, {3, 4}},
            {"variables", false, 1, 1, {{Rpm}, {DoNotUseText}, {"Engine speed"}, {"USED FOR OBD"}},
             {{3, 1}, {4, 1}}, 0, 0, 0,
             Rpm + "|11 bit|0x100|No Filter|0|0|1|Signed|Intel standard|1|0|0", {1, 1}, {4, 1}},
            {"text cells take any text", false, 1, 10, {{" 1,5 ", "-0x7FFFFFFF", ""}}, {}, 0, 0, 0,
             "||||||||| 1,5 |-0x7FFFFFFF|", {1, 10}, {1, 12}},
            {"no carriage return", false, 1, 3, {{"0x1\r0"}}, {{1, 3}}, 0, 0, 0, fresh, {1, 3}, {1, 3}},
            {"empty list text is the start-up state", false, 1, 2, {{""}}, {}, 0, 0, 0, fresh, {1, 2}, {1, 2}},
            {"last channel", false, 15, 12, {{"3"}}, {}, 0, 0, 0, "|||||||||||3", {15, 12}, {15, 12}},
            {"below the grid", false, 14, 1, {{""}, {""}, {""}, {""}}, {}, 0, 2, 0, fresh, {14, 1}, {15, 1}},
            {"right of the grid", false, 1, 11, {{"1", "2", "3", "4"}, {"5"}}, {}, 0, 0, 2, "||||||||||1|2",
             {1, 11}, {2, 12}},
            {"channel 15 used for OBD", true, 14, 10, {{"7", "8"}, {"9", "10"}}, {}, 2, 0, 0, "|||||||||7|8|",
             {14, 10}, {15, 11}},
            {"whole channels at the Scale column", false, 3, ColScale, {wholeRpm, EmptyRow.split('|')},
             {}, 0, 0, 0, rpmRow, {3, 1}, {4, 12}},
            {"whole channels at the last cell", false, 15, 12, {wholeRpm, wholeRpm}, {}, 0, 1, 0, rpmRow,
             {15, 1}, {15, 12}},
            {"eleven columns stay where they are", false, 1, 2, {wholeRpm.mid(1)}, {}, 0, 0, 0,
             "**Do not use**|29 bit|0x10|Byte 8|0xff|0|16|Unsigned|Motorola seq|0,5|-40|0",
             {1, 2}, {1, 12}},
        };
        // clang-format on
        for (const Case& c : cases) {
            const RowName row(c.name);
            QObject owner;
            ConfigModel* model = newModel(&owner);
            model->setObdModeEnabled(c.obd);
            const QString row15Before = RowText(*model, 15);
            const PasteOutcome outcome = PasteCells(*model, c.top, c.left, c.block);
            QCOMPARE(outcome.refused, c.refused);
            QCOMPARE(outcome.locked.size(), c.lockedCount);
            QCOMPARE(outcome.rowsBeyond, c.rowsBeyond);
            QCOMPARE(outcome.columnsBeyond, c.columnsBeyond);
            QCOMPARE(RowText(*model, c.top), c.expectedRow);
            QCOMPARE(outcome.first, c.first);
            QCOMPARE(outcome.last, c.last);
            if (c.obd)
                QCOMPARE(RowText(*model, 15), row15Before);
            for (const CellPlace& place : c.refused)
                QCOMPARE(model->cell(place.row, place.column), QString());
        }
    }

    // A move swaps every cell of the two channels, the Exponent included, and
    // no other channel's.
    void clearAndMove() {
        QObject owner;
        ConfigModel* model = newModel(&owner);
        for (int row = 1; row <= ChannelCount; ++row)
            for (int column = 1; column < ChannelGridColumns; ++column)
                model->setCell(row, column, QStringLiteral("%1,%2").arg(row).arg(column));
        // clang-format off
        const struct { int row, step; bool obd, moves; } moves[] = {
            {1, -1, false, false}, {15, 1, false, false}, {2, -1, false, true},
            {14, 1, false, true}, {14, 1, true, false}, {15, -1, true, false},
            {13, 1, true, true}, {3, 2, false, false},
        };
        // clang-format on
        for (const auto& m : moves) {
            const RowName row(QStringLiteral("%1 by %2 obd %3").arg(m.row).arg(m.step).arg(m.obd));
            model->setObdModeEnabled(m.obd);
            QStringList before;
            for (int r = 1; r <= ChannelCount; ++r)
                before << RowText(*model, r);
            QCOMPARE(MoveChannel(*model, m.row, m.step), m.moves);
            if (m.moves)
                before.swapItemsAt(m.row - 1, m.row + m.step - 1);
            for (int r = 1; r <= ChannelCount; ++r)
                QCOMPARE(RowText(*model, r), before[r - 1]);
        }
        model->setObdModeEnabled(true);
        QCOMPARE(ClearCells(*model, {{1, 10}, {15, 10}, {15, 1}}), 2);
        QCOMPARE(model->cell(1, 10), QString());
        QCOMPARE(model->cell(15, 1), UsedForObdText);
        QVERIFY(!model->cell(15, 10).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCellBlock)
#include "tst_cellblock.moc"
