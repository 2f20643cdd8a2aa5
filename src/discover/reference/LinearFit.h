#pragma once

#include <utility>
#include <vector>

namespace cac {

// An (x, y) pair: a field's raw value and the reference's value at one time.
using RawValuePair = std::pair<double, double>;

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

// The number with the fewest significant decimal digits within `tolerance`
// of `value` (0 when |value| <= tolerance); `value` when the tolerance is 0.
double SimplestWithin(double value, double tolerance);

// The adapter's conversion for a fit, value = raw / scale + offset: the
// simplest scale (or simplest factor 1 / scale, whichever has fewer digits)
// the fit's precision allows, then the offset that best fits that scale,
// likewise made simple within its precision and within half a step.
struct AdapterConversion {
    double scale = 1;
    double offset = 0;
};
AdapterConversion SimplestConversion(const LineFit& fit);

// RMS of y - (x / scale + offset) over the pairs.
double ConversionResidual(const std::vector<RawValuePair>& pairs, AdapterConversion conversion);

} // namespace cac
