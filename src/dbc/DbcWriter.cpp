#include "dbc/DbcWriter.h"

#include "dbc/DatabaseText.h"

#include "bitmap/FrameLayout.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "common/HexText.h"
#include "common/IdentifierWidth.h"

#include <QSet>

#include <charconv>
#include <cmath>

namespace cac {
namespace {

// Value-type codes of the format byte.
constexpr int UnsignedCode = 0, SignedCode = 1, FloatCode = 2;

// The shortest text that reads back as exactly this double.
QString NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, result.ptr - text);
}

// A C identifier from free text: other characters become "_", runs of them
// one "_"; a leading digit gets a "_" in front.
QString IdentifierFrom(const QString& text) {
    QString name;
    for (const QChar ch : text.trimmed()) {
        const bool ok = ch.unicode() < 128 && (ch.isLetterOrNumber() || ch == u'_');
        if (ok)
            name += ch;
        else if (!name.endsWith(u'_'))
            name += u'_';
    }
    while (name.endsWith(u'_') && name.size() > 1)
        name.chop(1);
    if (name.isEmpty() || name == u"_")
        return {};
    if (name.front().isDigit())
        name.prepend(u'_');
    return name;
}

// The user name of a variable cell ("Oil temp {OILT}" gives "Oil temp"), or
// the whole text when it has no default name in braces.
QString UserName(const QString& cell) {
    const qsizetype brace = cell.indexOf(u'{');
    return brace > 0 ? cell.left(brace) : cell;
}

class Writer {
public:
    Writer(const ConfigModel& model, const VariableCatalogue& catalogue)
        : m_model(model), m_catalogue(catalogue) {}

    DbcExport write() {
        line(QStringLiteral("VERSION \"\""));
        line();
        line(QStringLiteral("NS_ :"));
        line(QStringLiteral("\tSIG_VALTYPE_"));
        line();
        line(QStringLiteral("BS_:"));
        line();
        line(QStringLiteral("BU_:"));
        for (const FrameChannels& frame : UsedFrames(m_model)) {
            if (const QString why = identifierProblem(frame); !why.isEmpty()) {
                for (const ChannelSignal& signal : frame.channels)
                    leaveOut(signal, why);
                continue;
            }
            writeFrame(frame);
        }
        line();
        for (const QString& text : m_comments)
            line(text);
        for (const QString& text : m_valueTypes)
            line(text);
        m_export.text = m_text.toLatin1();
        return std::move(m_export);
    }

private:
    const ConfigModel& m_model;
    const VariableCatalogue& m_catalogue;
    DbcExport m_export;
    QString m_text;
    QStringList m_comments;
    QStringList m_valueTypes;
    QSet<QString> m_signalNames;

    void line(const QString& text = {}) { m_text += text + QStringLiteral("\r\n"); }

    void leaveOut(const ChannelSignal& signal, const QString& why) {
        m_export.notWritten.append(QStringLiteral("channel %1: %2").arg(signal.channel).arg(why));
        m_comments.append(QStringLiteral("CM_ %1;").arg(
            DatabaseQuotedText(QStringLiteral("channel %1 (%2) is not written: %3")
                                   .arg(signal.channel)
                                   .arg(m_model.cell(signal.channel, ColVariable), why))));
    }

    // Why no database reader would take the frame's identifier, or empty: a
    // negative one, or one wider than its length, would become another frame
    // (bit 31 is the extended flag) or a number no reader accepts.
    QString identifierProblem(const FrameChannels& frame) const {
        if (frame.id >= 0 && std::uint32_t(frame.id) <= WidestIdentifier(frame.extended))
            return {};
        const int channel = frame.channels.first().channel;
        return QStringLiteral("identifier %1 does not fit %2")
            .arg(DatabaseQuotedText(m_model.cell(channel, ColCanId)),
                 IdentifierRoomText(frame.extended));
    }

    // Why the channel cannot be a signal, or empty.
    static QString problemOf(const ChannelSignal& signal, int multiplexByte) {
        const SignalBitMap& bits = signal.bits;
        if (!bits.known)
            return bits.unknownReason;
        if (bits.length == 0)
            return QStringLiteral("a signal of 0 bits carries nothing");
        if (bits.length > 64)
            return QStringLiteral("%1 bits are more than a frame holds").arg(bits.length);
        if (!bits.insideFrame())
            return QStringLiteral("its bits reach outside the frame's 8 data bytes");
        if (signal.valueTypeCode > FloatCode)
            return QStringLiteral("value-type code %1 names no value type")
                .arg(signal.valueTypeCode);
        if (signal.valueTypeCode == FloatCode && bits.length != 32)
            return QStringLiteral("a float of %1 bits").arg(bits.length);
        if (signal.filter.on && signal.filter.dataByte() < 0)
            return QStringLiteral("its filter reads byte position %1, which no frame has")
                .arg(signal.filter.position);
        if (signal.filter.on && signal.filter.dataByte() != multiplexByte)
            return QStringLiteral("its filter reads Byte %1, but the frame's multiplexor is "
                                  "Byte %2, and a frame has only one")
                .arg(signal.filter.dataByte() + 1)
                .arg(multiplexByte + 1);
        return {};
    }

    QString uniqueName(QString name) {
        if (m_signalNames.contains(name)) {
            int k = 2;
            while (m_signalNames.contains(name + QStringLiteral("_%1").arg(k)))
                ++k;
            name += QStringLiteral("_%1").arg(k);
        }
        m_signalNames.insert(name);
        return name;
    }

    void writeFrame(const FrameChannels& frame) {
        // The first filter byte of the frame becomes its multiplexor.
        int multiplexByte = -1;
        for (const ChannelSignal& signal : frame.channels) {
            if (multiplexByte < 0 && signal.filter.dataByte() >= 0)
                multiplexByte = signal.filter.dataByte();
        }
        const std::uint32_t rawId =
            static_cast<std::uint32_t>(frame.id) | (frame.extended ? 0x80000000u : 0u);
        const QString hex = HexDigits(frame.id);
        const QString messageName = frame.extended ? QStringLiteral("Frame_%1_x").arg(hex)
                                                   : QStringLiteral("Frame_%1").arg(hex);
        QStringList signalLines;
        if (multiplexByte >= 0)
            signalLines.append(
                QStringLiteral(" SG_ %1 M : %2|8@1+ (1,0) [0|255] \"\" Vector__XXX")
                    .arg(uniqueName(QStringLiteral("Filter_byte_%1").arg(multiplexByte)))
                    .arg(multiplexByte * 8));
        for (const ChannelSignal& signal : frame.channels) {
            if (const QString why = problemOf(signal, multiplexByte); !why.isEmpty()) {
                leaveOut(signal, why);
                continue;
            }
            signalLines.append(signalLine(signal, rawId));
            ++m_export.signalCount;
        }
        line();
        line(QStringLiteral("BO_ %1 %2: 8 Vector__XXX").arg(rawId).arg(messageName));
        for (const QString& text : signalLines)
            line(text);
        ++m_export.messageCount;
    }

    QString signalLine(const ChannelSignal& signal, std::uint32_t rawId) {
        const QString variableCell = m_model.cell(signal.channel, ColVariable);
        QString name = IdentifierFrom(UserName(variableCell));
        if (name.isEmpty())
            name = QStringLiteral("Channel_%1").arg(signal.channel);
        name = uniqueName(name);

        const SignalBitMap& bits = signal.bits;
        const bool intel = signal.bits.orderCode == static_cast<int>(ByteOrder::IntelStandard) ||
                           signal.bits.orderCode == static_cast<int>(ByteOrder::IntelSequential);
        // @1 names the least significant bit, @0 the most significant.
        const int start =
            intel ? bits.positions.last().databaseIndex() : bits.positions.first().databaseIndex();

        // The numbers as typed, so a scale of 2.55 reads back as 2.55; where the
        // adapter's 32-bit float is 0 or has no room for them, what the image gets.
        const double scale = TextToNumber(m_model.cell(signal.channel, ColScale));
        const double factor = RoundToSingle(scale).value_or(0) == 0 ? 1.0 : 1.0 / scale;
        const double typedOffset = TextToNumber(m_model.cell(signal.channel, ColOffset));
        const double offset = RoundToSingle(typedOffset) ? typedOffset : 0.0;

        double low = 0, high = 0;
        if (signal.valueTypeCode != FloatCode) {
            const bool isSigned = signal.valueTypeCode == SignedCode;
            const double span = std::ldexp(1.0, bits.length - (isSigned ? 1 : 0));
            const double rawLow = isSigned ? -span : 0, rawHigh = span - 1;
            low = std::min(rawLow * factor + offset, rawHigh * factor + offset);
            high = std::max(rawLow * factor + offset, rawHigh * factor + offset);
        }

        QString unit = GetVariableUnits(FindVariableIndex(m_catalogue, variableCell));
        if (unit == u"[Invalid]" || unit == u"[no units]")
            unit.clear();
        if (unit.startsWith(u'[') && unit.endsWith(u']'))
            unit = unit.mid(1, unit.size() - 2);

        const QString multiplex =
            signal.filter.on ? QStringLiteral(" m%1").arg(signal.filter.value) : QString();
        if (signal.valueTypeCode == FloatCode)
            m_valueTypes.append(QStringLiteral("SIG_VALTYPE_ %1 %2 : 1;").arg(rawId).arg(name));
        // Which channel the signal is, for people and for reading the database back.
        m_comments.append(
            QStringLiteral("CM_ SG_ %1 %2 %3;")
                .arg(rawId)
                .arg(name,
                     DatabaseQuotedText(
                         QStringLiteral("channel %1: %2").arg(signal.channel).arg(variableCell))));
        return QStringLiteral(" SG_ %1%2 : %3|%4@%5%6 (%7,%8) [%9|%10] %11 Vector__XXX")
            .arg(name, multiplex)
            .arg(start)
            .arg(bits.length)
            .arg(intel ? QLatin1Char('1') : QLatin1Char('0'))
            .arg(signal.valueTypeCode == UnsignedCode ? QLatin1Char('+') : QLatin1Char('-'))
            .arg(DatabaseNumberText(factor), NumberText(offset), DatabaseNumberText(low),
                 DatabaseNumberText(high), DatabaseQuotedText(unit));
    }
};

} // namespace

DbcExport WriteCanDatabase(const ConfigModel& model, const VariableCatalogue& catalogue) {
    return Writer(model, catalogue).write();
}

} // namespace cac
