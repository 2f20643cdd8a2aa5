#include "live/BusBitRate.h"

namespace cac {

int BitRateOfEntry(const QString& entry) {
    static const struct {
        const char* text;
        int rate;
    } Rates[] = {{"1 Mbit", 1000000},
                 {"500 kbit", 500000},
                 {"250 kbit", 250000},
                 {"125 kbit", 125000},
                 {"33.3 kbit", 33333}};
    for (const auto& rate : Rates)
        if (entry == QLatin1String(rate.text))
            return rate.rate;
    return 0;
}

QString BitRateText(int bitsPerSecond) {
    if (bitsPerSecond >= 1000000 && bitsPerSecond % 1000000 == 0)
        return QStringLiteral("%1 Mbit/s").arg(bitsPerSecond / 1000000);
    // One decimal: 33333 is the single-wire bus's 33.3 kbit/s.
    return QStringLiteral("%1 kbit/s").arg(QString::number(bitsPerSecond / 100 / 10.0));
}

} // namespace cac
