// The record of readings in memory: the last kCapacity readings in arrival
// order (the oldest are dropped and counted), numbered by sequence, with the
// running statistics and Allan deviation of every series since the last Clear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "measurements/reading.h"
#include "measurements/statistics.h"

namespace kt {

// What makes readings one series: the same function and the same unit.
struct SeriesKey {
    std::string_view function;
    Unit unit = Unit::None;
    bool operator==(const SeriesKey&) const = default;
};

// The values of the current series with their elapsed times, ready for the
// Allan deviation.
struct SeriesData {
    SeriesKey key;
    std::vector<double> values;   // for charts
    // value - base of each value, made from the exact decimals: every digit
    // the counter sent (for the Allan deviation).
    std::vector<double> offsets;
    double base = 0.0;
    std::vector<double> elapsed;  // seconds from the series' first held reading, monotonic clock
    uint64_t first_seq = 0;       // seq of the first value (when values is not empty)
    uint64_t last_seq = 0;        // seq of the last value
    // tau0 of the series: the median spacing of elapsed (NaN with fewer than 2).
    double Tau0() const { return MedianSpacing(elapsed); }
    // The overlapping Allan deviation of the series at Tau0(): O(N log N)
    // (ReadingStore::CurrentAdev gives it at once for the current series).
    std::vector<AdevPoint> Adev() const { return OverlappingAdevOfOffsets(offsets, base, Tau0()); }
};

class ReadingStore {
public:
    static constexpr std::size_t kCapacity = 1'000'000;
    // Besides the count, the text held is bounded, so that a line full of bad
    // bytes repeated a million times cannot take gigabytes.
    static constexpr std::size_t kTextBudget = std::size_t{256} << 20;

    explicit ReadingStore(std::size_t capacity = kCapacity, std::size_t text_budget = kTextBudget);
    // Readings point into the store's own table of function texts.
    ReadingStore(const ReadingStore&) = delete;
    ReadingStore& operator=(const ReadingStore&) = delete;

    // Parses one complete line (its CR/LF, if still there, are dropped) and
    // keeps it as the newest reading. function is the panel's function menu
    // text (trailing blanks are dropped). Returns the kept reading (valid
    // until the next Add).
    const Reading& Add(std::string_view line, std::string_view function, SystemTime time, SteadyTime steady);

    // Number of readings held.
    std::size_t Size() const { return readings_.size(); }
    bool Empty() const { return readings_.empty(); }
    // The index-th held reading, 0 = oldest held. O(1).
    const Reading& At(std::size_t index) const { return readings_[index]; }
    // The newest reading, or null when none is held.
    const Reading* Latest() const { return readings_.empty() ? nullptr : &readings_.back(); }
    // seq of the oldest held reading (== NextSeq() when none is held).
    uint64_t FirstSeq() const { return next_seq_ - readings_.size(); }
    // seq the next reading will get; also the number of readings ever added.
    uint64_t NextSeq() const { return next_seq_; }
    // Readings dropped from memory because the store was full.
    uint64_t Dropped() const { return dropped_; }
    // Index of the first held reading with seq >= seq (Size() when none):
    // for "readings since seq X", iterate At(IndexOfSeq(X)) .. At(Size()-1).
    std::size_t IndexOfSeq(uint64_t seq) const;
    // The reading with this seq, or null when dropped or not yet received.
    const Reading* Find(uint64_t seq) const;

    // Starts a new series: statistics restart with the next reading. Held
    // readings stay (Save as CSV still has them).
    void Clear();
    // seq of the first reading after the last Clear (0 before any Clear).
    uint64_t ClearSeq() const { return clear_seq_; }

    // True when a reading with a value arrived since the last Clear.
    bool HasSeries() const { return has_series_; }
    // Function and unit of the newest reading with a value since the last Clear.
    SeriesKey CurrentKey() const { return current_key_; }
    // Statistics of the current series: every reading with a value since the
    // last Clear that shares CurrentKey(), including readings already dropped
    // from memory. O(number of series).
    Stats CurrentStats() const;
    // Values and elapsed times of the current series among the held readings.
    // O(Size() since Clear): meant for a recomputation about once a second.
    void CurrentSeries(SeriesData& out) const;
    // Statistics since the last Clear of the series with this key (empty Stats when none).
    Stats StatsOf(const SeriesKey& key) const;

    // The overlapping Allan deviation of the current series among the held
    // readings (what CurrentSeries(...).Adev() gives). Every series keeps it
    // up to date as readings arrive and are dropped (O(log N) each), so
    // reading it is O(log N): a window may show it at every redraw.
    std::vector<AdevPoint> CurrentAdev() const;
    // tau0 of the current series: the median spacing of its held readings'
    // elapsed times, recomputed (O(N)) only after a sixteenth of them is new.
    double CurrentTau0() const;

private:
    // One series since the last Clear: statistics of all its readings, and
    // the Allan deviation and spacing of those held.
    struct SeriesAccumulator {
        SeriesKey key;
        RunningStats stats;
        SplitValue base;             // the first value (offsets are from it)
        SteadyTime origin{};         // the first reading's time
        AdevAccumulator adev;
        std::deque<double> elapsed;  // seconds from origin, of the readings held
        mutable double tau0 = 0.0;
        mutable bool tau0_known = false;
        mutable std::size_t added_since_tau0 = 0;
        void Add(const Reading& r);
        void DropOldest();
    };
    std::string_view Intern(std::string_view function);
    void DropOldest();
    SeriesAccumulator* FindSeries(const SeriesKey& key);
    const SeriesAccumulator* FindSeries(const SeriesKey& key) const;

    std::size_t capacity_;
    std::size_t text_budget_;
    std::size_t text_bytes_ = 0;
    std::deque<Reading> readings_;
    std::unordered_set<std::string> functions_;
    std::string_view last_function_;
    std::vector<SeriesAccumulator> series_;
    SeriesKey current_key_;
    bool has_series_ = false;
    uint64_t next_seq_ = 0;
    uint64_t dropped_ = 0;
    uint64_t clear_seq_ = 0;
    ParsedValue scratch_;
};

}  // namespace kt
