// Inverses of the image's field encodings, each checked against the encoder.
#include "channels/NumericText.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"

#include <bit>
#include <cmath>
#include <limits>

namespace cac {
namespace {

std::uint8_t byteAt(const QByteArray& bytes, int i) {
    return static_cast<std::uint8_t>(bytes.at(i));
}

// Number texts of `value` with `digits` significant digits, `magnitude` its
// power of ten: the general form with a short exponent ("1E-5", not "1e-05")
// and, where shorter, the plain one.
QStringList textsOf(double value, int digits, int magnitude) {
    QString general = QString::number(value, 'g', digits);
    const qsizetype e = general.indexOf(u'e');
    if (e >= 0) {
        QString exponent = general.mid(e + 1);
        const bool negative = exponent.startsWith(u'-');
        exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(u'0'))
            exponent.remove(0, 1);
        general = general.left(e) + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    QString plain = QString::number(value, 'f', std::clamp(digits - 1 - magnitude, 0, 40));
    DropTrailingZeros(plain);
    return plain.size() <= general.size() ? QStringList{plain, general}
                                          : QStringList{general, plain};
}

} // namespace

std::optional<IdentifierReading> DecodeIdentifierWord(const QByteArray& word) {
    if (word.size() != 4)
        return std::nullopt;
    const std::uint32_t b0 = byteAt(word, 0), b1 = byteAt(word, 1), b2 = byteAt(word, 2),
                        b3 = byteAt(word, 3);
    IdentifierReading reading;
    reading.extended = (b1 & 0x08) != 0;
    const std::uint32_t id =
        reading.extended ? (b0 << 21) | ((b1 >> 5) << 18) | ((b1 & 0x03) << 16) | (b2 << 8) | b3
                         : (b0 << 3) | (b1 >> 5);
    reading.id = static_cast<std::int32_t>(id);
    if (EncodeIdentifierWord(false, reading.extended, reading.id) != word)
        return std::nullopt;
    return reading;
}

std::optional<float> DecodeAdapterFloat(const QByteArray& bytes) {
    if (bytes.size() != 4)
        return std::nullopt;
    const std::uint32_t sign = byteAt(bytes, 0) >> 7;
    const std::uint32_t fraction =
        ((byteAt(bytes, 0) & 0x7Fu) << 16) | (byteAt(bytes, 1) << 8) | byteAt(bytes, 2);
    const std::uint32_t exponent = byteAt(bytes, 3);
    if (exponent != 0 || (sign | fraction) == 0) {
        const float value = std::bit_cast<float>((sign << 31) | (exponent << 23) | fraction);
        if (std::isfinite(value) && EncodeAdapterFloat(value) == bytes)
            return value;
        return std::nullopt;
    }
    // A subnormal float keeps the top fraction bits of its double but loses
    // the exponent (the byte is 00): try each exponent a subnormal can have.
    const double significand = (sign ? -1.0 : 1.0) * (1.0 + fraction / 8388608.0);
    for (int power = -127; power >= -149; --power) {
        const double value = std::ldexp(significand, power);
        if (static_cast<float>(value) == value && EncodeAdapterFloat(value) == bytes)
            return static_cast<float>(value);
    }
    return std::nullopt;
}

QString ShortestNumberText(double near, const std::function<bool(double)>& gives) {
    if (!std::isfinite(near))
        return {};
    // A number that gives the wanted one: `near` or one of its neighbouring
    // 32-bit floats, since every number passes through one on its way.
    std::optional<double> anchor;
    float below = static_cast<float>(near), above = below;
    for (int step = 0; step < 64 && !anchor; ++step) {
        for (const double candidate : {near, double(below), double(above)}) {
            if (!anchor && gives(candidate))
                anchor = candidate;
        }
        below = std::nextafter(below, -std::numeric_limits<float>::infinity());
        above = std::nextafter(above, std::numeric_limits<float>::infinity());
    }
    if (!anchor)
        return {};
    // The numbers that give the wanted one form an interval around the
    // anchor: when any text of so many digits lies in it, so does one of the
    // two such numbers next to the anchor. With more digits that stays so,
    // hence a binary search for the fewest.
    const int magnitude =
        *anchor == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(*anchor))));
    auto shortestWith = [&](int digits) -> QString {
        const double unit = std::pow(10.0, magnitude - digits + 1);
        QStringList candidates = textsOf(*anchor, digits, magnitude);
        if (unit > 0 && std::isfinite(unit)) {
            for (const double value :
                 {std::floor(*anchor / unit) * unit, std::ceil(*anchor / unit) * unit})
                candidates += textsOf(value, digits, magnitude);
        }
        candidates.removeDuplicates();
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const QString& a, const QString& b) { return a.size() < b.size(); });
        for (const QString& text : candidates) {
            if (gives(TextToNumber(text)))
                return text;
        }
        return {};
    };
    QString best = shortestWith(17);
    int fewest = 1, most = 17;
    while (!best.isEmpty() && fewest < most) {
        const int middle = (fewest + most) / 2;
        if (const QString text = shortestWith(middle); !text.isEmpty()) {
            best = text;
            most = middle;
        } else {
            fewest = middle + 1;
        }
    }
    return best;
}

QStringList DecodeObdPriorityTable(const QByteArray& table, QList<int>* unreadableRows) {
    const qsizetype rows = table.size() / 2;
    QStringList texts;
    for (qsizetype j = 0; j < rows; ++j) {
        const std::uint8_t mask = byteAt(table, static_cast<int>(j));
        const std::uint8_t sequence = byteAt(table, static_cast<int>(rows + j));
        // Levels 1 to 8 are one bit of the mask and get a sequence number;
        // a higher level is its own mask, without one.
        if (mask == 0)
            texts.append(QStringLiteral("OFF"));
        else if (sequence == 0)
            texts.append(QString::number(mask));
        else
            texts.append(QString::number(std::countr_zero(mask) + 1));
    }
    if (unreadableRows) {
        const QByteArray rebuilt = BuildObdPriorityTable(texts);
        for (qsizetype j = 0; j < rows; ++j) {
            if (rebuilt.at(j) != table.at(j) || rebuilt.at(rows + j) != table.at(rows + j))
                unreadableRows->append(static_cast<int>(j + 1));
        }
    }
    return texts;
}

} // namespace cac
