#include "discover/DiscoveryTexts.h"

#include <QStringList>
#include <cstdint>

#include <algorithm>

namespace cac {

QString IdentifierText(const IdentifierKey& key) {
    return QStringLiteral("0x") + QString::number(key.id, 16).toUpper();
}

QString OnBusText(const QString& text, const DiscoveredIdentifier& identifier) {
    return identifier.bus.isEmpty() ? text : text + QStringLiteral(" on ") + identifier.bus;
}

QString IdentifierOnBusText(const DiscoveredIdentifier& identifier) {
    return OnBusText(IdentifierText(identifier.key), identifier);
}

QString IdentifierLengthText(const IdentifierKey& key) {
    return key.extended ? QStringLiteral("29 bit") : QStringLiteral("11 bit");
}

QString FieldOrderName(FieldOrder order) {
    return order == FieldOrder::Intel ? QStringLiteral("Intel") : QStringLiteral("Motorola");
}

QString MillisecondsText(double seconds) {
    return QString::number(seconds * 1000, 'f', 1);
}

QString LengthsText(const QList<int>& lengths) {
    QStringList texts;
    for (const int length : lengths)
        texts.append(QString::number(length));
    return texts.join(u'/');
}

QString BusOrderText(const BusOrder& bus) {
    const int deciding = bus.intel + bus.motorola;
    if (bus.order)
        return QStringLiteral("bus byte order %1: %2 of %3 identifiers whose byte crossings decide "
                              "take it; it is taken where an identifier's own leave it open")
            .arg(FieldOrderName(*bus.order))
            .arg(std::max(bus.intel, bus.motorola))
            .arg(deciding);
    if (deciding == 0)
        return QStringLiteral("bus byte order undecided: no identifier's byte crossings decide it");
    return QStringLiteral("bus byte order undecided: of %1 identifiers whose byte crossings "
                          "decide, %2 take Intel and %3 Motorola")
        .arg(deciding)
        .arg(bus.intel)
        .arg(bus.motorola);
}

QStringList BusOrderTexts(const DiscoveryResult& result) {
    if (result.buses.size() < 2)
        return {BusOrderText(result.busOrder())};
    QStringList texts;
    for (std::size_t b = 0; b < result.busOrders.size(); ++b)
        if (b < std::size_t(result.buses.size()))
            texts.append(result.buses[qsizetype(b)] + QStringLiteral(": ") +
                         BusOrderText(result.busOrders[b]));
    return texts;
}

QString IdentifierOrderText(const DiscoveredIdentifier& identifier) {
    const QString order = FieldOrderName(identifier.order);
    const int intel = identifier.intelVotes, motorola = identifier.motorolaVotes;
    if (intel > 0 && intel == motorola) {
        // As many crossings take either order: the fields that cross a byte
        // tell, where they agree.
        bool intelField = false, motorolaField = false;
        for (const DiscoveredField& field : identifier.fields) {
            if (field.kind == FieldKind::Constant || field.bits.isEmpty() ||
                field.bits.first() / 8 == field.bits.last() / 8)
                continue;
            (field.order == FieldOrder::Intel ? intelField : motorolaField) = true;
        }
        if (intelField && motorolaField)
            return QStringLiteral("both byte orders: each field crossing a byte has its own");
        if (intelField || motorolaField)
            return QStringLiteral("%1 byte order")
                .arg(FieldOrderName(intelField ? FieldOrder::Intel : FieldOrder::Motorola));
        const QString votes = QStringLiteral("byte order undecided: %1 %2 Intel, %3 Motorola")
                                  .arg(intel)
                                  .arg(intel == 1 ? QStringLiteral("crossing takes")
                                                  : QStringLiteral("crossings take"))
                                  .arg(motorola);
        return identifier.orderFromBus
                   ? votes + QStringLiteral("; the rest %1 as the bus").arg(order)
                   : votes;
    }
    if (intel + motorola > 0)
        return QStringLiteral("%1 byte order").arg(order);
    if (identifier.orderFromBus)
        return QStringLiteral("%1 byte order as the bus").arg(order);
    return {};
}

QString FieldKindText(const DiscoveredField& field) {
    if (field.pageNumber)
        return QStringLiteral("page number: each of its values lays out the rest of the frame");
    QString kind = QLatin1String(FieldKindName(field.kind));
    if (field.page >= 0)
        kind += QStringLiteral(", page %1 only (frames whose byte 0 is %1)").arg(field.page);
    if (field.isSigned)
        kind += QStringLiteral(", signed");
    if (field.onesCode)
        kind += QStringLiteral(", %1 = \"not available\"")
                    .arg(QString::number((std::uint64_t{1} << field.bits.size()) - 1));
    if (field.orderUndecided)
        kind += QStringLiteral(", either byte order");
    if (field.kind == FieldKind::Checksum)
        kind += !field.algorithm.isEmpty() ? QStringLiteral(": ") + field.algorithm
                : field.checksumNote.isEmpty()
                    ? QStringLiteral(" (no algorithm found: its values only scatter like one)")
                    : QStringLiteral(" (no algorithm found: ") + field.checksumNote + u')';
    return kind;
}

QString FieldUnseenText(const DiscoveredField& field) {
    if (field.unseenTopBits <= 0)
        return {};
    QString text =
        field.unseenTopBits == 1
            ? QStringLiteral("top bit never moved in this log")
            : QStringLiteral("top %1 bits never moved in this log").arg(field.unseenTopBits);
    if (field.signUndecided)
        text += QStringLiteral("; read as unsigned");
    return text;
}

QString FitUnseenText(const DiscoveredField& field) {
    const QString unseen = FieldUnseenText(field);
    const QString order = field.orderUndecided
                              ? QStringLiteral("the other byte order fits the log as well")
                              : QString();
    if (unseen.isEmpty())
        return order.isEmpty() ? QString() : QStringLiteral("not certain: ") + order;
    return QStringLiteral("not certain beyond raw %1: %2%3")
        .arg(RawRangeText(field), unseen,
             order.isEmpty() ? QString() : QStringLiteral("; ") + order);
}

QString FieldRowText(const SignalRow& row) {
    if (!row.importable())
        return QStringLiteral("no channel: ") + row.notes.first().text;
    return QStringLiteral("start bit %1, %2 bits, %3, %4")
        .arg(row.cells[ColStartBit], row.cells[ColLength], row.cells[ColByteOrder],
             row.cells[ColValueType]);
}

QString RawRangeText(const DiscoveredField& field) {
    return QStringLiteral("%1 to %2")
        .arg(QString::number(field.minRaw, 'f', 0), QString::number(field.maxRaw, 'f', 0));
}

QString ConfidenceText(double confidence) {
    return QString::number(confidence, 'f', 2);
}

QString CorrelationText(double correlation) {
    return QString::number(correlation, 'f', 3);
}

QString ShortLogNote(const DiscoveryResult& result) {
    if (result.frames == 0)
        return QStringLiteral("The log holds no data frame.");
    for (const DiscoveredIdentifier& identifier : result.identifiers)
        if (identifier.frames >= 2)
            return {};
    return QStringLiteral("No identifier has two frames: a field shows only where its bits "
                          "change from frame to frame.");
}

QString FitNumberText(double value) {
    return QString::number(value, 'g', 6);
}

QString MatchLineText(const QString& field, const MatchRanking& ranking, const FieldMatch& match) {
    const QString name = field.leftJustified(26);
    if (ranking.scoreName == QStringLiteral("r"))
        return QStringLiteral("%1 r %2  scale %3  offset %4  residual %5 (fit %6, %7)")
            .arg(name)
            .arg(match.correlation, 6, 'f', 3)
            .arg(FitNumberText(match.scale), FitNumberText(match.offset),
                 FitNumberText(match.residual), FitNumberText(match.fittedScale),
                 FitNumberText(match.fittedOffset));
    return QStringLiteral("%1 %2 %3  scale %4  offset %5  (%6)")
        .arg(name, ranking.scoreName)
        .arg(match.correlation, 0, 'f', 3)
        .arg(FitNumberText(match.scale), FitNumberText(match.offset), match.evidence);
}

} // namespace cac
