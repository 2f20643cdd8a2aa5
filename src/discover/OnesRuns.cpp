#include "discover/OnesRuns.h"

#include "discover/CountingBits.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>

namespace cac {
namespace {

constexpr std::array<FieldOrder, 2> Orders{FieldOrder::Intel, FieldOrder::Motorola};
constexpr int Lengths = MostOnesRun + 1;
constexpr std::uint16_t Saturated = 0xFFFF;

// The frame's bits as a word whose bit 63 - i is the i-th of the order's
// sequence (SequenceBit): a run of ones in it is a run in that order.
std::uint64_t sequenceWord(std::uint64_t data, FieldOrder order) {
    return order == FieldOrder::Intel ? data : qbswap(data);
}

// A run's place in an identifier's counts: order, lowest bit of the word, length.
std::size_t slotOf(std::size_t order, int low, int length) {
    return (order * 64 + std::size_t(low)) * Lengths + std::size_t(length);
}

// Each maximal run of ones in `word`, as its lowest bit and its length, that
// may mark a field (OnesRunsOf).
template <typename F> void forEachRun(std::uint64_t word, F f) {
    // The bits that start LeastOnesRun ones: none in most frames, which
    // then cost a few shifts.
    std::uint64_t starts = word;
    for (int k = 1; k < LeastOnesRun; ++k)
        starts &= word >> k;
    while (starts != 0) {
        // The lowest such bit begins its run: the bit below it is 0.
        const int low = std::countr_zero(starts);
        const int length = std::countr_one(word >> low);
        if (length <= MostOnesRun && (low % 8 != 0 || length % 8 != 0))
            f(low, length);
        starts = low + length >= 64 ? 0 : starts & ~((std::uint64_t{1} << (low + length)) - 1);
    }
}

// The run's database bits, most significant first.
QList<int> runBits(FieldOrder order, int low, int length) {
    QList<int> bits;
    for (int index = 63 - (low + length - 1); index <= 63 - low; ++index)
        bits.append(SequenceBit(order, index));
    return bits;
}

std::uint64_t maskOf(const QList<int>& bits) {
    std::uint64_t mask = 0;
    for (const int bit : bits)
        mask |= std::uint64_t{1} << bit;
    return mask;
}

// A run that may join fields, and how their changes met.
struct Candidate {
    int identifier = 0;
    FieldOrder order = FieldOrder::Intel;
    QList<int> bits;
    QList<int> inside; // places in the identifier's cut of the changing fields it holds
    std::vector<std::uint64_t> masks;
    std::vector<qint64> changes;
    // notWith[k * n + l]: frames where field k changed and field l did not.
    std::vector<qint64> notWith;

    bool nests() const {
        const std::size_t n = masks.size();
        for (std::size_t k = 0; k < n; ++k) {
            if (changes[k] < LeastJoinedChanges)
                return false;
            for (std::size_t l = k + 1; l < n; ++l)
                if (notWith[k * n + l] != 0 && notWith[l * n + k] != 0)
                    return false;
        }
        return true;
    }
};

// The changing fields of `cut` inside the run; none when a changing field
// reaches out of it, when it holds a checksum's bits or a counter, or when
// a field inside it crosses a byte in the other order.
QList<int> fieldsInside(const SlicedIdentifier& cut, const IdentifierBits& s,
                        const QList<int>& checksum, FieldOrder order, const QList<int>& bits) {
    const std::uint64_t run = maskOf(bits);
    if ((run & maskOf(checksum)) != 0)
        return {};
    QList<int> inside;
    for (int k = 0; k < cut.fields.size(); ++k) {
        const SlicedField& field = cut.fields[k];
        const std::uint64_t mask = maskOf(field.bits);
        if ((mask & run) == 0 || field.constant)
            continue;
        if ((mask & ~run) != 0 || (field.crossesByte() && field.order != order))
            return {};
        // A counter reaching its top beside a value not yet available is
        // no part of the value, though its changes nest with the value's.
        if (HalvingBits(field.bits, s) >= 2)
            return {};
        inside.append(k);
    }
    return inside.size() >= 2 ? inside : QList<int>();
}

// The constant field less the run's bits: the pieces that stay whole in
// its order.
QList<SlicedField> outsideRun(const SlicedField& field, std::uint64_t run) {
    QList<SlicedField> pieces;
    SlicedField piece = field;
    piece.bits.clear();
    for (const int bit : field.bits) {
        if ((run >> bit & 1) == 0) {
            piece.bits.append(bit);
            continue;
        }
        if (!piece.bits.isEmpty())
            pieces.append(piece);
        piece.bits.clear();
    }
    if (!piece.bits.isEmpty())
        pieces.append(piece);
    return pieces;
}

void join(SlicedIdentifier& cut, const Candidate& c, const QList<int>& inside) {
    const std::uint64_t run = maskOf(c.bits);
    SlicedField joined;
    joined.bits = c.bits;
    joined.order = c.order;
    joined.edgeClarity = 1; // the zeros on either side of the run mark its ends
    joined.onesCode = true;
    QList<SlicedField> fields;
    for (int k = 0; k < cut.fields.size(); ++k) {
        const SlicedField& field = cut.fields[k];
        if (inside.contains(k)) {
            if (k == inside.first())
                fields.append(joined);
        } else if ((maskOf(field.bits) & run) != 0) {
            fields += outsideRun(field, run);
        } else {
            fields.append(field);
        }
    }
    cut.fields = std::move(fields);
}

} // namespace

QList<QList<int>> OnesRunsOf(std::uint64_t data, FieldOrder order) {
    QList<QList<int>> runs;
    forEachRun(sequenceWord(data, order),
               [&](int low, int length) { runs.append(runBits(order, low, length)); });
    return runs;
}

void JoinOnesRuns(std::vector<SlicedIdentifier>& sliced,
                  const std::vector<IdentifierBits>& identifiers,
                  const std::vector<QList<int>>& checksums, const FrameRecord& frames) {
    // Only identifiers with two changing fields or more can have any joined.
    std::vector<int> tallyOf(identifiers.size(), -1);
    int used = 0;
    for (std::size_t i = 0; i < sliced.size(); ++i)
        if (std::count_if(sliced[i].fields.begin(), sliced[i].fields.end(),
                          [](const SlicedField& f) { return !f.constant; }) >= 2)
            tallyOf[i] = used++;
    if (used == 0)
        return;
    std::vector<std::vector<std::uint16_t>> counts(static_cast<std::size_t>(used));
    frames.replay([&](const KeptFrame& frame) {
        const int slot = tallyOf[std::size_t(frame.identifier)];
        if (slot < 0)
            return;
        std::vector<std::uint16_t>& tally = counts[std::size_t(slot)];
        if (tally.empty())
            tally.resize(slotOf(Orders.size(), 0, 0));
        for (std::size_t o = 0; o < Orders.size(); ++o)
            forEachRun(sequenceWord(frame.data, Orders[o]), [&](int low, int length) {
                std::uint16_t& n = tally[slotOf(o, low, length)];
                n = n == Saturated ? n : std::uint16_t(n + 1);
            });
    });

    std::vector<Candidate> candidates;
    std::vector<QList<int>> byIdentifier(identifiers.size()); // places in candidates
    for (std::size_t i = 0; i < identifiers.size(); ++i) {
        if (tallyOf[i] < 0 || counts[std::size_t(tallyOf[i])].empty())
            continue;
        const std::vector<std::uint16_t>& tally = counts[std::size_t(tallyOf[i])];
        const double rare = RareOnesShare * double(identifiers[i].frames);
        for (std::size_t o = 0; o < Orders.size(); ++o)
            for (int low = 0; low < 64; ++low)
                for (int length = LeastOnesRun; length <= MostOnesRun && low + length <= 64;
                     ++length) {
                    const std::uint16_t seen = tally[slotOf(o, low, length)];
                    if (seen == 0 || seen == Saturated || double(seen) > rare)
                        continue;
                    Candidate c;
                    c.identifier = int(i);
                    c.order = Orders[o];
                    c.bits = runBits(c.order, low, length);
                    c.inside =
                        fieldsInside(sliced[i], identifiers[i], checksums[i], c.order, c.bits);
                    if (c.inside.isEmpty())
                        continue;
                    for (const int k : c.inside)
                        c.masks.push_back(maskOf(sliced[i].fields[k].bits));
                    c.changes.assign(c.masks.size(), 0);
                    c.notWith.assign(c.masks.size() * c.masks.size(), 0);
                    byIdentifier[i].append(int(candidates.size()));
                    candidates.push_back(std::move(c));
                }
    }
    if (candidates.empty())
        return;

    // How the fields inside each run changed, frame by frame.
    std::vector<std::uint64_t> previous(identifiers.size());
    std::vector<char> seen(identifiers.size(), 0);
    frames.replay([&](const KeptFrame& frame) {
        const auto i = std::size_t(frame.identifier);
        if (byIdentifier[i].isEmpty())
            return;
        const std::uint64_t moved = frame.data ^ previous[i];
        previous[i] = frame.data;
        if (!std::exchange(seen[i], char{1}) || moved == 0)
            return;
        for (const int place : std::as_const(byIdentifier[i])) {
            Candidate& c = candidates[std::size_t(place)];
            const std::size_t n = c.masks.size();
            for (std::size_t k = 0; k < n; ++k) {
                if ((moved & c.masks[k]) == 0)
                    continue;
                ++c.changes[k];
                for (std::size_t l = 0; l < n; ++l)
                    if (l != k && (moved & c.masks[l]) == 0)
                        ++c.notWith[k * n + l];
            }
        }
    });

    // The longest runs first; a run over bits an earlier one joined waits.
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& a, const Candidate& b) { return a.bits.size() > b.bits.size(); });
    std::vector<std::uint64_t> joined(identifiers.size(), 0);
    for (const Candidate& c : candidates) {
        const auto i = std::size_t(c.identifier);
        const std::uint64_t run = maskOf(c.bits);
        if ((joined[i] & run) != 0 || !c.nests())
            continue;
        // An earlier run may have changed the cut: its fields are found
        // again, and must be the ones whose changes were counted.
        const QList<int> inside =
            fieldsInside(sliced[i], identifiers[i], checksums[i], c.order, c.bits);
        std::vector<std::uint64_t> masks;
        for (const int k : inside)
            masks.push_back(maskOf(sliced[i].fields[k].bits));
        if (masks != c.masks)
            continue;
        join(sliced[i], c, inside);
        joined[i] |= run;
    }
}

} // namespace cac
