#include "discover/CountingBits.h"

namespace cac {
namespace {

// A counter steps once a frame: its lowest bit flips in nearly every frame
// (the tally's share of steps by one, FieldTally::CountingShare) and each bit
// above it about half as often as the one below: a counter that skips a step
// in one frame of five flips its second bit in 0.68 of its first's flips,
// hence HalvingHigh; far fewer is a drop the cut mostly sees already.
constexpr double HalvingLow = 0.3, HalvingHigh = 0.75;

} // namespace

double FlipsFromBottom(const QList<int>& bits, const IdentifierBits& s, int at) {
    return static_cast<double>(s.flips[static_cast<std::size_t>(bits[bits.size() - at])]);
}

int HalvingBits(const QList<int>& bits, const IdentifierBits& s, double lowestRate) {
    const auto n = static_cast<int>(bits.size());
    if (n == 0 || s.rate(bits.last()) < lowestRate)
        return 0;
    int k = 1;
    while (k < n) {
        const double below = FlipsFromBottom(bits, s, k), next = FlipsFromBottom(bits, s, k + 1);
        if (next < HalvingLow * below || next > HalvingHigh * below)
            break;
        ++k;
    }
    return k;
}

bool HoldsCounter(std::uint64_t bits, const IdentifierBits& s) {
    for (int bit = 0; bit < 64; ++bit)
        if (bit % 8 != 7 && (bits >> bit & 3u) == 3u && HalvingBits({bit + 1, bit}, s) >= 2)
            return true;
    return false;
}

} // namespace cac
