#include "discover/reference/FieldMatch.h"

#include "discover/reference/LinearFit.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace cac {
namespace {

struct TimedValue {
    double time;
    double value;
};

// The samples within [from, to].
std::vector<TimedValue> Within(const std::vector<TimedValue>& series, double from, double to) {
    std::vector<TimedValue> out;
    for (const TimedValue& s : series) {
        if (s.time >= from && s.time <= to)
            out.push_back(s);
    }
    return out;
}

// How far apart two samples of the dense series may lie for a value
// interpolated between them: a few of its usual (median) intervals, so a
// pause in the traffic gives no invented values.
double LargestGap(const std::vector<TimedValue>& dense) {
    std::vector<double> steps;
    for (std::size_t i = 1; i < dense.size(); ++i)
        steps.push_back(dense[i].time - dense[i - 1].time);
    if (steps.empty())
        return 0;
    const auto middle = steps.begin() + std::ptrdiff_t(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    const double mean = (dense.back().time - dense.front().time) / double(steps.size());
    return 4 * (*middle > 0 ? *middle : mean);
}

// The dense series' value at each time of the sparse one, where samples lie
// close enough on both sides: (sparse value, dense value) pairs.
std::vector<std::pair<double, double>> Interpolated(const std::vector<TimedValue>& sparse,
                                                    const std::vector<TimedValue>& dense) {
    std::vector<std::pair<double, double>> pairs;
    const double gap = LargestGap(dense);
    std::size_t j = 0;
    for (const TimedValue& s : sparse) {
        while (j + 1 < dense.size() && dense[j + 1].time <= s.time)
            ++j;
        if (dense.empty() || dense[j].time > s.time)
            continue;
        if (dense[j].time == s.time) {
            pairs.emplace_back(s.value, dense[j].value);
            continue;
        }
        if (j + 1 >= dense.size())
            continue;
        const TimedValue& a = dense[j];
        const TimedValue& b = dense[j + 1];
        if (b.time - a.time > gap)
            continue;
        const double w = (s.time - a.time) / (b.time - a.time);
        pairs.emplace_back(s.value, a.value + w * (b.value - a.value));
    }
    return pairs;
}

// (raw, value) pairs of a field and a reference on the same clock: the denser
// series interpolated at the sparser one's times where both have values.
std::vector<RawValuePair> Aligned(const std::vector<FieldSample>& samples,
                                  const std::vector<TimedValue>& reference) {
    if (samples.empty() || reference.empty())
        return {};
    std::vector<TimedValue> field;
    field.reserve(samples.size());
    for (const FieldSample& s : samples)
        field.push_back({s.time, s.raw});
    const double from = std::max(field.front().time, reference.front().time);
    const double to = std::min(field.back().time, reference.back().time);
    if (from > to)
        return {};
    const std::vector<TimedValue> f = Within(field, from, to);
    const std::vector<TimedValue> r = Within(reference, from, to);
    if (f.size() <= r.size())
        return Interpolated(f, r);
    std::vector<RawValuePair> pairs;
    for (const auto& [value, raw] : Interpolated(r, f))
        pairs.emplace_back(raw, value);
    return pairs;
}

// Seconds as written in a log, dates included: "1717000005.25".
QString SecondsText(double seconds) {
    QString text = QString::number(seconds, 'f', 3);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// Both spans, and whether a reference counted in milliseconds would meet the
// log: a likely cause, said as a question rather than taken for granted.
QString NoSharedTimeText(const std::vector<TimedValue>& ref,
                         const std::vector<CandidateField>& fields, long long shared) {
    double from = INFINITY, to = -INFINITY;
    for (const CandidateField& f : fields) {
        if (!f.samples.empty()) {
            from = std::min(from, f.samples.front().time);
            to = std::max(to, f.samples.back().time);
        }
    }
    QString text = QStringLiteral("the reference (%1 s to %2 s) shares %3 with the log")
                       .arg(SecondsText(ref.front().time), SecondsText(ref.back().time),
                            shared == 0 ? QStringLiteral("no time")
                                        : QStringLiteral("only %1 of its times").arg(shared));
    if (from > to)
        return text;
    text += QStringLiteral(" (%1 s to %2 s)").arg(SecondsText(from), SecondsText(to));
    // Milliseconds as written (dates too), or counted from the log's start.
    const auto meets = [&](double first, double last) { return first <= to && last >= from; };
    const double start = ref.front().time, span = ref.back().time - start;
    if (meets(start / 1000, ref.back().time / 1000) || meets(start, start + span / 1000))
        text += QStringLiteral("; if its times are milliseconds, name its time column "
                               "\"time [ms]\"");
    return text;
}

// Said where the log offers no candidate at all, so a refusal is never empty.
QString NoFieldText() {
    return QStringLiteral("the log has no field that changes, so nothing can be matched");
}

} // namespace

MatchRanking RankFieldsAgainst(const std::vector<CandidateField>& fields,
                               const ReferenceSeries& reference, int paired) {
    MatchRanking ranking;
    std::vector<TimedValue> ref;
    for (const ReferencePoint& p : reference.points)
        ref.push_back({p.time, p.value});
    std::stable_sort(ref.begin(), ref.end(),
                     [](const TimedValue& a, const TimedValue& b) { return a.time < b.time; });
    if (ref.size() < std::size_t(MinimumPairs)) {
        ranking.error = QStringLiteral("the reference has %1 value(s); a match needs %2")
                            .arg(ref.size())
                            .arg(MinimumPairs);
        return ranking;
    }
    const auto [low, high] =
        std::minmax_element(ref.begin(), ref.end(), [](const TimedValue& a, const TimedValue& b) {
            return a.value < b.value;
        });
    if (low->value == high->value) {
        ranking.error = QStringLiteral("the reference stays at %1 throughout: it names no field")
                            .arg(low->value);
        return ranking;
    }
    std::vector<double> values;
    values.reserve(ref.size());
    for (const TimedValue& v : ref)
        values.push_back(v.value);
    const double step = ValueStep(std::move(values));
    long long mostShared = 0; // pairs of the field that shares most time with it
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].kind != CandidateKind::Continuous)
            continue;
        const std::vector<PairSums>& exact = fields[i].paired;
        const bool pairedHere = paired >= 0 && std::size_t(paired) < exact.size();
        const std::vector<RawValuePair> pairs =
            pairedHere ? std::vector<RawValuePair>{} : Aligned(fields[i].samples, ref);
        const PairSums sums = pairedHere ? exact[std::size_t(paired)] : PairSums::of(pairs);
        mostShared = std::max(mostShared, sums.count);
        const LineFit fit = FitLine(sums);
        if (!fit.ok)
            continue;
        FieldMatch m;
        m.candidate = int(i);
        m.correlation = fit.correlation;
        m.fittedScale = 1 / fit.slope;
        m.fittedOffset = fit.intercept;
        // The quantity's step: the coarser of the reference's resolution and
        // one raw count of the field.
        const AdapterConversion c =
            SimplestConversion(fit, sums, std::max(step, std::abs(fit.slope)));
        m.scale = c.scale;
        m.offset = c.offset;
        m.residual = pairedHere ? ConversionResidual(sums, c) : ConversionResidual(pairs, c);
        m.pairs = fit.pairs;
        ranking.matches.push_back(m);
    }
    std::stable_sort(ranking.matches.begin(), ranking.matches.end(),
                     [](const FieldMatch& a, const FieldMatch& b) {
                         return std::abs(a.correlation) > std::abs(b.correlation);
                     });
    if (fields.empty())
        ranking.error = NoFieldText();
    else if (ranking.matches.empty())
        ranking.error = mostShared >= MinimumPairs
                            ? QStringLiteral("no field changes while the reference does")
                            : NoSharedTimeText(ref, fields, mostShared);
    return ranking;
}

MatchRanking RankFieldsByHint(const std::vector<CandidateField>& fields,
                              const ReferenceHint& hint) {
    MatchRanking ranking;
    ranking.scoreName = QStringLiteral("hint score");
    const double span = hint.maximum - hint.minimum;
    const auto inWindow = [&](double time) {
        return std::any_of(hint.windows.begin(), hint.windows.end(), [&](const HintWindow& w) {
            return time >= w.from - HintWindowMargin && time <= w.to + HintWindowMargin;
        });
    };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::vector<FieldSample>& s = fields[i].samples;
        if (fields[i].kind != CandidateKind::Continuous || s.size() < 2)
            continue;
        double low = s.front().raw, high = low;
        double moveIn = 0, moveOut = 0, steps = 0;
        std::set<double> levels;
        for (std::size_t k = 0; k < s.size(); ++k) {
            low = std::min(low, s[k].raw);
            high = std::max(high, s[k].raw);
            // A bucket's extremes are values the field took; its middle may not be.
            if (levels.size() < std::size_t(HintFullLevels)) {
                levels.insert(s[k].width > 0 ? s[k].low : s[k].raw);
                levels.insert(s[k].width > 0 ? s[k].high : s[k].raw);
            }
            const bool inside = inWindow(s[k].time);
            if (k > 0) {
                const double step = std::abs(s[k].raw - s[k - 1].raw);
                steps += step;
                (inside || inWindow(s[k - 1].time) ? moveIn : moveOut) += step;
            }
        }
        if (high == low)
            continue;
        const double range = high - low;
        // The mapping the hint implies, made simple within the hint's own
        // roughness: a range typed from memory is good to a few percent.
        const double scale = SimplestScale(span / range, HintRoughness);
        const double exactOffset = hint.minimum - low / scale;
        const double offset = SimplestWithin(exactOffset, HintRoughness * span);
        // Most quantities have offset 0; a temperature's -40 over 0..120 is a
        // quarter of its span; an offset many spans away maps a field onto a
        // range it never meant (an unsigned byte onto -200..200).
        const double offsetSpans = std::abs(offset) / span;
        const double mapping = 1 / (1 + offsetSpans);
        const double levelShare = double(levels.size()) / double(HintFullLevels);
        const double steadiness = std::max(0.0, 1 - steps / double(s.size() - 1) / range);
        double score = steadiness * levelShare * mapping;
        QString when = QStringLiteral("no window: ranked by its range and steadiness only");
        if (!hint.windows.empty()) {
            double inTime = 0;
            for (const HintWindow& w : hint.windows)
                inTime += std::max(0.0, std::min(w.to + HintWindowMargin, s.back().time) -
                                            std::max(w.from - HintWindowMargin, s.front().time));
            const double duration = s.back().time - s.front().time;
            inTime = std::clamp(inTime, 0.0, duration);
            const double rateIn = inTime > 0 ? moveIn / inTime : 0;
            const double rateOut = duration > inTime ? moveOut / (duration - inTime) : 0;
            const double focus = rateIn > 0 ? rateIn / (rateIn + rateOut) : 0;
            // The quantity moved in every window the user named: the mean
            // share of its range each covers.
            double share = 0;
            for (const HintWindow& w : hint.windows) {
                double wLow = INFINITY, wHigh = -INFINITY;
                for (const FieldSample& x : s)
                    if (x.time >= w.from - HintWindowMargin && x.time <= w.to + HintWindowMargin) {
                        wLow = std::min(wLow, x.width > 0 ? x.low : x.raw);
                        wHigh = std::max(wHigh, x.width > 0 ? x.high : x.raw);
                    }
                if (wHigh >= wLow)
                    share += std::min(1.0, (wHigh - wLow) / range) / double(hint.windows.size());
            }
            score *= focus * share;
            when = QStringLiteral("%1 % of its movement in the windows, %2 % of its range in each")
                       .arg(std::lround(100 * focus))
                       .arg(std::lround(100 * share));
        }
        FieldMatch m;
        m.candidate = int(i);
        m.correlation = score;
        m.scale = scale;
        m.offset = offset;
        m.fittedScale = range / span;
        m.fittedOffset = exactOffset;
        m.pairs = int(s.size());
        m.evidence = QStringLiteral("%1; %2 raw values; %3")
                         .arg(when,
                              levels.size() >= std::size_t(HintFullLevels)
                                  ? QStringLiteral("%1 or more").arg(HintFullLevels)
                                  : QString::number(levels.size()),
                              offset == 0 ? QStringLiteral("offset 0")
                                          : QStringLiteral("offset %1 of the range's span")
                                                .arg(offsetSpans, 0, 'f', 2));
        ranking.matches.push_back(m);
    }
    std::stable_sort(
        ranking.matches.begin(), ranking.matches.end(),
        [](const FieldMatch& a, const FieldMatch& b) { return a.correlation > b.correlation; });
    if (ranking.matches.empty())
        ranking.error =
            fields.empty() ? NoFieldText() : QStringLiteral("no field changes over the log");
    return ranking;
}

void NoteUndecided(MatchRanking& ranking, const std::vector<CandidateField>& fields,
                   const QString& why) {
    ranking.undecided.clear();
    if (ranking.matches.size() < 2)
        return;
    const FieldMatch& first = ranking.matches[0];
    const FieldMatch& second = ranking.matches[1];
    if (first.correlation - second.correlation > UndecidedMargin || first.correlation <= 0)
        return;
    ranking.undecided = QStringLiteral("%1 and %2 %3: the evidence cannot tell them apart")
                            .arg(fields[std::size_t(first.candidate)].description,
                                 fields[std::size_t(second.candidate)].description, why);
}

std::optional<SignalRow> MatchedChannelRow(const CandidateField& field, const FieldMatch& match) {
    if (!field.layout || match.scale == 0)
        return std::nullopt;
    DbcMessage message;
    message.id = field.id;
    message.extended = field.extended;
    message.length = 8;
    DbcSignal signal;
    signal.startBit = field.layout->startBit;
    signal.length = field.layout->length;
    signal.littleEndian = field.layout->littleEndian;
    signal.isSigned = field.layout->isSigned;
    signal.factor = 1 / match.scale;
    signal.offset = match.offset;
    if (field.layout->filterByte >= 0) {
        DbcSignal page;
        page.name = QStringLiteral("Page");
        page.startBit = field.layout->filterByte * 8;
        page.length = 8;
        page.isMultiplexor = true;
        message.signalList.append(page);
        signal.multiplexValue = field.layout->filterValue;
    }
    message.signalList.append(signal);
    return MapSignalToRow(message, message.signalList.back());
}

} // namespace cac
