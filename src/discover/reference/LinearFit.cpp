#include "discover/reference/LinearFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

PairSums PairSums::of(const std::vector<RawValuePair>& pairs) {
    PairSums sums;
    sums.count = static_cast<long long>(pairs.size());
    if (pairs.empty())
        return sums;
    // Two passes: sums about the means keep their digits for raw values
    // far from zero.
    double sumX = 0, sumY = 0;
    for (const auto& [x, y] : pairs) {
        sumX += x;
        sumY += y;
    }
    const double n = double(pairs.size());
    sums.meanX = sumX / n;
    sums.meanY = sumY / n;
    for (const auto& [x, y] : pairs) {
        const double dx = x - sums.meanX, dy = y - sums.meanY;
        sums.sxx += dx * dx;
        sums.syy += dy * dy;
        sums.sxy += dx * dy;
    }
    return sums;
}

// The block's own means and sums about them, then the two groups joined:
// the sums about the joint means grow by the squared distance between the
// groups' means, weighted n * m / (n + m).
void RunningPairSums::fold(PairSums& sums, Reading& reading, double sy, double syy, int block,
                           double centreY) {
    const double n = double(sums.count), m = double(block), total = n + m;
    const double blockMeanX = reading.centre + reading.sx / m, blockMeanY = centreY + sy / m;
    const double dx = blockMeanX - sums.meanX, dy = blockMeanY - sums.meanY;
    const double weight = n * m / total;
    sums.sxx += reading.sxx - reading.sx * reading.sx / m + dx * dx * weight;
    sums.syy += syy - sy * sy / m + dy * dy * weight;
    sums.sxy += reading.sxy - reading.sx * sy / m + dx * dy * weight;
    sums.meanX += dx * m / total;
    sums.meanY += dy * m / total;
    sums.count += block;
    reading = {sums.meanX, 0, 0, 0};
}

void RunningPairSums::fold() {
    if (m_block == 0)
        return;
    fold(m_firstSums, m_first, m_sy, m_syy, m_block, m_centreY);
    if (m_parted)
        fold(m_secondSums, m_second, m_sy, m_syy, m_block, m_centreY);
    m_centreY = m_firstSums.meanY;
    m_sy = m_syy = 0;
    m_block = 0;
}

PairSums RunningPairSums::sums(bool second) const {
    RunningPairSums all = *this;
    all.fold();
    return second && all.m_parted ? all.m_secondSums : all.m_firstSums;
}

LineFit FitLine(const std::vector<RawValuePair>& pairs) {
    return FitLine(PairSums::of(pairs));
}

LineFit FitLine(const PairSums& sums) {
    LineFit fit;
    fit.pairs = int(std::min<long long>(sums.count, std::numeric_limits<int>::max()));
    if (sums.count < 3)
        return fit;
    const double n = double(sums.count);
    fit.meanX = sums.meanX;
    fit.meanY = sums.meanY;
    const double sxx = sums.sxx, syy = sums.syy, sxy = sums.sxy;
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
    return SimplestConversion(fit, PairSums::of(pairs), step);
}

AdapterConversion SimplestConversion(const LineFit& fit, const PairSums& sums, double step) {
    AdapterConversion c;
    if (!fit.ok || fit.slope == 0 || sums.count == 0)
        return c;
    // Sums about the means give any line's mean square error at once:
    // mean((dy - f dx)^2) + (meanY - f meanX - offset)^2.
    const double sxx = sums.sxx, syy = sums.syy, sxy = sums.sxy;
    const double n = double(sums.count);
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

double ConversionResidual(const PairSums& sums, AdapterConversion conversion) {
    if (sums.count == 0)
        return 0;
    const double factor = 1 / conversion.scale;
    const double bias = sums.meanY - factor * sums.meanX - conversion.offset;
    const double spread =
        (sums.syy - 2 * factor * sums.sxy + factor * factor * sums.sxx) / double(sums.count);
    return std::sqrt(std::max(0.0, spread) + bias * bias);
}

} // namespace cac
