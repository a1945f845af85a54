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
// With a capacity, the oldest value goes when a new one would exceed it
// (O(1) amortised too): a series that runs for days stays bounded.
//
// Memory per value: 8 bytes for the value, 4 for the time (a float offset
// from a base per 4,096 values, rounded down so that times stay in order: it
// resolves a 2^-23 part of the segment's span, at 240 readings a second 2 us)
// and about 2 for the pyramid.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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

    // The most values held (0, the default: no bound; at least 2 * kBlock).
    void SetCapacity(std::size_t values);
    // One value at t seconds from the series' start. A time before the last
    // one (or not finite) is taken as the last one, so the series stays in
    // time order; a value that is not finite is left out (false).
    bool Append(double t, double v);

    // Values held; index 0 is the oldest held.
    std::size_t Size() const { return values_.size(); }
    bool Empty() const { return values_.empty(); }
    // Values dropped for the capacity.
    uint64_t Dropped() const { return dropped_; }
    double TimeAt(std::size_t i) const {
        const uint64_t g = i + dropped_;
        return segment_base_[static_cast<std::size_t>((g >> kSegmentBits) - first_segment_)] + offsets_[i];
    }
    double ValueAt(std::size_t i) const { return values_[i]; }
    double FirstTime() const { return Empty() ? 0.0 : TimeAt(0); }
    double LastTime() const { return Empty() ? 0.0 : TimeAt(Size() - 1); }
    // The extremes of the values held (0 when none).
    double Min() const { return Extremes(0, Size()).min; }
    double Max() const { return Extremes(0, Size()).max; }
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

    // Bytes held for the values, times and pyramid (the deques' blocks).
    std::size_t MemoryBytes() const;

private:
    static constexpr int kSegmentBits = 12;  // 4,096 values a segment: its offsets resolve a 2^-23 part of its span
    struct Extent {
        double min;
        double max;
    };
    // A level of the pyramid: the extents of its blocks from block `first` on.
    struct Level {
        uint64_t first = 0;
        std::deque<Extent> blocks;
    };
    void Push(std::size_t level, Extent e);
    void DropOldest();

    std::string name_;
    Unit unit_ = Unit::None;
    std::optional<SystemTime> origin_;

    // In blocks (deques): growing never copies what is held, so no append
    // stalls the event thread, and nothing is held twice while growing.
    // Blocks, segments and levels are numbered from the series' first value
    // ever (g = index + dropped_), so dropping the oldest moves nothing.
    std::size_t capacity_ = 0;
    uint64_t dropped_ = 0;
    std::deque<double> values_;
    std::deque<float> offsets_;         // time - its segment's base, rounded down
    std::deque<double> segment_base_;   // the first time of each segment from first_segment_
    uint64_t first_segment_ = 0;
    double last_t_ = 0.0;
    std::vector<Level> levels_;
    Extent partial_{0.0, 0.0};  // the block being filled

    // Running means and co-moments (offsets from the first value, for the digits).
    double v0_ = 0.0;
    double mean_t_ = 0.0;
    double mean_dv_ = 0.0;
    double m2_t_ = 0.0;
    double c_tv_ = 0.0;
};

}  // namespace kt
