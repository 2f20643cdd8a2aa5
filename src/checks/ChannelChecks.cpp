// The checks of one channel's row. Every byte they talk about comes from the
// image code itself (the record, its number fields, the identifier words), so
// what they say and what is built cannot drift apart.
#include "bitmap/FrameLayout.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "checks/CheckSupport.h"
#include "common/HexText.h"
#include "common/IdentifierWidth.h"
#include "common/TextBlanks.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"

#include <algorithm>
#include <cmath>

namespace cac::checks {
namespace {

constexpr int FormatByteOffset = 2;

// The checks that read a row's cells alone, without the record they give.
class CellChecker {
public:
    CellChecker(const ChannelCells& cells, int row, QList<Finding>& findings)
        : m_cells(cells), m_row(row), m_findings(findings) {}

    void checkIdentifier() {
        const bool extended = IsExtendedIdentifier(m_cells);
        if (!listOf(ColIdLength).contains(cell(ColIdLength)))
            add(Check::IdLengthUnlisted, ColIdLength,
                QStringLiteral("%1 is not an entry of the list: the image takes the identifier "
                               "as %2 bit%3")
                    .arg(Quoted(cell(ColIdLength)), extended ? "29" : "11",
                         extended ? "" : " (only a text reading exactly 29 means 29 bit)"));
        const QString text = cell(ColCanId);
        if (!checkNumberText(ColCanId))
            return;
        const double number = TextToNumber(text);
        const std::optional<std::int32_t> rounded = RoundToInt32(number);
        const auto got =
            DecodeIdentifierWord(EncodeIdentifierWord(false, extended, IdentifierNumber(m_cells)));
        // Written only for a finding: most rows have none.
        auto gotText = [&] { return HexNumber(got->id); };
        if (!rounded || *rounded != got->id) {
            const bool wouldFit29 =
                !extended && number > WidestIdentifier(false) && number <= WidestIdentifier(true);
            add(Check::IdentifierRange, ColCanId,
                QStringLiteral("identifier %1 does not fit %2: the image gets identifier %3%4")
                    .arg(Quoted(text), IdentifierRoomText(extended), gotText(),
                         wouldFit29 ? "; an extended identifier needs \"29 bit\"" : ""));
        } else if (number != *rounded) {
            add(Check::NumberRounded, ColCanId,
                QStringLiteral("%1 is not a whole number: the image gets identifier %2 (halves "
                               "go to the even neighbour)")
                    .arg(Quoted(text), gotText()));
        }
    }

protected:
    const QString& cell(int column) const { return m_cells.at(column); }
    // The checks look only at the fixed lists, which every configuration shares.
    QStringList listOf(int column) const { return FixedChoiceList(ComboForColumn(column)); }

    void add(Check check, int column, const QString& message,
             std::optional<Severity> severity = std::nullopt) {
        m_findings.append(MakeFinding(check, Place::Channel, m_row, column, message, severity));
    }

    bool checkNumberText(int column) {
        const QString text = cell(column);
        if (TrimBlanks(text).isEmpty()) {
            add(Check::NumberEmpty, column, QStringLiteral("the empty cell is read as 0"));
            return false;
        }
        if (const QString problem = NumberTextProblem(text); !problem.isEmpty())
            add(Check::NumberText, column, problem);
        return true;
    }

    const ChannelCells& m_cells;
    const int m_row; // the channel the findings name
    QList<Finding>& m_findings;
};

class ChannelChecker : CellChecker {
public:
    ChannelChecker(const ChannelCells& cells, bool obdChannel, const VariableCatalogue& catalogue,
                   int row, bool variablePending, QList<Finding>& findings)
        : CellChecker(cells, row, findings), m_obdChannel(obdChannel),
          m_variablePending(variablePending),
          m_record(EncodeChannelRecord(cells, obdChannel, catalogue, &m_numberFields)),
          m_variable(FindVariableIndex(catalogue, cell(ColVariable))) {}

    // Returns the variable the channel feeds, or -1.
    std::int32_t run() {
        const QString& variable = cell(ColVariable);
        if (m_obdChannel) {
            if (hasSettings(false))
                add(Check::ObdChannelSettings, 0,
                    QStringLiteral("OBD mode takes channel 15, yet the settings left in its row "
                                   "still go into the image (its identifier and record)"));
            return -1;
        }
        if (variable.isEmpty() || variable == DoNotUseText) {
            if (!m_variablePending) {
                if (hasSettings(true))
                    add(Check::NoVariable, ColVariable,
                        QStringLiteral("the channel has settings but no variable: the image "
                                       "gets logger code 00 00, so nothing reaches the logger"));
                return -1;
            }
        } else if (variable == UsedForObdText) {
            add(Check::ObdTextWithoutObd, ColVariable,
                QStringLiteral("%1 comes from a file saved in OBD mode; with OBD mode off the "
                               "channel feeds no variable (logger code 00 00)")
                    .arg(Quoted(variable)));
            return -1;
        } else {
            checkVariable();
        }
        checkIdentifier();
        checkAfterIdentifier();
        return m_variable;
    }

    // What run() checks after the identifier, which reads neither identifier
    // cell.
    void checkAfterIdentifier() {
        checkFilter();
        checkSignal();
        checkScaling();
    }

private:
    std::uint8_t recordByte(int offset) const {
        return static_cast<std::uint8_t>(m_record.at(offset));
    }
    // Whether a setting cell holds text; with `besidesDefaults`, text other
    // than the column's default.
    bool hasSettings(bool besidesDefaults) const {
        for (int column = ColIdLength; column < ChannelGridColumns; ++column) {
            const QString text = cell(column);
            if (!text.isEmpty() && !(besidesDefaults && text == ColumnDefault(column)))
                return true;
        }
        return false;
    }

    void checkVariable() {
        if (m_variable < 0) {
            add(Check::VariableUnknown, ColVariable,
                QStringLiteral("%1 names no variable of the catalogue (a file made with another "
                               "catalogue?): the image gets logger code 00 00, so the channel "
                               "feeds nothing")
                    .arg(Quoted(cell(ColVariable))));
            return;
        }
        const QByteArray code = m_record.mid(5, 2);
        if (code.at(0) == 0)
            add(Check::VariableNotLogged, ColVariable,
                QStringLiteral("%1 has identifier %2, outside the logger's identifier groups: "
                               "the image gets logger code 00 00, so the channel feeds nothing")
                    .arg(Quoted(cell(ColVariable)))
                    .arg(m_variable));
        else if (code.at(1) == 0)
            add(Check::VariableNotLogged, ColVariable,
                QStringLiteral("%1 has identifier %2, beyond position 255 of its group: the image "
                               "gets logger code %3 00, which names no variable")
                    .arg(Quoted(cell(ColVariable)))
                    .arg(m_variable)
                    .arg(HexByte(recordByte(5))));
    }

    void checkFilter() {
        const QString location = cell(ColFilterLoc);
        const QStringList locations = listOf(ColFilterLoc);
        const bool off = location == locations.value(0);
        if (!locations.contains(location)) {
            const int position = recordByte(3);
            add(Check::FilterLocUnlisted, ColFilterLoc,
                QStringLiteral("%1 is not a filter location of the list: the image switches the "
                               "filter on at byte position %2")
                    .arg(Quoted(location))
                    .arg(position),
                position >= 1 && position <= 8 ? Severity::Warning : Severity::Error);
        }
        const QString value = cell(ColFilterVal);
        if (off) {
            if (TextToNumber(value) != 0)
                add(Check::FilterValueUnused, ColFilterVal,
                    QStringLiteral("the filter value %1 has no effect: \"%2\" switches the "
                                   "filter off")
                        .arg(Quoted(value), location));
        } else if (TrimBlanks(value).isEmpty()) {
            add(Check::FilterValueMissing, ColFilterVal,
                QStringLiteral("the filter on %1 has no value: the empty cell is read as 0, so "
                               "only frames with 0 in that byte pass")
                    .arg(Quoted(location)));
        } else {
            checkNumberCell(ColFilterVal);
        }
    }

    void checkSignal() {
        checkNumberCell(ColStartBit);
        const bool isFloat = cell(ColValueType) == listOf(ColValueType).value(2);
        const int length = recordByte(1);
        if (isFloat) {
            if (TextToNumber(cell(ColLength)) != length)
                add(Check::FloatLength, ColLength,
                    QStringLiteral("\"%1\" always takes %2 bits: the image gets length %2, not "
                                   "%3")
                        .arg(cell(ColValueType))
                        .arg(length)
                        .arg(Quoted(cell(ColLength))));
        } else {
            checkNumberCell(ColLength);
            if (length == 0 || length > 32)
                add(Check::LengthRange, ColLength,
                    QStringLiteral("the image gets a signal of %1 bits, outside the 1 to 32 bits "
                                   "a value can have")
                        .arg(length));
        }
        checkLayout();
        if (!listOf(ColValueType).contains(cell(ColValueType)))
            add(Check::ValueTypeUnlisted, ColValueType,
                QStringLiteral("%1 is not a value type of the list (letter case counts): the "
                               "format byte keeps the length's bits instead and becomes %2")
                    .arg(Quoted(cell(ColValueType)), HexByte(recordByte(FormatByteOffset))));
        if (!listOf(ColByteOrder).contains(cell(ColByteOrder)))
            add(Check::ByteOrderUnlisted, ColByteOrder,
                QStringLiteral("%1 is not a byte order of the list (letter case counts): the "
                               "image adds no byte-order code, which means \"%2\"")
                    .arg(Quoted(cell(ColByteOrder)), listOf(ColByteOrder).value(0)));
    }

    // Where the bits lie, from the one bit map the picture and the export use too.
    void checkLayout() {
        // From the record the image carries.
        const ChannelSignal signal = SignalOfRecord(m_record);
        const SignalBitMap& bits = signal.bits;
        const ChannelFilter& filter = signal.filter;
        if (!bits.known) {
            add(Check::LayoutUnknown, ColByteOrder,
                QStringLiteral("%1: the layout of this order cannot be checked")
                    .arg(bits.unknownReason));
            return;
        }
        // Bytes counted from 1, as "Filter Loc" and the layout picture count them.
        const QString order = listOf(ColByteOrder).value(bits.orderCode);
        const QString inOrder =
            cell(ColByteOrder) == order
                ? QStringLiteral("in this byte order")
                : QStringLiteral("in \"%1\", the order the image gets").arg(order);
        if (bits.firstByte() < 0)
            add(Check::BitsBeyondFrame, ColStartBit,
                QStringLiteral("start bit %1 and %2 bits begin before Byte 1 %3, where a frame "
                               "has no bits")
                    .arg(bits.startBit)
                    .arg(bits.length)
                    .arg(inOrder));
        else if (bits.lastByte() >= FrameDataBytes)
            add(Check::BitsBeyondFrame, ColStartBit,
                QStringLiteral("start bit %1 and %2 bits reach Byte %3 %4, and a CAN frame has "
                               "Byte 1 to Byte 8 only")
                    .arg(bits.startBit)
                    .arg(bits.length)
                    .arg(bits.lastByte() + 1)
                    .arg(inOrder));
        const int filterByte = filter.dataByte();
        if (filterByte >= 0) {
            QList<BitPosition> inFilter;
            for (const BitPosition& p : bits.positions) {
                if (p.byte == filterByte)
                    inFilter.append(p);
            }
            if (!inFilter.isEmpty())
                add(Check::FilterInSignal, ColFilterLoc,
                    QStringLiteral("the filter byte is part of the signal (%1): the channel reads "
                                   "only frames where those bits match the filter value 0x%2")
                        .arg(BitsText(inFilter), HexByte(filter.value)));
        }
    }

    void checkScaling() {
        const QString scale = cell(ColScale);
        const double scaleNumber = TextToNumber(scale);
        if (RoundToSingle(scaleNumber).value_or(0) == 0)
            add(Check::ScaleZero, ColScale,
                QStringLiteral("%1 %2: the image passes the CAN value on unscaled")
                    .arg(Quoted(scale), scaleNumber == 0
                                            ? QStringLiteral("reads as 0, and nothing can be "
                                                             "divided by 0")
                                            : QStringLiteral("is too large for the adapter's "
                                                             "32-bit numbers")));
        else
            checkNumberText(ColScale);
        checkNumberCell(ColOffset);
        checkNumberCell(ColExponent);

        const double exponent = TextToNumber(cell(ColExponent));
        const int byte = recordByte(7);
        const int signedByte = byte < 128 ? byte : byte - 256;
        if (RoundToByte(std::fabs(exponent)) && std::nearbyint(exponent) != signedByte)
            add(Check::ExponentRange, ColExponent,
                QStringLiteral("exponent %1 does not fit a signed byte (-128 to 127): the image "
                               "gets %2, which the adapter reads as %3")
                    .arg(Quoted(cell(ColExponent)), HexByte(static_cast<std::uint8_t>(byte)))
                    .arg(signedByte));
        // Only a time variable's unit is scaled by the exponent.
        const QString units = GetVariableUnits(m_variable);
        if (byte != 0 && m_variable >= 0 && !units.contains(QLatin1String("exponent")))
            add(Check::ExponentNotTime, ColExponent,
                QStringLiteral("the exponent %1 scales time variables only, but %2 is in %3: "
                               "the image still carries it")
                    .arg(Quoted(cell(ColExponent)), Quoted(cell(ColVariable)), units));
    }

    // The number checks of a cell: an empty cell, a text that reads otherwise
    // than it looks, and the byte its number gives. Returns false for an
    // empty cell.
    bool checkNumberCell(int column) {
        if (!checkNumberText(column))
            return false;
        for (const RecordNumberField& field : m_numberFields) {
            if (field.column == column)
                checkByteField(field);
        }
        return true;
    }

    void checkByteField(const RecordNumberField& field) {
        const int byte = recordByte(field.offset);
        if (!field.fits) {
            QString gets = QStringLiteral("the image gets 0");
            if (field.previousOffset >= 0) {
                const QString previous = field.previousOffset == FormatByteOffset
                                             ? QStringLiteral("format")
                                             : ColumnName(RecordByteColumn(field.previousOffset));
                gets = QStringLiteral("the image %1 the %2 byte before it, %3")
                           .arg(recordByte(field.previousOffset) == byte
                                    ? QStringLiteral("repeats")
                                    : QStringLiteral("takes the negative of"),
                                previous)
                           .arg(byte);
            }
            const QString text = Quoted(cell(field.column));
            const std::optional<double> shown = ShownNumber(cell(field.column));
            const QString reads =
                shown && *shown == field.number
                    ? text
                    : QStringLiteral("%1 reads as %2, which").arg(text, NumberText(field.number));
            add(Check::ByteOverflow, field.column,
                QStringLiteral("%1 does not fit a byte (0 to 255): %2").arg(reads, gets));
        } else if (field.number != std::trunc(field.number)) {
            add(Check::NumberRounded, field.column,
                QStringLiteral("%1 is not a whole number: the image gets %2 (halves go to the "
                               "even neighbour)")
                    .arg(Quoted(cell(field.column)))
                    .arg(field.column == ColExponent && byte >= 128 ? byte - 256 : byte));
        }
    }

    const bool m_obdChannel;      // channel 15 in OBD mode
    const bool m_variablePending; // a row without a variable yet: check the rest
    QList<RecordNumberField> m_numberFields;
    const QByteArray m_record;
    const std::int32_t m_variable;
};

} // namespace

std::int32_t CheckChannel(const ConfigModel& model, const VariableCatalogue& catalogue, int channel,
                          QList<Finding>& findings, bool variablePending) {
    return CheckChannel(model.rowCells(channel), channel == ChannelCount && model.obdModeEnabled(),
                        catalogue, channel, findings, variablePending);
}

std::int32_t CheckChannel(const ChannelCells& cells, bool obdChannel,
                          const VariableCatalogue& catalogue, int row, QList<Finding>& findings,
                          bool variablePending) {
    return ChannelChecker(cells, obdChannel, catalogue, row, variablePending, findings).run();
}

void CheckPendingIdentifier(const ChannelCells& cells, int row, QList<Finding>& findings) {
    CellChecker(cells, row, findings).checkIdentifier();
}

void CheckPendingSettings(const ChannelCells& cells, const VariableCatalogue& catalogue, int row,
                          QList<Finding>& findings) {
    ChannelChecker(cells, /*obdChannel=*/false, catalogue, row, /*variablePending=*/true, findings)
        .checkAfterIdentifier();
}

} // namespace cac::checks
