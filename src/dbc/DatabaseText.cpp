#include "dbc/DatabaseText.h"

#include <QStringList>

namespace cac {
namespace {

// 15 significant digits keep binary noise out (0.1 stays 0.1).
QString number(double value) {
    return QString::number(value, 'g', 15);
}

// Double quotes and backslashes cannot stand in a database string.
QString quoted(QString text) {
    text.replace(u'"', u'\'');
    text.replace(u'\\', u'/');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return u'"' + text + u'"';
}

} // namespace

QByteArray WriteDatabaseText(const CanDatabase& database) {
    QStringList lines{QStringLiteral("VERSION \"\""), {}, QStringLiteral("NS_ :"), {},
                      QStringLiteral("BS_:"),         {}, QStringLiteral("BU_:")};
    QStringList comments;
    for (const DbcMessage& message : database.messages) {
        const std::uint32_t rawId = message.id | (message.extended ? 0x80000000u : 0u);
        lines.append(QString());
        lines.append(QStringLiteral("BO_ %1 %2: %3 Vector__XXX")
                         .arg(rawId)
                         .arg(message.name)
                         .arg(message.length));
        if (!message.comment.isEmpty())
            comments.append(
                QStringLiteral("CM_ BO_ %1 %2;").arg(rawId).arg(quoted(message.comment)));
        for (const DbcSignal& signal : message.signalList) {
            // A page's signals name the page ("m2") after the number's "M".
            QString multiplex;
            if (signal.isMultiplexor)
                multiplex = QStringLiteral(" M");
            else if (signal.multiplexValue >= 0)
                multiplex = QStringLiteral(" m") + QString::number(signal.multiplexValue);
            lines.append(QStringLiteral(" SG_ %1 : %2|%3@%4%5 (%6,%7) [%8|%9] %10 Vector__XXX")
                             .arg(signal.name + multiplex)
                             .arg(signal.startBit)
                             .arg(signal.length)
                             .arg(signal.littleEndian ? QLatin1Char('1') : QLatin1Char('0'))
                             .arg(signal.isSigned ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(number(signal.factor), number(signal.offset),
                                  number(signal.minimum), number(signal.maximum),
                                  quoted(signal.unit)));
            if (!signal.comment.isEmpty())
                comments.append(QStringLiteral("CM_ SG_ %1 %2 %3;")
                                    .arg(rawId)
                                    .arg(signal.name, quoted(signal.comment)));
        }
    }
    lines.append(QString());
    lines += comments;
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace cac
