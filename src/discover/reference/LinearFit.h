#pragma once

#include <utility>
#include <vector>

namespace cac {

// An (x, y) pair: a field's raw value and the reference's value at one time.
using RawValuePair = std::pair<double, double>;

// What a least-squares line needs of (x, y) pairs: their number, means and
// sums of squares about the means.
struct PairSums {
    long long count = 0;
    double meanX = 0, meanY = 0;
    double sxx = 0, syy = 0, sxy = 0;

    // The same of pairs held at once: the means first, then the sums.
    static PairSums of(const std::vector<RawValuePair>& pairs);
};

// The same gathered a pair at a time: a drive of hours fits exactly as its
// pairs would all at once, in constant memory. A block of pairs is summed
// about the means so far (about its first pair at the start), with no
// division per pair, then folded into the sums about the new means; the
// block's values lie near that centre, so the sums keep their digits for
// raw values far from zero.
//
// Two readings of x may share each pair's y (a field's raw value read
// unsigned and as two's complement): from `part` on, the second reading
// goes its own way from a copy of the first, and each pair brings both.
// The y sums are kept once for both.
class RunningPairSums {
public:
    // Before `part`: one reading.
    void add(double x, double y) {
        const double dy = centred(x, x, y);
        m_first.add(x, dy);
        closePair();
    }
    // After `part`: both readings.
    void add(double x, double xApart, double y) {
        const double dy = centred(x, xApart, y);
        m_first.add(x, dy);
        m_second.add(xApart, dy);
        closePair();
    }
    // The second reading, so far the same as the first, from now on its own.
    void part() {
        m_second = m_first;
        m_secondSums = m_firstSums;
        m_parted = true;
    }
    // The first reading's sums, or the second's once parted.
    PairSums sums(bool second = false) const;

private:
    // Pairs a block sums before it is folded: one division per block.
    static constexpr int BlockPairs = 64;

    // One reading's part of a block, about its centre.
    struct Reading {
        double centre = 0;
        double sx = 0, sxx = 0, sxy = 0;
        void add(double x, double dy) {
            const double dx = x - centre;
            sx += dx;
            sxx += dx * dx;
            sxy += dx * dy;
        }
    };

    double centred(double x, double xApart, double y) {
        if (m_block == 0 && m_firstSums.count == 0) { // the first pair
            m_first.centre = x;
            m_second.centre = xApart;
            m_centreY = y;
        }
        const double dy = y - m_centreY;
        m_sy += dy;
        m_syy += dy * dy;
        return dy;
    }
    void closePair() {
        if (++m_block == BlockPairs)
            fold();
    }
    void fold();
    static void fold(PairSums& sums, Reading& reading, double sy, double syy, int block,
                     double centreY);

    // What each pair touches before the readings part, in one cache line.
    alignas(64) double m_centreY = 0;
    double m_sy = 0, m_syy = 0; // the block's, about the centre
    int m_block = 0;
    bool m_parted = false;
    Reading m_first;
    Reading m_second;
    PairSums m_firstSums, m_secondSums; // of the pairs folded so far
};

// The least-squares line y = slope * x + intercept through the pairs, with
// Pearson's r and the standard errors of slope and intercept.
struct LineFit {
    bool ok = false; // at least 3 pairs, neither x nor y constant
    int pairs = 0;
    double slope = 0;
    double intercept = 0;
    double correlation = 0;
    double slopeError = 0;
    double interceptError = 0;
    double meanX = 0;
    double meanY = 0;
};

LineFit FitLine(const std::vector<RawValuePair>& pairs);
LineFit FitLine(const PairSums& sums);

// The number with the fewest significant decimal digits within `tolerance`
// of `value` (0 when |value| <= tolerance); `value` when the tolerance is 0.
double SimplestWithin(double value, double tolerance);

// The simplest scale for a factor within `relative` of it: the simplest
// scale, or the inverse of the simplest factor when that has fewer digits
// (2.55 for a factor of 100/255, 1/0.3 kept exact for a factor 0.3).
double SimplestScale(double factor, double relative);

// The adapter's conversion for a fit, value = raw / scale + offset.
struct AdapterConversion {
    double scale = 1;
    double offset = 0;
};

// How much worse than the least-squares line a simpler conversion may fit:
// half the quantity's step, i.e. its RMS residual may grow by that much.
// Within half a step the simpler numbers read the same values as the fitted
// ones would, rounded to the quantity's own resolution.
inline constexpr double StepShare = 0.5;

// The simplest conversion whose RMS residual over the pairs stays within
// StepShare * step of the least-squares line's: scale first (fewest digits,
// trying looser tolerances from 0.02 % to 0.5 % of the factor), then the
// offset with fewest digits (0 when allowed). `step` is the quantity's
// resolution (the coarser of the reference's and one raw count of the field); 0
// keeps the fit's own precision only.
AdapterConversion SimplestConversion(const LineFit& fit, const std::vector<RawValuePair>& pairs,
                                     double step);
AdapterConversion SimplestConversion(const LineFit& fit, const PairSums& sums, double step);

// The smallest positive difference between any two of the values, 0 when
// they are all alike: the resolution a reference is given in.
double ValueStep(std::vector<double> values);

// RMS of y - (x / scale + offset) over the pairs.
double ConversionResidual(const std::vector<RawValuePair>& pairs, AdapterConversion conversion);
double ConversionResidual(const PairSums& sums, AdapterConversion conversion);

} // namespace cac
