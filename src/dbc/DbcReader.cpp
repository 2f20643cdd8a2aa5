// The .dbc reader. BO_ and SG_ statements end with their line; CM_,
// SIG_VALTYPE_ and the statements that are read over end with ";" and may span
// lines. A statement that cannot be read is reported with its line, and
// reading goes on at the next line that begins with a keyword, so one bad
// line never costs the rest of the file.
#include "dbc/CanDatabase.h"
#include "dbc/DbcScanner.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>

namespace cac {
namespace {

using dbc::IsDigit;
using dbc::IsLetter;
using dbc::SyntaxError;

// A hostile file could have a problem on every line; the first ones tell
// enough.
constexpr qsizetype MaxProblems = 1000;

// CM_ and SIG_VALTYPE_ name their message by identifier; they are applied
// once every message is read, since nothing obliges them to come last.
struct Attachment {
    int line;
    const char* keyword;
    std::uint32_t rawId;
    QString signal; // empty: the message itself
    QString comment;
    int valueType = -1; // SIG_VALTYPE_ only
};

class Reader : dbc::DbcScanner {
public:
    explicit Reader(QStringView text) : DbcScanner(text) {}

    CanDatabase read() {
        for (;;) {
            setWithinLine(false);
            skipSpace();
            if (atEnd())
                break;
            const qsizetype start = position();
            try {
                statement();
            } catch (const SyntaxError& error) {
                report(error.line, error.message);
                resync(start);
            }
        }
        attach();
        std::stable_sort(m_database.problems.begin(), m_database.problems.end(),
                         [](const DbcProblem& a, const DbcProblem& b) { return a.line < b.line; });
        return std::move(m_database);
    }

private:
    CanDatabase m_database;
    QHash<std::uint32_t, qsizetype> m_messageIndex; // by identifier as written
    qsizetype m_message = -1;                       // the message SG_ lines add to
    bool m_dropSignals = false; // the SG_ lines of an unreadable BO_, reported once
    QList<Attachment> m_attachments;

    void report(int line, const QString& message) {
        if (m_database.problems.size() < MaxProblems)
            m_database.problems.append({line, message});
    }

    // The name a BO_ or SG_ defines; one that begins with a digit is noted
    // once, where it is defined.
    QString definedName(const char* what, const char* kind, int line) {
        bool leadingDigit = false;
        QString text = name(what, leadingDigit);
        if (leadingDigit)
            report(line, QStringLiteral("%1 name %2 begins with a digit, which the format does not "
                                        "allow; it is read as it stands")
                             .arg(QLatin1String(kind), text));
        return text;
    }
    // A name that CM_ or SIG_VALTYPE_ refers to.
    QString otherName(const char* what) {
        bool leadingDigit = false;
        return name(what, leadingDigit);
    }

    void statement() {
        const int line = this->line();
        const QString keyword = identifier("a keyword");
        const bool known = keyword == u"VERSION" || dbc::IsKeyword(keyword);
        if (!known)
            fail(QStringLiteral("'%1' does not begin a statement").arg(keyword));
        if (keyword != u"SG_") {
            m_message = -1;
            m_dropSignals = false;
        }
        if (keyword == u"BO_")
            message(line);
        else if (keyword == u"SG_")
            signal(line);
        else if (keyword == u"CM_")
            comment(line);
        else if (keyword == u"SIG_VALTYPE_")
            valueType(line);
        else if (keyword == u"NS_")
            skipNamespaceList();
        else if (keyword == u"BU_")
            skipNodeList();
        else if (keyword == u"VERSION" || keyword == u"BS_")
            skipLineStatement();
        else
            skipStatement(line);
    }

    void message(int line) {
        setWithinLine(true);
        m_dropSignals = true; // until the line is read
        const std::uint64_t raw = unsignedNumber("the message identifier", 0xFFFFFFFF);
        DbcMessage message;
        message.line = line;
        message.extended = (raw & 0x80000000u) != 0;
        message.id = static_cast<std::uint32_t>(raw & 0x7FFFFFFFu);
        message.name = definedName("the message name", "message", line);
        expect(u':', "':' after the message name");
        message.length = static_cast<int>(unsignedNumber("the message length", 0xFFFF));
        skipSpace();
        if (IsLetter(peek()))
            message.sender = identifier("the sending node");
        endOfLine();

        const auto rawId = static_cast<std::uint32_t>(raw);
        if (const auto earlier = m_messageIndex.constFind(rawId); earlier != m_messageIndex.cend())
            report(line, QStringLiteral("message identifier %1 is also used by %2 on line %3")
                             .arg(raw)
                             .arg(m_database.messages.at(*earlier).name)
                             .arg(m_database.messages.at(*earlier).line));
        else
            m_messageIndex.insert(rawId, m_database.messages.size());
        m_database.messages.append(message);
        m_message = m_database.messages.size() - 1;
        m_dropSignals = false;
    }

    void signal(int line) {
        setWithinLine(true);
        if (m_message < 0) {
            skipRestOfLine();
            if (m_dropSignals)
                return;
            m_dropSignals = true;
            fail(QStringLiteral("SG_ outside a message: signals follow their BO_ line"));
        }
        DbcSignal signal;
        signal.line = line;
        signal.name = definedName("the signal name", "signal", line);
        skipSpace();
        if (peek() != u':')
            multiplexMark(signal);
        expect(u':', "':' after the signal name");
        signal.startBit = static_cast<int>(unsignedNumber("the start bit", 0xFFFF));
        expect(u'|', "'|' after the start bit");
        signal.length = static_cast<int>(unsignedNumber("the signal length", 0xFFFF));
        expect(u'@', "'@' after the signal length");
        if (!take(u'1') && !take(u'0'))
            expected("byte order 1 (Intel) or 0 (Motorola)");
        signal.littleEndian = previous() == u'1';
        if (!take(u'+') && !take(u'-'))
            expected("'+' (unsigned) or '-' (signed)");
        signal.isSigned = previous() == u'-';
        expect(u'(', "'(' before the factor");
        signal.factor = number("the factor");
        expect(u',', "',' after the factor");
        signal.offset = number("the offset");
        expect(u')', "')' after the offset");
        expect(u'[', "'[' before the minimum");
        signal.minimum = number("the minimum");
        expect(u'|', "'|' after the minimum");
        signal.maximum = number("the maximum");
        expect(u']', "']' after the maximum");
        signal.unit = quoted("the unit in double quotes");
        for (skipSpace(); IsLetter(peek());) {
            signal.receivers.append(identifier("a receiving node"));
            if (!take(u','))
                break;
            skipSpace();
        }
        endOfLine();

        DbcMessage& message = m_database.messages[m_message];
        for (const DbcSignal& other : std::as_const(message.signalList)) {
            if (other.name == signal.name)
                report(line, QStringLiteral("signal %1 is also defined on line %2")
                                 .arg(signal.name)
                                 .arg(other.line));
        }
        message.signalList.append(signal);
    }

    // "M", "mN" or "mNM" between a signal's name and its colon.
    void multiplexMark(DbcSignal& signal) {
        const QString mark = identifier("':' or a multiplexor mark (M, mN)");
        qsizetype digitsEnd = 1;
        while (digitsEnd < mark.size() && IsDigit(mark[digitsEnd].unicode()))
            ++digitsEnd;
        bool fits = false;
        const int value = mark.mid(1, digitsEnd - 1).toInt(&fits);
        if (mark == u"M") {
            signal.isMultiplexor = true;
        } else if (mark.startsWith(u'm') && digitsEnd > 1 && fits &&
                   (digitsEnd == mark.size() || mark.mid(digitsEnd) == u"M")) {
            signal.multiplexValue = value;
            signal.isMultiplexor = digitsEnd < mark.size();
        } else {
            fail(QStringLiteral("'%1' is not a multiplexor mark (M, mN or mNM)").arg(mark));
        }
    }

    void comment(int line) {
        skipSpace();
        if (peek() == u'"') { // a comment on the whole database
            quoted("the comment in double quotes");
            expect(u';', "';' after the comment");
            return;
        }
        const QString object = identifier("BO_, SG_, BU_, EV_ or a comment in double quotes");
        if (object != u"BO_" && object != u"SG_")
            return skipStatement(line);
        Attachment attachment{line, "CM_", 0, {}, {}};
        attachment.rawId =
            static_cast<std::uint32_t>(unsignedNumber("the message identifier", 0xFFFFFFFF));
        if (object == u"SG_")
            attachment.signal = otherName("the signal name");
        attachment.comment = quoted("the comment in double quotes");
        expect(u';', "';' after the comment");
        m_attachments.append(attachment);
    }

    void valueType(int line) {
        Attachment attachment{line, "SIG_VALTYPE_", 0, {}, {}};
        attachment.rawId =
            static_cast<std::uint32_t>(unsignedNumber("the message identifier", 0xFFFFFFFF));
        attachment.signal = otherName("the signal name");
        take(u':'); // some writers leave it out
        attachment.valueType = static_cast<int>(unsignedNumber("the value type (0, 1 or 2)", 2));
        expect(u';', "';' after the value type");
        m_attachments.append(attachment);
    }

    void attach() {
        for (const Attachment& a : std::as_const(m_attachments)) {
            const auto found = m_messageIndex.constFind(a.rawId);
            if (found == m_messageIndex.cend()) {
                report(a.line, QStringLiteral("%1 names message %2, which is not defined")
                                   .arg(QLatin1String(a.keyword))
                                   .arg(a.rawId));
                continue;
            }
            DbcMessage& message = m_database.messages[*found];
            if (a.signal.isEmpty()) {
                message.comment = a.comment;
                continue;
            }
            const auto signal =
                std::find_if(message.signalList.begin(), message.signalList.end(),
                             [&](const DbcSignal& s) { return s.name == a.signal; });
            if (signal == message.signalList.end()) {
                report(a.line, QStringLiteral("%1 names signal %2, which message %3 does not have")
                                   .arg(QLatin1String(a.keyword), a.signal, message.name));
            } else if (a.valueType >= 0) {
                signal->valueType = static_cast<DbcValueType>(a.valueType);
            } else {
                signal->comment = a.comment;
            }
        }
    }
};

// UTF-8 when the bytes are valid UTF-8 or start with its byte-order mark,
// otherwise Latin-1, which every byte sequence is.
QString decode(const QByteArray& bytes) {
    const QByteArrayView bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        return QString::fromUtf8(bytes.sliced(bom.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

CanDatabase ReadCanDatabase(const QByteArray& bytes) {
    const QString text = decode(bytes);
    return Reader(text).read();
}

} // namespace cac
