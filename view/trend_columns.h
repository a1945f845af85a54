// The trend chart's arithmetic that needs no window: which pixel columns a
// redraw covers, the shown range, which grows in steps so that the axes stay
// put while the trend follows the stream, the tick marks of an axis (plain
// numbers or clock time) and the scale of a fractional offset.
#pragma once

#include <vector>

#include "measurements/trend_source.h"

namespace kt::view {

// The pixel columns a redraw from `drawn` to `fresh` (the same width) must
// cover: those that differ, and the used columns either side that the line
// joins them to. first > last when nothing differs.
struct ColumnSpan {
    int first = 0;
    int last = -1;
};
ColumnSpan ChangedColumns(const std::vector<TrendColumn>& drawn, const std::vector<TrendColumn>& fresh);

// What the shown series hold together: the latest time and the extremes.
struct TrendExtent {
    bool empty = true;
    double first = 0.0;
    double last = 0.0;
    double min = 0.0;
    double max = 0.0;
    // Adds a series whose times are shifted by `shift` seconds.
    void Include(const TrendSource& source, double shift = 0.0);
    // Adds the extremes of some columns (a zoomed view's values).
    void Include(const std::vector<TrendColumn>& columns);
};

// The range a trend chart shows: time from `left` to `right`, values from
// `low` to `high`. Fitted, it changes only when the trend leaves it (or
// shrinks to an eighth of it), and then with room to grow, because a new
// range means new tick labels and a full redraw.
struct TrendRange {
    double left = 0.0;
    double right = 1.0;
    double low = 0.0;
    double high = 1.0;
    bool set = false;

    // Following the stream: time from 0 to a step beyond the latest, values
    // fitted. Once the oldest readings are dropped and a quarter of the
    // range lies before the first one held, the left edge moves up to a
    // whole step before it. True when the range changed.
    bool Fit(const TrendExtent& extent);
    bool Fit(const TrendSource& source);
    // The values alone (a zoomed time range whose values follow what it shows).
    bool FitValues(const TrendExtent& extent);
};

// The smallest of 1, 2, 5 times a power of ten that is at least x (1 when x
// is not positive).
double NiceCeiling(double x);

// Tick marks of an axis from low to high: multiples of a step of 1, 2 or 5
// times a power of ten, at most `most` of them, and the decimals a label
// needs to tell neighbouring ticks apart.
struct AxisTicks {
    double step = 1.0;
    int decimals = 0;
    std::vector<double> values;
};
AxisTicks NiceTicks(double low, double high, int most);

// Tick marks of a clock-time axis showing t0..t1 seconds of a series whose
// t = 0 is `origin` seconds since midnight 1970-01-01 of the shown clock (UTC
// plus the zone's offset). Ticks fall on whole multiples of the step on that
// clock: 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h,
// days, or steps of 1, 2, 5 down to a millisecond. Values are in t (series
// seconds); decimals are those of the seconds.
AxisTicks ClockTicks(double t0, double t1, double origin, int most);

// The scale of a fractional offset whose shown range spans `span`: parts per
// million from 1e-6, per billion from 1e-9, else units of 1e-12.
struct FractionScale {
    double factor = 1e6;
    const char* name = "ppm";
};
FractionScale ChooseFractionScale(double span);

}  // namespace kt::view
