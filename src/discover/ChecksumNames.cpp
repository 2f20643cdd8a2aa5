// The texts that name a checksum which held on every frame: its family,
// the bytes it covers and its constant, read the simplest way that fits.
#include "discover/ChecksumNames.h"

#include <QStringList>

#include <algorithm>
#include <bit>

namespace cac::checksums {

using Family = ChecksumFinder::Family;
using Cover = ChecksumFinder::Cover;
using Candidate = ChecksumFinder::Candidate;

// The bytes a byte candidate covers at a frame length, as a mask of bytes.
unsigned CoveredBytes(int place, Cover cover, int length) {
    const unsigned all = (1u << length) - 1u;
    switch (cover) {
    case Cover::Before:
        return ((1u << place) - 1u) & all;
    case Cover::After:
        return all & ~((2u << place) - 1u);
    case Cover::Others:
        break;
    }
    return all & ~(1u << place);
}

std::uint64_t BitsOfBytes(unsigned bytes) {
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b)
        if (bytes & (1u << b))
            bits |= std::uint64_t{0xFF} << (8 * b);
    return bits;
}

namespace {

QList<std::uint8_t> identifierBytes(const IdentifierKey& key) {
    QList<std::uint8_t> bytes;
    for (int shift = key.extended ? 24 : 8; shift >= 0; shift -= 8)
        bytes.append(std::uint8_t(key.id >> shift));
    return bytes;
}

QString hexByte(int value) {
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// "bytes 0-2, 4-7" from a mask of bytes: plain ASCII, as a database comment
// is written in Latin-1.
QString bytesText(unsigned mask) {
    QStringList runs;
    int count = 0;
    for (int b = 0; b < 8; ++b) {
        if (!(mask & (1u << b)))
            continue;
        int e = b;
        while (e + 1 < 8 && (mask & (1u << (e + 1))))
            ++e;
        runs.append(e == b ? QString::number(b) : QString::number(b) + u'-' + QString::number(e));
        count += e - b + 1;
        b = e;
    }
    return (count == 1 ? QStringLiteral("byte ") : QStringLiteral("bytes ")) +
           runs.join(QStringLiteral(", "));
}

// The register a CRC holds after `count` zero bytes from `init`.
std::uint8_t zeroRun(const Candidate& c, std::uint8_t init, int count) {
    const std::uint8_t zeros[8]{};
    return Crc8(c.poly, c.reflected, zeros, count, init);
}

std::vector<int> lengthsOf(const Candidate& c) {
    std::vector<int> lengths;
    for (int length = 0; length <= 8; ++length)
        if (c.constant[std::size_t(length)] >= 0)
            lengths.push_back(length);
    return lengths;
}

// A sum, negated sum or XOR: the constant read as identifier bytes, length
// and a remainder, the simplest reading that fits every length.
Named nameLinear(const Candidate& c, const IdentifierKey& key, int longest) {
    const int modulo = c.nibble ? 16 : 256;
    int idTerm = 0;
    if (c.nibble) {
        for (std::uint32_t id = key.id; id != 0; id >>= 4)
            idTerm = c.family == Family::Xor ? (idTerm ^ int(id & 0xFu)) : idTerm + int(id & 0xFu);
    } else {
        for (const std::uint8_t b : identifierBytes(key))
            idTerm = c.family == Family::Xor ? (idTerm ^ b) : idTerm + b;
    }
    const std::vector<int> lengths = lengthsOf(c);
    // upTo: the length counted as far as the checksum's byte, for a
    // checksum whose frame runs on past it with bytes it leaves out.
    struct Reading {
        bool id, length, upTo = false;
    };
    QString units;
    if (c.nibble)
        units = QStringLiteral("the frame's other nibbles");
    else
        units = bytesText(CoveredBytes(c.place, c.cover, longest));
    const char* const idUnits = c.nibble ? "identifier nibbles" : "identifier bytes";
    const QString join = c.family == Family::Xor ? QStringLiteral(" ^ ") : QStringLiteral(" + ");
    for (const bool exact : {true, false})
        for (const Reading r :
             {Reading{false, false}, Reading{true, true}, Reading{true, true, true},
              Reading{true, false}, Reading{false, true}}) {
            const int upTo = c.nibble ? c.place / 2 + 1 : c.place + 1;
            // The remainder left once identifier and length are taken out.
            int rest = -1;
            bool fits = true;
            for (const int length : lengths) {
                const int k = c.constant[std::size_t(length)];
                int taken = 0;
                if (r.id)
                    taken = c.family == Family::Xor ? (taken ^ idTerm) : taken + idTerm;
                const int lengthTerm = r.upTo ? upTo : length;
                if (r.length)
                    taken = c.family == Family::Xor ? (taken ^ lengthTerm) : taken + lengthTerm;
                const int left = c.family == Family::Xor ? k ^ (taken % modulo)
                                 : c.family == Family::Sum
                                     ? ((k - taken) % modulo + modulo) % modulo
                                     : (k + taken) % modulo;
                if (rest < 0)
                    rest = left;
                else if (rest != left)
                    fits = false;
            }
            if (!fits || (exact && rest != 0))
                continue;
            QString terms = units;
            if (r.id)
                terms += join + QLatin1String(idUnits);
            if (r.length)
                terms += join + (r.upTo ? QString::number(upTo) : QStringLiteral("length"));
            const QString tail =
                c.family == Family::Xor ? QString() : QStringLiteral(", modulo %1").arg(modulo);
            const QString restText =
                c.nibble ? QStringLiteral("0x") + QString::number(rest, 16).toUpper()
                         : hexByte(rest);
            QString text;
            if (c.family == Family::Sum)
                text =
                    QStringLiteral("sum of ") + terms + (rest ? join + restText : QString()) + tail;
            else if (c.family == Family::Xor)
                text = QStringLiteral("XOR of ") + terms + (rest ? join + restText : QString());
            else
                text = (rest ? restText + QStringLiteral(" minus the sum of ")
                             : QStringLiteral("negated sum of ")) +
                       terms + tail;
            return {text, exact};
        }
    return {};
}

Named nameCrc(const Candidate& c, const IdentifierKey& key, int longest) {
    const std::vector<int> lengths = lengthsOf(c);
    const QList<std::uint8_t> idBytes = identifierBytes(key);
    const auto covered = [&](int length) {
        return std::popcount(CoveredBytes(c.place, c.cover, length));
    };
    const QString head =
        QStringLiteral("CRC-8 poly %1%2")
            .arg(hexByte(c.poly), c.reflected ? QStringLiteral(" reflected") : QString());
    const auto text = [&](int init, int xorout, bool withId) {
        return head + QStringLiteral(" init %1 xorout %2 over %3%4")
                          .arg(hexByte(init), hexByte(xorout),
                               withId ? QStringLiteral("identifier bytes, ") : QString(),
                               bytesText(CoveredBytes(c.place, c.cover, longest)));
    };
    const auto fits = [&](int init, int xorout, bool withId) {
        std::uint8_t start = std::uint8_t(init);
        if (withId)
            start = Crc8(c.poly, c.reflected, idBytes.constData(), int(idBytes.size()), start);
        return std::all_of(lengths.begin(), lengths.end(), [&](int length) {
            return c.constant[std::size_t(length)] == (zeroRun(c, start, covered(length)) ^ xorout);
        });
    };
    static constexpr std::array<std::pair<int, int>, 4> Usual{
        {{0x00, 0x00}, {0xFF, 0xFF}, {0xFF, 0x00}, {0x00, 0xFF}}};
    for (const bool withId : {false, true})
        for (const auto& [init, xorout] : Usual)
            if (fits(init, xorout, withId))
                return {text(init, xorout, withId), true};
    // Any other start: the final XOR follows from the first length.
    if (lengths.empty())
        return {};
    for (int init = 0; init < 256; ++init) {
        const int xorout = c.constant[std::size_t(lengths.front())] ^
                           zeroRun(c, std::uint8_t(init), covered(lengths.front()));
        if (fits(init, xorout, false))
            return {text(init, xorout, false), false};
    }
    return {};
}

} // namespace

Named NameOf(const Candidate& c, const IdentifierKey& key, int longest) {
    return c.family == Family::Crc ? nameCrc(c, key, longest) : nameLinear(c, key, longest);
}

Named NameOf(const DataIdCrcSearch::Candidate& c, int length) {
    constexpr std::uint8_t Init = 0xFF, XorOut = 0xFF;
    const unsigned covered = CoveredBytes(c.place, c.cover, length);
    // The check is T(register after the covered bytes ^ data ID) ^ XorOut,
    // T one step of the CRC: the register's share is the zero run's, and
    // the constant keeps the rest.
    const std::uint8_t zeros[8]{};
    const std::uint8_t run = Crc8(c.poly, c.reflected, zeros, std::popcount(covered), Init);
    std::array<int, 256> inverse{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t b = std::uint8_t(x);
        inverse[Crc8(c.poly, c.reflected, &b, 1)] = x;
    }
    QStringList ids;
    for (int value = 0; value < 16; ++value) {
        const int k = c.constant[std::size_t(value)];
        if (k < 0) {
            ids.append(QStringLiteral("--"));
            continue;
        }
        ids.append(hexByte(inverse[std::size_t(k ^ XorOut)] ^ run));
    }
    QString text = QStringLiteral("CRC-8 poly %1%2 init %3 xorout %4 over %5, then ")
                       .arg(hexByte(c.poly), c.reflected ? QStringLiteral(" reflected") : QString(),
                            hexByte(Init), hexByte(XorOut), bytesText(covered));
    // "--" for a value the log never showed.
    const int low = 4 * c.selector;
    text += QStringLiteral("a data ID per value of bits %1-%2 (0 to 15): ").arg(low).arg(low + 3) +
            ids.join(u' ');
    return {text, true};
}

QString BesideCounterNote() {
    return QStringLiteral(", or a copy of the counter: nothing else it covers moved in this log");
}

QString CycleWithCounterNote() {
    return QStringLiteral("it changes with the counter, and nothing else in the frame moved");
}

} // namespace cac::checksums
