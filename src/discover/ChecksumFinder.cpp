#include "discover/ChecksumFinder.h"

#include <QStringList>

#include <algorithm>
#include <bit>

namespace cac {
namespace {

using Family = ChecksumFinder::Family;
using Cover = ChecksumFinder::Cover;
using Candidate = ChecksumFinder::Candidate;

constexpr std::array<Cover, 3> Covers{Cover::Before, Cover::After, Cover::Others};

std::uint8_t reversed(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r = std::uint8_t(r | (0x80u >> i));
    return r;
}

// One table per generator and direction, built once: 128 kB.
struct CrcTables {
    std::array<std::array<std::uint8_t, 256>, 256> normal{}, reflected{};
    CrcTables() {
        for (int poly = 0; poly < 256; ++poly) {
            const std::uint8_t rpoly = reversed(std::uint8_t(poly));
            for (int b = 0; b < 256; ++b) {
                unsigned n = unsigned(b), r = unsigned(b);
                for (int i = 0; i < 8; ++i) {
                    n = (n & 0x80u) ? ((n << 1) ^ unsigned(poly)) & 0xFFu : (n << 1) & 0xFFu;
                    r = (r & 1u) ? (r >> 1) ^ rpoly : r >> 1;
                }
                normal[std::size_t(poly)][std::size_t(b)] = std::uint8_t(n);
                reflected[std::size_t(poly)][std::size_t(b)] = std::uint8_t(r);
            }
        }
    }
};

const CrcTables& crcTables() {
    static const CrcTables tables;
    return tables;
}

// The bytes a byte candidate covers at a frame length, as a mask of bytes.
unsigned coveredBytes(int place, Cover cover, int length) {
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

int unitValue(const Candidate& c, std::uint64_t data) {
    return c.nibble ? int((data >> (4 * c.place)) & 0xFu) : int((data >> (8 * c.place)) & 0xFFu);
}

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

struct Named {
    QString text;
    bool named = false; // the constant has a reading of its own (0, the identifier, the length)
};

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
        units = bytesText(coveredBytes(c.place, c.cover, longest));
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
        return std::popcount(coveredBytes(c.place, c.cover, length));
    };
    const QString head =
        QStringLiteral("CRC-8 poly %1%2")
            .arg(hexByte(c.poly), c.reflected ? QStringLiteral(" reflected") : QString());
    const auto text = [&](int init, int xorout, bool withId) {
        return head + QStringLiteral(" init %1 xorout %2 over %3%4")
                          .arg(hexByte(init), hexByte(xorout),
                               withId ? QStringLiteral("identifier bytes, ") : QString(),
                               bytesText(coveredBytes(c.place, c.cover, longest)));
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

Named nameOf(const Candidate& c, const IdentifierKey& key, int longest) {
    return c.family == Family::Crc ? nameCrc(c, key, longest) : nameLinear(c, key, longest);
}

} // namespace

std::uint8_t Crc8(std::uint8_t poly, bool reflected, const std::uint8_t* bytes, int count,
                  std::uint8_t init) {
    const std::array<std::uint8_t, 256>& table =
        reflected ? crcTables().reflected[poly] : crcTables().normal[poly];
    std::uint8_t crc = init;
    for (int i = 0; i < count; ++i)
        crc = table[std::uint8_t(crc ^ bytes[i])];
    return crc;
}

int ChecksumFamilyValue(const Candidate& c, std::uint64_t data, int length) {
    if (c.nibble) {
        int sum = 0, x = 0;
        for (int k = 0; k < 2 * length; ++k)
            if (k != c.place) {
                const int n = int((data >> (4 * k)) & 0xFu);
                sum += n;
                x ^= n;
            }
        return c.family == Family::Xor ? x : sum & 0xF;
    }
    const unsigned mask = coveredBytes(c.place, c.cover, length);
    if (c.family == Family::Crc) {
        std::uint8_t bytes[8];
        int count = 0;
        for (int b = 0; b < length; ++b)
            if (mask & (1u << b))
                bytes[count++] = std::uint8_t(data >> (8 * b));
        return Crc8(c.poly, c.reflected, bytes, count);
    }
    int sum = 0, x = 0;
    for (int b = 0; b < length; ++b)
        if (mask & (1u << b)) {
            const int v = int((data >> (8 * b)) & 0xFFu);
            sum += v;
            x ^= v;
        }
    return c.family == Family::Xor ? x : sum & 0xFF;
}

ChecksumFinder::ChecksumFinder(IdentifierKey key) : m_key(key) {
    // The cheap families first: they are checked on every frame from the
    // start, and nearly all of them fall within a few frames.
    for (int place = 0; place < 8; ++place)
        for (const Cover cover : Covers) {
            if ((cover == Cover::Before && place == 0) || (cover == Cover::After && place == 7))
                continue;
            for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
                Candidate c;
                c.place = place;
                c.family = family;
                c.cover = cover;
                m_candidates.push_back(c);
            }
            m_crcPending[std::size_t(place)][std::size_t(cover)] = true;
        }
    for (int place = 0; place < 16; ++place)
        for (const Family family : {Family::Sum, Family::Xor, Family::NegatedSum}) {
            Candidate c;
            c.nibble = true;
            c.place = place;
            c.family = family;
            m_candidates.push_back(c);
        }
}

bool ChecksumFinder::holds(Candidate& c, std::uint64_t data, int length) const {
    // A frame too short to carry the checksum says nothing about it.
    if ((c.nibble ? (c.place / 2) : c.place) >= length)
        return true;
    const int modulo = c.nibble ? 16 : 256;
    const int value = ChecksumFamilyValue(c, data, length);
    const int check = unitValue(c, data);
    int constant = 0;
    switch (c.family) {
    case Family::Sum:
        constant = (check - value + modulo) % modulo;
        break;
    case Family::NegatedSum:
        constant = (check + value) % modulo;
        break;
    case Family::Xor:
    case Family::Crc:
        constant = check ^ value;
        break;
    }
    std::int16_t& kept = c.constant[std::size_t(length)];
    if (kept < 0)
        kept = std::int16_t(constant);
    return kept == constant;
}

void ChecksumFinder::searchCrc(int place, Cover cover, std::uint64_t anchor, std::uint64_t data,
                               int length) {
    // CRCs are linear: two frames of one length differ in their CRCs by the
    // CRC, from zero and without final XOR, of their difference, whatever
    // the start and final XOR. One pair sorts out the generators: each
    // wrong one holds by chance once in 256. The search runs once per place
    // and cover, 256 generators of a few table look-ups each.
    const std::uint64_t difference = anchor ^ data;
    Candidate probe;
    probe.place = place;
    probe.cover = cover;
    probe.family = Family::Crc;
    const int checkDifference = int((difference >> (8 * place)) & 0xFFu);
    for (const bool reflected : {false, true})
        // An even generator (no x^0 term) and x^8 + 1 (a rotation: a copy of
        // a byte) are no CRC in use.
        for (int poly = 3; poly < 256; poly += 2) {
            probe.poly = std::uint8_t(poly);
            probe.reflected = reflected;
            if (ChecksumFamilyValue(probe, difference, length) != checkDifference)
                continue;
            // Frames of other lengths met before this pair go unchecked: their
            // constant is taken from the next one of their length.
            Candidate c = probe;
            holds(c, anchor, length);
            if (holds(c, data, length))
                m_candidates.push_back(c);
        }
}

void ChecksumFinder::add(std::uint64_t data, int length) {
    length = std::clamp(length, 0, 8);
    if (m_done || (length == m_lastLength && data == m_lastData))
        return; // a repeat holds wherever its twin did
    if (m_lastLength < 0)
        m_firstData = data;
    m_lastData = data;
    m_lastLength = length;
    m_changed |= data ^ m_firstData;
    m_longest = std::max(m_longest, length);
    if (int(m_distinct.size()) < MinDistinctNibble &&
        std::find(m_distinct.begin(), m_distinct.end(), std::pair{data, length}) ==
            m_distinct.end())
        m_distinct.emplace_back(data, length);

    bool fell = false;
    for (Candidate& c : m_candidates)
        if (!holds(c, data, length)) {
            c.alive = false;
            fell = true;
        }
    if (fell)
        std::erase_if(m_candidates, [](const Candidate& c) { return !c.alive; });
    searchCrcs(data, length);
    // Nothing left to hold and no CRC search to come in the lengths met so
    // far: the rest of the log is passed over.
    m_done = m_candidates.empty();
    for (int place = 0; place < m_longest && m_done; ++place)
        for (const Cover cover : Covers)
            m_done = m_done && !(m_crcPending[std::size_t(place)][std::size_t(cover)] &&
                                 coveredBytes(place, cover, m_longest) != 0);
}

void ChecksumFinder::searchCrcs(std::uint64_t data, int length) {
    Anchor& anchor = m_anchor[std::size_t(length)];
    if (!anchor.seen) {
        anchor = {true, data};
        return;
    }
    for (int place = 0; place < length; ++place)
        for (const Cover cover : Covers) {
            bool& pending = m_crcPending[std::size_t(place)][std::size_t(cover)];
            if (!pending)
                continue;
            const unsigned mask = coveredBytes(place, cover, length);
            if (mask == 0)
                continue;
            std::uint64_t coveredBits = 0;
            for (int b = 0; b < 8; ++b)
                if (mask & (1u << b))
                    coveredBits |= std::uint64_t{0xFF} << (8 * b);
            const std::uint64_t difference = anchor.data ^ data;
            if ((difference & coveredBits) == 0 && ((difference >> (8 * place)) & 0xFFu) == 0)
                continue; // no news for this place yet
            pending = false;
            if ((difference & coveredBits) != 0)
                searchCrc(place, cover, anchor.data, data, length);
        }
}

std::optional<ChecksumFound> ChecksumFinder::result() const {
    if (int(m_distinct.size()) < MinDistinctByte)
        return std::nullopt;
    const Candidate* best = nullptr;
    Named bestName;
    int bestRank = 0;
    for (const Candidate& c : m_candidates) {
        const std::uint64_t unitMask =
            c.nibble ? std::uint64_t{0xF} << (4 * c.place) : std::uint64_t{0xFF} << (8 * c.place);
        if ((m_changed & unitMask) == 0 ||
            int(m_distinct.size()) < (c.nibble ? MinDistinctNibble : MinDistinctByte))
            continue;
        int changing = 0;
        if (c.nibble) {
            for (int k = 0; k < 2 * m_longest; ++k)
                changing += k != c.place && ((m_changed >> (4 * k)) & 0xFu) != 0;
        } else {
            const unsigned mask = coveredBytes(c.place, c.cover, m_longest);
            for (int b = 0; b < 8; ++b)
                changing += (mask & (1u << b)) && ((m_changed >> (8 * b)) & 0xFFu) != 0;
        }
        if (changing < MinChangingUnits)
            continue;
        const Named name = nameOf(c, m_key, m_longest);
        if (name.text.isEmpty())
            continue;
        // Lower is better: a whole byte before a nibble, where databases put
        // checksums (the last byte, then byte 0), a constant that reads as
        // identifier and length, then the cheaper family and the narrower cover.
        const int byteOfCheck = c.nibble ? c.place / 2 : c.place;
        const int placeRank = byteOfCheck == m_longest - 1 ? 0 : byteOfCheck == 0 ? 1 : 2;
        const int rank = (c.nibble ? 1000 : 0) + placeRank * 100 + (name.named ? 0 : 50) +
                         int(c.family) * 4 + int(c.cover);
        if (!best || rank < bestRank) {
            best = &c;
            bestName = name;
            bestRank = rank;
        }
    }
    if (!best)
        return std::nullopt;
    ChecksumFound found;
    const int width = best->nibble ? 4 : 8;
    for (int bit = width * best->place + width - 1; bit >= width * best->place; --bit)
        found.bits.append(bit);
    found.algorithm = bestName.text;
    return found;
}

void CutOutChecksum(SlicedIdentifier& cut, const QList<int>& bits) {
    QList<SlicedField> fields;
    const auto keep = [&](SlicedField& piece) {
        if (piece.bits.isEmpty())
            return;
        piece.orderUndecided = piece.orderUndecided && piece.crossesByte();
        fields.append(piece);
        piece.bits.clear();
    };
    for (const SlicedField& field : cut.fields) {
        SlicedField piece = field;
        piece.bits.clear();
        for (const int bit : field.bits) {
            if (bits.contains(bit))
                keep(piece);
            else
                piece.bits.append(bit);
        }
        keep(piece);
    }
    SlicedField checksum; // a byte or nibble reads alike in either order
    checksum.bits = bits;
    checksum.order = cut.order;
    fields.append(checksum);
    cut.fields = fields;
}

} // namespace cac
