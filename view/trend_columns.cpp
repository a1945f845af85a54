#include "view/trend_columns.h"

#include <algorithm>
#include <cmath>

namespace kt::view {

namespace {
constexpr double kFirstSpan = 1.0;  // seconds
}

TrendColumns::TrendColumns(std::size_t buckets) : buckets_(std::max<std::size_t>(buckets, 2)) { Reset(); }

void TrendColumns::Reset() {
    std::fill(buckets_.begin(), buckets_.end(), Bucket{0.0, 0.0, false});
    span_ = kFirstSpan;
    lastT_ = 0.0;
    min_ = max_ = 0.0;
    count_ = 0;
}

void TrendColumns::Widen() {
    const std::size_t n = buckets_.size();
    for (std::size_t i = 0; i < n / 2; ++i) {
        const Bucket& a = buckets_[2 * i];
        const Bucket& b = buckets_[2 * i + 1];
        Bucket merged = a.used ? a : b;
        if (a.used && b.used) merged = {std::min(a.min, b.min), std::max(a.max, b.max), true};
        buckets_[i] = merged;
    }
    std::fill(buckets_.begin() + static_cast<std::ptrdiff_t>(n / 2), buckets_.end(), Bucket{0.0, 0.0, false});
    span_ *= 2.0;
}

void TrendColumns::Add(double t, double v) {
    if (!std::isfinite(v)) return;
    if (!(t > 0.0)) t = 0.0;  // also NaN
    while (t >= span_ && std::isfinite(span_)) Widen();
    const std::size_t n = buckets_.size();
    const auto index = std::min(n - 1, static_cast<std::size_t>(t / span_ * static_cast<double>(n)));
    Bucket& b = buckets_[index];
    if (!b.used) {
        b = {v, v, true};
    } else {
        b.min = std::min(b.min, v);
        b.max = std::max(b.max, v);
    }
    min_ = count_ == 0 ? v : std::min(min_, v);
    max_ = count_ == 0 ? v : std::max(max_, v);
    lastT_ = std::max(lastT_, t);
    ++count_;
}

void TrendColumns::Columns(int columns, double right, std::vector<Column>& out) const {
    out.assign(static_cast<std::size_t>(std::max(columns, 0)), Column{});
    if (count_ == 0 || columns <= 0 || !(right > 0.0)) return;
    const std::size_t n = buckets_.size();
    const double bucketWidth = span_ / static_cast<double>(n);
    const double perSecond = columns / right;
    for (std::size_t i = 0; i < n; ++i) {
        const Bucket& b = buckets_[i];
        if (!b.used) continue;
        const double t = (static_cast<double>(i) + 0.5) * bucketWidth;
        Column& c = out[static_cast<std::size_t>(std::clamp(static_cast<long>(t * perSecond), 0L, columns - 1L))];
        if (!c.used) {
            c = {b.min, b.max, true};
        } else {
            c.min = std::min(c.min, b.min);
            c.max = std::max(c.max, b.max);
        }
    }
}

ColumnSpan ChangedColumns(const std::vector<TrendColumns::Column>& drawn, const std::vector<TrendColumns::Column>& fresh) {
    const int n = static_cast<int>(std::min(drawn.size(), fresh.size()));
    int first = 0;
    while (first < n && fresh[first] == drawn[first]) ++first;
    if (first == n) return {};
    int last = n - 1;
    while (fresh[last] == drawn[last]) --last;
    const auto used = [&](int c) { return fresh[c].used || drawn[c].used; };
    int before = first - 1;
    while (before >= 0 && !used(before)) --before;
    int after = last + 1;
    while (after < n && !used(after)) ++after;
    // Without a used neighbour, one column either side still holds the edge of the pen.
    return {before >= 0 ? before : std::max(first - 1, 0), after < n ? after : std::min(last + 1, n - 1)};
}

bool TrendRange::Fit(const TrendColumns& trend) {
    double r = right, lo = low, hi = high;
    if (trend.Empty()) {
        r = 1.0;
        lo = 0.0;
        hi = 1.0;
    } else {
        const double spread = trend.Max() - trend.Min();
        if (!set || trend.Min() < low || trend.Max() > high || spread < (high - low) / 8) {
            // A quarter of the spread above and below; a flat trend gets a
            // band around its value.
            const double pad = spread > 0 ? spread * 0.25 : std::max(std::abs(trend.Min()) * 1e-9, 1e-12);
            lo = trend.Min() - pad;
            hi = trend.Max() + pad;
        }
        if (!set || trend.LastT() > right) r = NiceCeiling(trend.LastT() * 1.25);
    }
    const bool changed = !set || r != right || lo != low || hi != high;
    set = true;
    right = r;
    low = lo;
    high = hi;
    return changed;
}

double NiceCeiling(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (double step : {1.0, 2.0, 5.0}) {
        if (step * decade >= x) return step * decade;
    }
    return 10.0 * decade;
}

AxisTicks NiceTicks(double low, double high, int most) {
    AxisTicks ticks;
    most = std::max(most, 2);
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return ticks;
    ticks.step = NiceCeiling((high - low) / (most - 1));
    // Ticks at whole multiples of the step, so that a label is the step's
    // digits and never an accumulated rounding error.
    // (A bound that is itself a tick stays one despite the division's rounding.)
    const double first = std::ceil(low / ticks.step - 1e-9);
    const double last = std::floor(high / ticks.step + 1e-9);
    for (double k = first; k <= last && ticks.values.size() < static_cast<std::size_t>(most); k += 1.0) {
        ticks.values.push_back(k == 0.0 ? 0.0 : k * ticks.step);
    }
    ticks.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(ticks.step) + 1e-9)));
    return ticks;
}

}  // namespace kt::view
