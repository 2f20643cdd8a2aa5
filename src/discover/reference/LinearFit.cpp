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

double SimplestScale(double factor, double relative) {
    if (factor == 0 || !std::isfinite(factor))
        return factor == 0 ? 0 : 1 / factor;
    int scaleExponent = 0, factorExponent = 0;
    const double scale = Simplest(1 / factor, relative / std::abs(factor), scaleExponent);
    const double simpleFactor = Simplest(factor, relative * std::abs(factor), factorExponent);
    return DigitsAt(simpleFactor, factorExponent) < DigitsAt(scale, scaleExponent)
               ? 1 / simpleFactor
               : scale;
}

AdapterConversion SimplestConversion(const LineFit& fit, const std::vector<RawValuePair>& pairs,
                                     double step) {
    AdapterConversion c;
    if (!fit.ok || fit.slope == 0 || pairs.empty())
        return c;
    // Sums about the means give any line's mean square error at once:
    // mean((dy - f dx)^2) + (meanY - f meanX - offset)^2.
    double sxx = 0, syy = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        const double dx = x - fit.meanX, dy = y - fit.meanY;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    const double n = double(pairs.size());
    const auto meanSquare = [&](double factor, double offset) {
        const double bias = fit.meanY - factor * fit.meanX - offset;
        return std::max(0.0, (syy - 2 * factor * sxy + factor * factor * sxx) / n) + bias * bias;
    };
    const double bestRms = std::sqrt(meanSquare(fit.slope, fit.intercept));
    // Rounding in the sums must not refuse the exact numbers of an exact fit.
    const double slack = 1e-9 * (std::sqrt(syy / n) + std::abs(fit.meanY));
    const double limit = bestRms + StepShare * std::max(step, 0.0) + slack;
    // A scale further than this from the fit is never taken: a channel's
    // factor within 1 % is what a logger needs, and 0.5 % leaves margin.
    constexpr double FarthestScale = 5e-3;
    c = {1 / fit.slope, fit.intercept};
    // Tolerances from loose to tight: the loosest whose numbers still fit
    // gives the fewest digits.
    for (const double relative : {FarthestScale, 2e-3, 1e-3, 5e-4, 2e-4, 1e-4, 1e-5, 1e-6, 0.0}) {
        const double scale = relative > 0 ? SimplestScale(fit.slope, relative) : 1 / fit.slope;
        if (!(scale != 0) || !std::isfinite(scale))
            continue;
        const double factor = 1 / scale;
        const double best = fit.meanY - factor * fit.meanX;
        if (std::sqrt(meanSquare(factor, best)) > limit)
            continue;
        // The offset with the fewest digits whose fit stays within the limit:
        // the most the offset may move is where the mean square reaches it.
        const double room = std::sqrt(std::max(0.0, limit * limit - meanSquare(factor, best)));
        c = {scale, SimplestWithin(best, room)};
        return c;
    }
    return c;
}

double ValueStep(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double step = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        const double d = values[i] - values[i - 1];
        if (d > 0 && (step == 0 || d < step))
            step = d;
    }
    return step;
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
