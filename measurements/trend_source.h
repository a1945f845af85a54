// A series as the trend chart draws it: times (seconds from the series'
// start) and values, with a min/max pyramid so that any pixel column's
// smallest and largest value is read from a few precomputed blocks instead of
// every value in it. Level k of the pyramid holds the minimum and maximum of
// consecutive blocks of kBlock * 2^k values; appending a value costs O(1)
// amortised, and the extremes of any index range cost at most 2 * kBlock raw
// values and two blocks per level, so drawing ten million values costs about
// as much as drawing ten thousand.
//
// Also the running mean and the least-squares drift line of the values
// against time, kept as values arrive, so a redraw never walks the series.
//
// Memory per value: 8 bytes for the value, 4 for the time (an offset from a
// base per 65,536 values, never above the time it stands for, so times stay
// in order) and about 2 for the pyramid.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "measurements/reading.h"

namespace kt {

// The smallest and largest value that fell into one pixel column.
struct TrendColumn {
    double min = 0.0;
    double max = 0.0;
    bool used = false;
    bool operator==(const TrendColumn&) const = default;
};

// The least-squares line v = intercept + slope * t through every value.
struct TrendLine {
    double intercept = 0.0;  // at t = 0, in the value's unit
    double slope = 0.0;      // per second
    bool valid = false;      // false with fewer than 2 values or all at one time
};

class TrendSource {
public:
    static constexpr std::size_t kBlock = 16;  // values per block of the pyramid's lowest level

    // What the series is, for the legend and the axes: its name, the unit of
    // its values and the wall-clock time of t = 0 (when known).
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    void SetUnit(Unit unit) { unit_ = unit; }
    Unit GetUnit() const { return unit_; }
    void SetClockOrigin(SystemTime origin) { origin_ = origin; }
    const std::optional<SystemTime>& ClockOrigin() const { return origin_; }

    void Reserve(std::size_t values);
    // One value at t seconds from the series' start. A time before the last
    // one (or not finite) is taken as the last one, so the series stays in
    // time order; a value that is not finite is left out (false).
    bool Append(double t, double v);

    std::size_t Size() const { return values_.size(); }
    bool Empty() const { return values_.empty(); }
    double TimeAt(std::size_t i) const { return segment_base_[i >> kSegmentBits] + offsets_[i]; }
    double ValueAt(std::size_t i) const { return values_[i]; }
    double FirstTime() const { return Empty() ? 0.0 : TimeAt(0); }
    double LastTime() const { return Empty() ? 0.0 : TimeAt(Size() - 1); }
    double Min() const { return min_; }
    double Max() const { return max_; }
    double Mean() const;
    TrendLine Drift() const;

    // Index of the first value at or after t (Size() when none).
    std::size_t IndexAt(double t) const;
    // The extremes of the values with index in [first, last).
    TrendColumn Extremes(std::size_t first, std::size_t last) const;
    // The extremes of `columns` equal slices of time from t0 to t1: column c
    // holds the values with t0 + c * w <= t < t0 + (c + 1) * w, w = (t1 - t0)
    // / columns. out gets `columns` entries; empty slices are unused.
    void Columns(double t0, double t1, int columns, std::vector<TrendColumn>& out) const;

    // Bytes held for the values, times and pyramid.
    std::size_t MemoryBytes() const;

private:
    static constexpr int kSegmentBits = 16;
    struct Extent {
        double min;
        double max;
    };
    void Push(std::size_t level, Extent e);

    std::string name_;
    Unit unit_ = Unit::None;
    std::optional<SystemTime> origin_;

    std::vector<double> values_;
    std::vector<float> offsets_;        // time - segment_base_[i >> kSegmentBits], rounded down
    std::vector<double> segment_base_;  // the first time of each segment
    double last_t_ = 0.0;
    std::vector<std::vector<Extent>> levels_;
    Extent partial_{0.0, 0.0};  // the block being filled
    double min_ = 0.0;
    double max_ = 0.0;

    // Running means and co-moments (offsets from the first value, for the digits).
    double v0_ = 0.0;
    double mean_t_ = 0.0;
    double mean_dv_ = 0.0;
    double m2_t_ = 0.0;
    double c_tv_ = 0.0;
};

}  // namespace kt
