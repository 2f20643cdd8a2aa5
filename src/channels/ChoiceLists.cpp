#include "channels/ChoiceLists.h"

#include "catalogue/VariableCatalogue.h"

#include <array>
#include <utility>

namespace cac {
namespace {

QStringList numberTexts(int first, int last) {
    QStringList texts;
    for (int n = first; n <= last; ++n)
        texts.append(QString::number(n));
    return texts;
}

QStringList buildFixedChoiceList(int comboIndex) {
    switch (comboIndex) {
    case 1:
        return {QStringLiteral("11 bit"), QStringLiteral("29 bit")};
    case 2:
        return numberTexts(0, 63);
    case 3:
        return numberTexts(1, 32);
    case 4:
        return {QStringLiteral("Signed"), QStringLiteral("Unsigned"),
                QStringLiteral("Float (single)")};
    case 5:
        return {QStringLiteral("Intel standard"),    QStringLiteral("Intel sequential"),
                QStringLiteral("Motorola forw LSB"), QStringLiteral("Motorola forw MSB"),
                QStringLiteral("Motorola seq"),      QStringLiteral("Motorola backward")};
    case 6: {
        QStringList filters{QStringLiteral("No Filter")};
        for (int n = 1; n <= 8; ++n)
            filters.append(QStringLiteral("Byte %1").arg(n));
        return filters;
    }
    default:
        return {};
    }
}

} // namespace

QString ColumnTitle(int column) {
    static const QStringList titles = {
        QString(),
        QStringLiteral("VL message\r\nUser Name (Default name)"),
        QStringLiteral("CAN ID length"),
        QStringLiteral("CAN ID\r\n(use 0x for Hex)"),
        QStringLiteral("Filter Loc"),
        QStringLiteral("Filter Val"),
        QStringLiteral("Start bit"),
        QStringLiteral("Length (bits)"),
        QStringLiteral("Value type"),
        QStringLiteral("Byte order"),
        QStringLiteral("Scale factor"),
        QStringLiteral("Offset"),
        QStringLiteral("Exponent\r\n(for time only)"),
    };
    return titles.value(column);
}

QString ColumnName(int column) {
    return ColumnTitle(column).section(QStringLiteral("\r\n"), 0, 0);
}

QStringList FixedChoiceList(int comboIndex) {
    static const std::array<QStringList, ChoiceListCount> lists = [] {
        std::array<QStringList, ChoiceListCount> built;
        for (int k = 1; k < ChoiceListCount; ++k)
            built[static_cast<std::size_t>(k)] = buildFixedChoiceList(k);
        return built;
    }();
    if (comboIndex < 1 || comboIndex >= ChoiceListCount)
        return {};
    return lists[static_cast<std::size_t>(comboIndex)];
}

int ComboForColumn(int column) {
    switch (column) {
    case ColVariable:
        return 0;
    case ColIdLength:
        return 1;
    case ColFilterLoc:
        return 6;
    case ColStartBit:
        return 2;
    case ColLength:
        return 3;
    case ColValueType:
        return 4;
    case ColByteOrder:
        return 5;
    default:
        return -1;
    }
}

QString ColumnDefault(int column) {
    switch (column) {
    case ColVariable:
        return DoNotUseText;
    case ColCanId:
        return QStringLiteral("0x100");
    case ColFilterVal:
    case ColOffset:
    case ColExponent:
        return QStringLiteral("0");
    case ColScale:
        return QStringLiteral("1");
    default: {
        // A list column defaults to its list's first entry.
        const int combo = ComboForColumn(column);
        return combo > 0 ? FixedChoiceList(combo).value(0) : QString();
    }
    }
}

QStringList BaudRateEntries() {
    static const QStringList entries = {QStringLiteral("1 Mbit"), QStringLiteral("500 kbit"),
                                        QStringLiteral("250 kbit"), QStringLiteral("125 kbit"),
                                        QStringLiteral("33.3 kbit")};
    return entries;
}

QString ByteOrderExplanation(const QString& entry) {
    // Bit numbers as a CAN database counts them: bit 0 is the least
    // significant bit of byte 0, bit 8 that of byte 1.
    static const std::pair<const char*, const char*> Explanations[] = {
        {"Intel standard",
         "Start bit = the signal's least significant bit, bits numbered byte by byte with bit 0 "
         "the least significant bit of byte 0 (a CAN database's @1); the signal runs up into the "
         "following bytes."},
        {"Intel sequential",
         "The same bits as Intel standard, but the start bit is counted in the order the bits "
         "travel on the bus (bit 0 = the most significant bit of byte 0)."},
        {"Motorola forw LSB",
         "The same run of bits as Motorola forw MSB, but the start bit names the signal's least "
         "significant bit."},
        {"Motorola forw MSB",
         "Start bit = the signal's most significant bit, numbered as in a CAN database (@0); the "
         "signal runs down to the byte's bit 0 and on into the next byte."},
        {"Motorola seq",
         "Start bit = the signal's most significant bit counted in bus order (bit 0 = the most "
         "significant bit of byte 0); the signal is one contiguous run of bits from there."},
        {"Motorola backward",
         "The numbering of this order is not documented, so its layout cannot be checked."},
    };
    for (const auto& [order, explanation] : Explanations) {
        if (entry == QLatin1String(order))
            return QString::fromLatin1(explanation);
    }
    return {};
}

} // namespace cac
