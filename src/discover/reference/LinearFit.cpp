#include "discover/reference/LinearFit.h"

#include <algorithm>
#include <cmath>

namespace cac {
namespace {

// Significant digits of `value` written in steps of 10^exponent.
int DigitsAt(double value, int exponent) {
    return value == 0 ? 0 : int(std::floor(std::log10(std::abs(value)))) - exponent + 1;
}

// SimplestWithin, also telling the exponent of its last digit.
double Simplest(double value, double tolerance, int& exponent) {
    exponent = 0;
    if (!(tolerance > 0) || !std::isfinite(value))
        return value;
    if (std::abs(value) <= tolerance)
        return 0;
    const int top = int(std::floor(std::log10(std::abs(value)))) + 1;
    for (exponent = top; exponent > top - 17; --exponent) {
        const double step = std::pow(10.0, exponent);
        const double rounded = std::round(value / step) * step;
        if (rounded != 0 && std::abs(rounded - value) <= tolerance)
            return rounded;
    }
    return value;
}

} // namespace

LineFit FitLine(const std::vector<RawValuePair>& pairs) {
    LineFit fit;
    fit.pairs = int(pairs.size());
    if (pairs.size() < 3)
        return fit;
    // Two passes: sums about the means keep their digits for raw values
    // far from zero.
    double sumX = 0, sumY = 0;
    for (const auto& [x, y] : pairs) {
        sumX += x;
        sumY += y;
    }
    const double n = double(pairs.size());
    fit.meanX = sumX / n;
    fit.meanY = sumY / n;
    double sxx = 0, syy = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        const double dx = x - fit.meanX, dy = y - fit.meanY;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    if (!(sxx > 0) || !(syy > 0))
        return fit;
    fit.ok = true;
    fit.slope = sxy / sxx;
    fit.intercept = fit.meanY - fit.slope * fit.meanX;
    fit.correlation = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
    const double residualSquares = std::max(syy - fit.slope * sxy, 0.0);
    const double variance = residualSquares / (n - 2);
    fit.slopeError = std::sqrt(variance / sxx);
    fit.interceptError = std::sqrt(variance * (1 / n + fit.meanX * fit.meanX / sxx));
    return fit;
}

double SimplestWithin(double value, double tolerance) {
    int exponent = 0;
    return Simplest(value, tolerance, exponent);
}

AdapterConversion SimplestConversion(const LineFit& fit) {
    AdapterConversion c;
    if (!fit.ok || fit.slope == 0)
        return c;
    // Within three standard errors, but never further than 0.5 % (a factor
    // within 1 % is what a channel needs) and always as far as 0.02 %, since
    // aligned samples rarely give independent errors.
    const double relative = std::clamp(3 * fit.slopeError / std::abs(fit.slope), 2e-4, 5e-3);
    const double factor = fit.slope;
    int scaleExponent = 0, factorExponent = 0;
    const double scale = Simplest(1 / factor, relative / std::abs(factor), scaleExponent);
    const double simpleFactor = Simplest(factor, relative * std::abs(factor), factorExponent);
    c.scale = DigitsAt(simpleFactor, factorExponent) < DigitsAt(scale, scaleExponent)
                  ? 1 / simpleFactor
                  : scale;
    const double best = fit.meanY - fit.meanX / c.scale;
    const double halfStep = 0.5 / std::abs(c.scale);
    c.offset =
        SimplestWithin(best, std::min(3 * fit.interceptError + 1e-12 * std::abs(best), halfStep));
    return c;
}

double ConversionResidual(const std::vector<RawValuePair>& pairs, AdapterConversion conversion) {
    if (pairs.empty())
        return 0;
    double squares = 0;
    for (const auto& [x, y] : pairs) {
        const double d = y - (x / conversion.scale + conversion.offset);
        squares += d * d;
    }
    return std::sqrt(squares / double(pairs.size()));
}

} // namespace cac
