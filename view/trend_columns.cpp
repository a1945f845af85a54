#include "view/trend_columns.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace kt::view {

ColumnSpan ChangedColumns(const std::vector<TrendColumn>& drawn, const std::vector<TrendColumn>& fresh) {
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

void TrendExtent::Include(const TrendSource& source, double shift) {
    if (source.Empty()) return;
    const double firstT = source.FirstTime() + shift;
    const double lastT = source.LastTime() + shift;
    first = empty ? firstT : std::min(first, firstT);
    last = empty ? lastT : std::max(last, lastT);
    min = empty ? source.Min() : std::min(min, source.Min());
    max = empty ? source.Max() : std::max(max, source.Max());
    empty = false;
}

void TrendExtent::Include(const std::vector<TrendColumn>& columns) {
    for (const TrendColumn& c : columns) {
        if (!c.used) continue;
        min = empty ? c.min : std::min(min, c.min);
        max = empty ? c.max : std::max(max, c.max);
        empty = false;
    }
}

bool TrendRange::FitValues(const TrendExtent& extent) {
    double lo = low, hi = high;
    if (extent.empty) {
        lo = 0.0;
        hi = 1.0;
    } else {
        const double spread = extent.max - extent.min;
        if (!set || extent.min < low || extent.max > high || spread < (high - low) / 8) {
            // A quarter of the spread above and below; a flat trend gets a
            // band around its value.
            const double pad = spread > 0 ? spread * 0.25 : std::max(std::abs(extent.min) * 1e-9, 1e-12);
            lo = extent.min - pad;
            hi = extent.max + pad;
        }
    }
    const bool changed = !set || lo != low || hi != high;
    set = true;
    low = lo;
    high = hi;
    return changed;
}

bool TrendRange::Fit(const TrendExtent& extent) {
    const bool wasSet = set;
    double l = left, r = right;
    if (extent.empty) {
        l = 0.0;
        r = 1.0;
    } else {
        const bool leftMoves = !set || extent.first < l || extent.first - l > (r - l) / 4;
        if (leftMoves) {
            const double step = NiceCeiling((extent.last - extent.first) / 10);
            l = extent.first > 0.0 ? std::floor(extent.first / step) * step : 0.0;
        }
        if (leftMoves || extent.last > r) r = l + NiceCeiling((extent.last - l) * 1.25);
    }
    const bool changed = !wasSet || l != left || r != right;
    left = l;
    right = r;
    return FitValues(extent) || changed;
}

bool TrendRange::Fit(const TrendSource& source) {
    TrendExtent extent;
    extent.Include(source);
    return Fit(extent);
}

double NiceCeiling(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (double step : {1.0, 2.0, 5.0}) {
        if (step * decade >= x) return step * decade;
    }
    return 10.0 * decade;
}

namespace {

// Ticks at whole multiples of step from low to high (shifted by `shift`), at
// most `most`: a label is the step's digits, never an accumulated rounding error.
void Multiples(double low, double high, double step, double shift, int most, std::vector<double>& values) {
    // (A bound that is itself a tick stays one despite the division's rounding.)
    const double first = std::ceil((low + shift) / step - 1e-9);
    const double last = std::floor((high + shift) / step + 1e-9);
    for (double k = first; k <= last && values.size() < static_cast<std::size_t>(most); k += 1.0) {
        values.push_back(k == 0.0 && shift == 0.0 ? 0.0 : k * step - shift);
    }
}

int DecimalsOf(double step) { return std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))); }

}  // namespace

AxisTicks NiceTicks(double low, double high, int most) {
    AxisTicks ticks;
    most = std::max(most, 2);
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return ticks;
    ticks.step = NiceCeiling((high - low) / (most - 1));
    Multiples(low, high, ticks.step, 0.0, most, ticks.values);
    ticks.decimals = DecimalsOf(ticks.step);
    return ticks;
}

AxisTicks ClockTicks(double t0, double t1, double origin, int most) {
    AxisTicks ticks;
    most = std::max(most, 2);
    if (!(t1 > t0) || !std::isfinite(t0) || !std::isfinite(t1) || !std::isfinite(origin)) return ticks;
    const double wanted = (t1 - t0) / (most - 1);
    static constexpr double kClockSteps[] = {1,    2,    5,    10,    15,    30,    60,    120,   300,
                                             600,  900,  1800, 3600,  7200,  10800, 21600, 43200, 86400};
    if (wanted <= 1.0) {
        ticks.step = std::max(NiceCeiling(wanted), 0.001);
    } else if (wanted <= 86400.0) {
        ticks.step = *std::lower_bound(std::begin(kClockSteps), std::end(kClockSteps), wanted);
    } else {
        ticks.step = 86400.0 * NiceCeiling(wanted / 86400.0);
    }
    Multiples(t0, t1, ticks.step, origin, most, ticks.values);
    ticks.decimals = ticks.step < 1.0 ? DecimalsOf(ticks.step) : 0;
    return ticks;
}

FractionScale ChooseFractionScale(double span) {
    span = std::abs(span);
    if (span >= 1e-6) return {1e6, "ppm"};
    if (span >= 1e-9) return {1e9, "ppb"};
    return {1e12, "1e-12"};
}

}  // namespace kt::view
