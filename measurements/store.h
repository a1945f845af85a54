// The record of readings in memory: the last kCapacity readings in arrival
// order (the oldest are dropped and counted), numbered by sequence, with the
// running statistics of every series since the last Clear.
//
// A reading is held in 24 bytes: its number as the integer of its digits with
// the form it was written in (sign, digits before and after the point, prefix,
// unit), the function as an index into the store's table of function texts,
// the monotonic time in nanoseconds and the wall-clock time in milliseconds as
// an offset from what the monotonic clock predicts. The line's text and the
// exact decimal are made again from these on demand, byte for byte; a line
// that is not made again exactly (no number, leading blanks, more than 18
// digits) keeps its text beside, within the text budget.
//
// Readings live in chunks of fixed size that only the event thread appends
// to. A snapshot shares the full chunks and copies the one being filled, so a
// worker thread may read it while readings keep arriving and the oldest are
// dropped: a chunk is freed when neither the store nor a snapshot holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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
    // The overlapping Allan deviation of the series at Tau0(): O(N log N).
    std::vector<AdevPoint> Adev() const { return OverlappingAdevOfOffsets(offsets, base, Tau0()); }
};

// One held reading as the store keeps it (24 bytes).
struct CompactReading {
    int64_t steady_ns = 0;  // monotonic clock, nanoseconds since its epoch
    int64_t digits = 0;     // the number's digits as one integer (when it has a number form)
    int32_t system_ms = 0;  // wall clock in ms minus the chunk's prediction from steady_ns
    uint32_t form = 0;      // function index, unit, flags and the number's written form (store.cpp)
};

// A run of readings of fixed length with what does not fit in 24 bytes.
struct ReadingChunk {
    static constexpr std::size_t kSize = 4096;
    struct Side {
        uint32_t slot = 0;
        bool is_time = false;  // a wall-clock time too far from the prediction
        std::string text;      // the line's text, or the time as 8 bytes
    };
    std::unique_ptr<CompactReading[]> entries;  // kSize (a snapshot's copy: count)
    std::size_t count = 0;                      // entries filled
    uint64_t first_seq = 0;                     // seq of entries[0]
    int64_t clock_offset_ms = 0;                // wall clock minus monotonic clock at the first entry, ms
    std::vector<Side> sides;                    // by slot, the time before the text
    const Side* FindSide(uint32_t slot, bool is_time) const;
};

// A small value view of one held reading: the numbers at once, the texts on
// demand. Valid while the store (until its next Add) or snapshot it came from
// holds the reading.
struct ReadingView {
    uint64_t seq = 0;
    SystemTime time{};          // wall clock, to the millisecond
    SteadyTime steady{};        // monotonic clock
    double value = 0.0;         // double of the exact decimal; 0 when !has_value
    SplitValue parts;           // the exact decimal as whole part and fraction
    std::string_view function;  // function menu text without trailing blanks
    Unit unit = Unit::None;
    bool has_value = false;

    // Appends the line as the counter sent it (without CR/LF).
    void AppendText(std::string& out) const;
    // Appends the exact decimal value in the base unit (nothing when !has_value).
    void AppendExact(std::string& out) const;
    // True when the text is exactly the number rebuilt (never needs CSV quotes).
    bool TextIsRebuilt() const;
    std::string Text() const;
    std::string Exact() const;

    const ReadingChunk* chunk = nullptr;
    uint32_t slot = 0;
};

// One reading of a series as the stability analysis reads it: the value's
// exact parts and the monotonic time, nothing else.
struct SeriesPoint {
    SplitValue parts;
    int64_t steady_ns = 0;  // monotonic clock, nanoseconds since its epoch
};

// Readings by seq: from <= seq < to.
struct SeqRange {
    uint64_t from = 0;
    uint64_t to = UINT64_MAX;
};

// The readings held when the snapshot was taken, readable from any thread
// while the store goes on.
class ReadingSnapshot {
public:
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    uint64_t FirstSeq() const { return first_seq_; }
    ReadingView At(std::size_t index) const;
    // The store's current series when the snapshot was taken, as
    // ReadingStore::CurrentSeries gives it: made here, on the worker, instead
    // of copied on the event thread (O(N), a second at ten million).
    void CurrentSeries(SeriesData& out) const;
    // How many readings of any kind are held with seqs in range: at least as
    // many as VisitSeries hands over. O(1).
    std::size_t HeldIn(SeqRange range) const;
    // The readings of one series (a value, this function and this unit) with
    // seqs in [range.from, range.to), oldest first, handed to visit a run at
    // a time (at most a chunk's worth): what the stability analysis passes
    // over, more than once, on its worker. Only the value's parts and the
    // time are made, so a pass over ten million costs a fraction of At() for
    // each. With values false the parts are left zero: a pass that wants
    // only the times costs a third as much.
    void VisitSeries(const SeriesKey& key, SeqRange range,
                     const std::function<void(std::span<const SeriesPoint>)>& visit, bool values = true) const;

private:
    friend class ReadingStore;
    // The form bits of the series' readings (function, unit, a value) and
    // the indices of the range held; false when no reading can be of it.
    bool SeriesForm(const SeriesKey& key, SeqRange range, uint32_t& form, std::size_t& begin, std::size_t& end) const;
    // The index of the first held reading with seq >= seq (Size() when none).
    std::size_t IndexOf(uint64_t seq) const;
    std::vector<std::shared_ptr<const ReadingChunk>> chunks_;
    std::size_t first_ = 0;  // slot of the oldest held reading in chunks_[0]
    std::size_t size_ = 0;
    uint64_t first_seq_ = 0;
    std::vector<std::string> functions_;
    bool has_series_ = false;
    uint32_t series_function_ = 0;  // index into functions_
    Unit series_unit_ = Unit::None;
    uint64_t clear_seq_ = 0;
};

class ReadingStore {
public:
    static constexpr std::size_t kCapacity = 10'000'000;
    // Besides the count, the text kept beside is bounded, so that a line full
    // of bad bytes repeated ten million times cannot take gigabytes.
    static constexpr std::size_t kTextBudget = std::size_t{256} << 20;
    // Distinct function texts; any further one is kept as "".
    static constexpr std::size_t kMaxFunctions = 256;

    explicit ReadingStore(std::size_t capacity = kCapacity, std::size_t text_budget = kTextBudget);
    ReadingStore(const ReadingStore&) = delete;
    ReadingStore& operator=(const ReadingStore&) = delete;

    // Parses one complete line (its CR/LF, if still there, are dropped) and
    // keeps it as the newest reading. function is the panel's function menu
    // text (trailing blanks are dropped). Returns the reading in full, with
    // its times as given (valid until the next Add).
    const Reading& Add(std::string_view line, std::string_view function, SystemTime time, SteadyTime steady);

    // Number of readings held.
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // The index-th held reading, 0 = oldest held. O(1).
    ReadingView At(std::size_t index) const;
    // The newest reading, or none when none is held.
    std::optional<ReadingView> Latest() const;
    // seq of the oldest held reading (== NextSeq() when none is held).
    uint64_t FirstSeq() const { return next_seq_ - size_; }
    // seq the next reading will get; also the number of readings ever added.
    uint64_t NextSeq() const { return next_seq_; }
    // Readings dropped from memory because the store was full.
    uint64_t Dropped() const { return dropped_; }
    // Index of the first held reading with seq >= seq (Size() when none):
    // for "readings since seq X", iterate At(IndexOfSeq(X)) .. At(Size()-1).
    std::size_t IndexOfSeq(uint64_t seq) const;
    // The reading with this seq, or none when dropped or not yet received.
    std::optional<ReadingView> Find(uint64_t seq) const;
    // Every reading held now, for a worker thread. O(Size() / chunk size).
    ReadingSnapshot Snapshot() const;

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

    // Bytes of text kept beside the compact readings (bounded by the budget).
    std::size_t TextBytes() const { return text_bytes_; }

    // The value (as At's) and the monotonic time of the held reading with
    // this seq (FirstSeq() <= seq < NextSeq()), without the rest of its view:
    // the trend reads them for every reading it draws.
    double ValueOfSeq(uint64_t seq) const;
    SteadyTime SteadyOfSeq(uint64_t seq) const;

private:
    // One series since the last Clear: statistics of all its readings. (The
    // stability analysis of those held runs on a worker, over a snapshot.)
    struct SeriesAccumulator {
        SeriesKey key;
        RunningStats stats;
        SplitValue base;     // the first value (offsets are from it)
        SteadyTime origin{};  // the first reading's time
        void Add(const Reading& r);
    };
    uint32_t Intern(std::string_view function);
    void Keep(const Reading& r, uint32_t function_index);
    void DropOldest();
    ReadingView View(std::size_t global) const;
    SeriesAccumulator* FindSeries(const SeriesKey& key);
    const SeriesAccumulator* FindSeries(const SeriesKey& key) const;

    std::size_t capacity_;
    std::size_t text_budget_;
    std::size_t text_bytes_ = 0;
    std::deque<std::shared_ptr<ReadingChunk>> chunks_;
    std::size_t first_ = 0;  // slot of the oldest held reading in chunks_.front()
    std::size_t size_ = 0;
    std::vector<std::unique_ptr<std::string>> functions_;  // [0] is ""
    uint32_t last_function_ = 0;
    std::vector<SeriesAccumulator> series_;
    SeriesKey current_key_;
    bool has_series_ = false;
    uint64_t next_seq_ = 0;
    uint64_t dropped_ = 0;
    uint64_t clear_seq_ = 0;
    ParsedValue scratch_;
    Reading last_;
    std::string rebuilt_;
};

}  // namespace kt
