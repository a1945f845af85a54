// Decimation of a growing time series for the trend chart. Values fall into a
// fixed number of time buckets holding their minimum and maximum; when a value
// lies beyond the covered span the span doubles and neighbouring buckets
// merge. Adding is O(1) amortised, and drawing takes the buckets, never the
// values, so a million readings draw like a hundred.
#pragma once

#include <cstddef>
#include <vector>

namespace kt::view {

class TrendColumns {
public:
    struct Point {
        double t;
        double v;
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
    // wide showing [0, LastT()], in time order: two points per column that
    // holds values (one when they are equal).
    void Columns(int columns, std::vector<Point>& out) const;

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

}  // namespace kt::view
