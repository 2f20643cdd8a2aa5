#include "dbc/DatabaseText.h"

#include <QStringList>

namespace cac {
QString DatabaseNumberText(double value) {
    return QString::number(value, 'g', 15);
}

QString DatabaseQuotedText(QString text) {
    text.replace(u'"', u'\'');
    text.replace(u'\\', u'/');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return u'"' + text + u'"';
}

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
            comments.append(QStringLiteral("CM_ BO_ %1 %2;")
                                .arg(rawId)
                                .arg(DatabaseQuotedText(message.comment)));
        for (const DbcSignal& signal : message.signalList) {
            // A page's signals name the page ("m2") after the number's "M".
            QString multiplex;
            if (signal.isMultiplexor)
                multiplex = QStringLiteral(" M");
            else if (signal.multiplexValue >= 0)
                multiplex = QStringLiteral(" m") + QString::number(signal.multiplexValue);
            lines.append(
                QStringLiteral(" SG_ %1 : %2|%3@%4%5 (%6,%7) [%8|%9] %10 Vector__XXX")
                    .arg(signal.name + multiplex)
                    .arg(signal.startBit)
                    .arg(signal.length)
                    .arg(signal.littleEndian ? QLatin1Char('1') : QLatin1Char('0'))
                    .arg(signal.isSigned ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(DatabaseNumberText(signal.factor), DatabaseNumberText(signal.offset),
                         DatabaseNumberText(signal.minimum), DatabaseNumberText(signal.maximum),
                         DatabaseQuotedText(signal.unit)));
            if (!signal.comment.isEmpty())
                comments.append(QStringLiteral("CM_ SG_ %1 %2 %3;")
                                    .arg(rawId)
                                    .arg(signal.name, DatabaseQuotedText(signal.comment)));
        }
    }
    lines.append(QString());
    lines += comments;
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace cac
