// Decimation of a growing time series for the trend chart. Values fall into a
// fixed number of time buckets holding their minimum and maximum; when a value
// lies beyond the covered span the span doubles and neighbouring buckets
// merge. Adding is O(1) amortised, and drawing takes the buckets, never the
// values, so a million readings draw like a hundred.
//
// Also the chart's arithmetic that needs no window: the shown range, which
// grows in steps so that the axes stay put while the trend follows the
// stream, and the tick marks of an axis.
#pragma once

#include <cstddef>
#include <vector>

namespace kt::view {

class TrendColumns {
public:
    // The smallest and largest value that fell into one pixel column.
    struct Column {
        double min = 0.0;
        double max = 0.0;
        bool used = false;
        bool operator==(const Column&) const = default;
    };

    explicit TrendColumns(std::size_t buckets = 4096);

    void Reset();
    // One value at t seconds from the series' start (t < 0 counts as 0).
    void Add(double t, double v);

    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }
    double LastT() const { return lastT_; }
    double Min() const { return min_; }
    double Max() const { return max_; }

    // The minimum and maximum of every pixel column of a plot `columns`
    // wide showing [0, right] seconds: out holds `columns` entries, those
    // no value fell into unused. A column's content changes only when values
    // arrive in it (or the span doubles), so a redraw can be limited to the
    // columns that differ from the last one drawn.
    void Columns(int columns, double right, std::vector<Column>& out) const;

private:
    struct Bucket {
        double min;
        double max;
        bool used;
    };
    void Widen();

    std::vector<Bucket> buckets_;
    double span_ = 1.0;  // seconds covered by all buckets
    double lastT_ = 0.0;
    double min_ = 0.0;
    double max_ = 0.0;
    std::size_t count_ = 0;
};

// The pixel columns a redraw from `drawn` to `fresh` (the same width) must
// cover: those that differ, and the used columns either side that the line
// joins them to. first > last when nothing differs.
struct ColumnSpan {
    int first = 0;
    int last = -1;
};
ColumnSpan ChangedColumns(const std::vector<TrendColumns::Column>& drawn, const std::vector<TrendColumns::Column>& fresh);

// The range a trend chart shows: time from 0 to `right`, values from `low`
// to `high`. It changes only when the trend leaves it (or shrinks to an
// eighth of it), and then with room to grow, because a new range means new
// tick labels and a full redraw.
struct TrendRange {
    double right = 1.0;
    double low = 0.0;
    double high = 1.0;
    bool set = false;

    // Fits the range to trend; true when it changed.
    bool Fit(const TrendColumns& trend);
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

}  // namespace kt::view
