#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// A candump log of a Motorola bus: three identifiers counting across bytes 0
// and 1 in Motorola order, and 0x200, whose bytes 2 and 3 hold noise that
// either order joins.
inline QByteArray MotorolaBusLog() {
    QByteArray log;
    std::uint32_t noise = 12345;
    for (int k = 0; k < 2000; ++k) {
        noise = noise * 1103515245u + 12345u;
        const auto hex = [](unsigned value) {
            return QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
        };
        log += QStringLiteral("(%1) can0 200#0000%2\n")
                   .arg(k * 0.01, 0, 'f', 6)
                   .arg(hex(noise >> 16 & 0xFFFF))
                   .toLatin1();
        for (unsigned d = 0; d < 3; ++d)
            log += QStringLiteral("(%1) can0 %2#%3\n")
                       .arg(k * 0.01 + 0.001 * (d + 1), 0, 'f', 6)
                       .arg(0x300 + d, 0, 16)
                       .arg(hex(unsigned(k) * (d + 3) % 3000))
                       .toLatin1();
    }
    return log;
}
