#pragma once

#include <QString>

// The bus bit rate in bit/s, as the window's bit-rate list names it and as a
// live interface is set to.
namespace cac {

// "500 kbit" gives 500000, "33.3 kbit" 33333; 0 for a text not in the list.
int BitRateOfEntry(const QString& entry);
// "500 kbit/s", "1 Mbit/s", "33.3 kbit/s".
QString BitRateText(int bitsPerSecond);

} // namespace cac
