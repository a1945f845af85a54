// A series as the trend chart draws it: times (seconds from the series'
// start) and values, with a min/max pyramid so that any pixel column's
// smallest and largest value is read from a few precomputed blocks instead of
// every value in it. Level k of the pyramid holds the minimum and maximum of
// consecutive blocks of kBlock * 2^k values; appending a value costs O(1)
// amortised, and the extremes of any index range cost at most 2 * kBlock raw
// values and two blocks per level, so drawing ten million values costs about
// as much as drawing ten thousand.
//
// Also the mean and the least-squares drift line of the values against time:
// sums kept per segment of 4,096 values as they arrive, so a redraw reads at
// most the held part of the oldest segment, never the whole series.
//
// Two kinds of storage behind the same reading interface:
//  - its own (TrendSource()): Append(t, v) keeps each value (8 bytes) and its
//    time (4: a float offset from a base per 4,096 values, rounded down so
//    that times stay in order; it resolves a 2^-23 part of the segment's span,
//    at 240 readings a second 2 us). With a capacity the oldest value goes
//    when a new one would exceed it (O(1) amortised). For a recording opened
//    from a file, made on a worker and handed over.
//  - the record's (TrendSource(store)): the live series. Append(reading)
//    takes a held reading of the record and keeps only its place: runs of
//    consecutive seqs (one run while every reading belongs to the series; a
//    reading of another function or without a value starts a new run, 16
//    bytes, so at worst, every other reading another's, 8 bytes a reading of
//    the record). Values and times are read from the record when drawn, and
//    the oldest held value follows the record's oldest reading at every
//    access: a reading the record dropped is never read, whenever it went.
//    Trim() lets go of the blocks and runs of dropped readings.
// The pyramid takes about 2 bytes a value in both.
//
// Not thread-safe: the live kind is read on the thread that adds to the
// record; the other may be made on a worker and then handed over.
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

class ReadingStore;
struct ReadingView;

class TrendSource {
public:
    static constexpr std::size_t kBlock = 16;  // values per block of the pyramid's lowest level

    // A series that keeps its own values and times.
    TrendSource() = default;
    // The live series of the record: reads its values and times from `record`,
    // which must outlive it.
    explicit TrendSource(const ReadingStore& record) : record_(&record) {}
    TrendSource(const TrendSource&) = delete;
    TrendSource& operator=(const TrendSource&) = delete;
    bool ReadsRecord() const { return record_ != nullptr; }

    // What the series is, for the legend and the axes: its name, the unit of
    // its values and the wall-clock time of t = 0 (when known).
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }
    void SetUnit(Unit unit) { unit_ = unit; }
    Unit GetUnit() const { return unit_; }
    void SetClockOrigin(SystemTime origin) { origin_ = origin; }
    const std::optional<SystemTime>& ClockOrigin() const { return origin_; }

    // Own storage: the most values held (0, the default: no bound; at least
    // 2 * kBlock).
    void SetCapacity(std::size_t values);
    // Own storage: one value at t seconds from the series' start. A time
    // before the last one (or not finite) is taken as the last one, so the
    // series stays in time order; a value that is not finite is left out
    // (false). False on the record's series too.
    bool Append(double t, double v);
    // The record's series: a reading the record holds now, with a seq after
    // the last one taken. Its time counts from the first one taken (the
    // record's monotonic clock, which does not go back). A reading without a
    // value or whose value is not finite is left out (false).
    bool Append(const ReadingView& reading);
    // The record's series: lets go of what covers only readings the record
    // has dropped. Reading never waits for it.
    void Trim();

    // Values held; index 0 is the oldest held.
    std::size_t Size() const { return static_cast<std::size_t>(count_ - First()); }
    bool Empty() const { return Size() == 0; }
    // Values dropped: for the capacity, or by the record.
    uint64_t Dropped() const { return First(); }
    double TimeAt(std::size_t i) const { return TimeOf(First() + i); }
    double ValueAt(std::size_t i) const { return ValueOf(First() + i); }
    // The record's seq of the index-th value held (the record's series only).
    uint64_t SeqAt(std::size_t i) const { return SeqOf(First() + i); }
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
    // / columns. out gets `columns` entries; empty slices are unused. The
    // last columns asked for are kept with where each ends: asked for again
    // (a redraw that follows the stream), only the columns that values
    // taken or dropped since reach are read again.
    void Columns(double t0, double t1, int columns, std::vector<TrendColumn>& out) const;

    // Bytes held for the values, times, pyramid, sums, runs (the deques'
    // blocks) and the last columns.
    std::size_t MemoryBytes() const;
    // Runs of consecutive seqs kept for the record's series.
    std::size_t Runs() const { return runs_.size(); }

private:
    static constexpr int kSegmentBits = 12;  // 4,096 values a segment: its offsets resolve a 2^-23 part of its span
    static constexpr uint64_t kSegment = uint64_t{1} << kSegmentBits;
    struct Extent {
        double min;
        double max;
    };
    // A level of the pyramid: the extents of its blocks from block `first` on.
    struct Level {
        uint64_t first = 0;
        std::deque<Extent> blocks;
    };
    // Count, means and co-moments of some values (offsets from the first
    // value, for the digits): Welford's running update and the merge of two.
    struct Moments {
        double n = 0.0;
        double mean_t = 0.0;
        double mean_dv = 0.0;
        double m2_t = 0.0;
        double c_tv = 0.0;
        void Add(double t, double dv);
        void Merge(const Moments& other);
    };
    // From value number g (since the series began) on, value g + k has the
    // record's seq seq + k, up to the next run.
    struct Run {
        uint64_t g;
        uint64_t seq;
    };

    // Values, times and seqs by number since the series began.
    uint64_t First() const { return record_ == nullptr ? dropped_ : FirstInRecord(); }
    uint64_t FirstInRecord() const;
    double TimeOf(uint64_t g) const {
        if (record_ != nullptr) return RecordTime(g);
        return segment_base_[static_cast<std::size_t>((g >> kSegmentBits) - first_segment_)] +
               offsets_[static_cast<std::size_t>(g - dropped_)];
    }
    double ValueOf(uint64_t g) const {
        return record_ != nullptr ? RecordValue(g) : values_[static_cast<std::size_t>(g - dropped_)];
    }
    uint64_t SeqOf(uint64_t g) const;
    // The first index in [lo, hi] at or after t, looked for from guess; the
    // times before lo are before t, the one at hi (when held) is not.
    std::size_t Search(double t, std::size_t lo, std::size_t hi, std::size_t guess) const;
    double RecordTime(uint64_t g) const;
    double RecordValue(uint64_t g) const;
    // The pyramid and the sums take value number count_ at time t.
    void Take(double t, double v);
    void Push(std::size_t level, Extent e);
    void DropOldest();
    void DropBefore(uint64_t first);
    Moments HeldMoments() const;

    std::string name_;
    Unit unit_ = Unit::None;
    std::optional<SystemTime> origin_;
    const ReadingStore* record_ = nullptr;

    // In blocks (deques): growing never copies what is held, so no append
    // stalls the event thread, and nothing is held twice while growing.
    // Blocks, segments and levels are numbered from the series' first value
    // ever (g), so dropping the oldest moves nothing.
    uint64_t count_ = 0;  // values taken since the series began
    std::vector<Level> levels_;
    Extent partial_{0.0, 0.0};  // the block being filled

    // Own storage.
    std::size_t capacity_ = 0;
    uint64_t dropped_ = 0;
    std::deque<double> values_;
    std::deque<float> offsets_;         // time - its segment's base, rounded down
    std::deque<double> segment_base_;   // the first time of each segment from first_segment_
    uint64_t first_segment_ = 0;
    double last_t_ = 0.0;

    // The record's series.
    SteadyTime origin_steady_{};  // the first reading's monotonic time
    uint64_t last_seq_ = 0;
    std::deque<Run> runs_;
    mutable uint64_t seen_first_seq_ = UINT64_MAX;  // the record's FirstSeq when first_g_ was found
    mutable uint64_t first_g_ = 0;
    mutable std::size_t run_hint_ = 0;

    // The sums: per closed segment from first_closed_, and of the one being filled.
    double v0_ = 0.0;
    std::deque<Moments> closed_;
    uint64_t first_closed_ = 0;
    Moments open_;
    // The closed segments between the oldest held one and the one being filled, merged.
    mutable Moments middle_;
    mutable uint64_t middle_from_ = UINT64_MAX, middle_to_ = 0;
    // The held values of the oldest held segment, from head_from_ to head_to_.
    mutable Moments head_;
    mutable uint64_t head_from_ = UINT64_MAX, head_to_ = 0;

    // The last columns asked for: where the first begins and each ends (by
    // number since the series began) and their extremes, made with the
    // values from `first` to `count` (count 0: none kept).
    struct ColumnCache {
        double t0 = 0.0;
        double t1 = 0.0;
        uint64_t first = 0;
        uint64_t count = 0;
        uint64_t start = 0;
        std::vector<uint64_t> ends;
        std::vector<TrendColumn> columns;
    };
    mutable ColumnCache columns_;
};

}  // namespace kt
