// A series for the stability analysis, as the readings window hands it to a
// worker thread: the readings' values as offsets from a base (every digit the
// counter sent) and their times, in chunks. A chunk, once full, never changes
// again and is shared between the window and any number of analyses; only the
// last, partly filled chunk is copied at a request, so that a request costs
// the same whether a thousand readings are held or ten million.
// The analysis itself (AnalyseSeries) is a plain function the worker calls.
// Plain C++ apart from nothing: no Qt here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "measurements/reading.h"
#include "measurements/stability.h"

namespace kt::view {

struct SeriesChunk {
    static constexpr std::size_t kSize = 16384;
    std::vector<double> offsets;  // value - base
    std::vector<double> times;    // seconds from the series' first reading
    uint64_t last_seq = 0;        // seq of the newest reading in it (live series)
};

// What one analysis reads. Immutable once made.
struct SeriesSnapshot {
    std::string function;  // e.g. "FREQUENCY 1"; empty for a file that has none
    Unit unit = Unit::None;
    SplitValue base;       // the first value (offsets are from it)
    // The times are sample numbers (a file of values alone): tau0 is the
    // spacing the user gave, and there are no gaps.
    bool indexed = false;
    std::vector<std::shared_ptr<const SeriesChunk>> chunks;
    std::size_t Count() const;
};

// The current series, collected reading by reading on the event thread.
class LiveSeries {
public:
    void Reset();
    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }
    // Adds one reading (its exact value and time).
    void Add(const std::string& function, Unit unit, SplitValue value, double time, uint64_t seq);
    // Forgets whole chunks whose readings are all older than first_seq (the
    // record dropped them).
    void DropBefore(uint64_t first_seq);
    // The series as it is now: the full chunks shared, the last one copied.
    std::shared_ptr<const SeriesSnapshot> Snapshot() const;

private:
    std::string function_;
    Unit unit_ = Unit::None;
    SplitValue base_;
    std::vector<std::shared_ptr<const SeriesChunk>> full_;
    std::size_t dropped_chunks_ = 0;
    SeriesChunk tail_;
    std::size_t count_ = 0;
};

// Appends chunk after chunk: what a file reader uses to make a snapshot.
class SeriesBuilder {
public:
    SeriesBuilder(std::string function, Unit unit, bool indexed = false);
    void Add(SplitValue value, double time);
    std::size_t Count() const;
    std::shared_ptr<const SeriesSnapshot> Finish();

private:
    std::shared_ptr<SeriesSnapshot> snapshot_;
    std::shared_ptr<SeriesChunk> tail_;
    bool have_base_ = false;
};

struct SeriesAnalysisOptions {
    Deviation deviation = Deviation::Oadev;
    TauSet taus = TauSet::Octave;
    bool remove_drift = false;
    double confidence = 0.683;
    double tau0 = 0.0;  // seconds; 0: the median spacing of the times
};

struct SeriesAnalysis {
    std::vector<DevPoint> points;
    std::size_t count = 0;      // readings analysed
    double tau0 = 0.0;
    double mean = 0.0;          // in the reading's unit
    DriftFit drift;             // of the fractional frequency, per second
    double drift_per_day = 0.0; // fractional frequency per day
    double drift_per_day_se = 0.0;
    double drift_unit_per_s = 0.0;  // in the reading's unit per second
    double drift_unit_per_s_se = 0.0;
    bool drift_removed = false;  // false for the Hadamard kind, which ignores it anyway
    GapSummary gaps;
    std::thread::id thread;     // where it ran
    double seconds = 0.0;       // how long it took
};

// The fractional frequency of the readings (y = f / mean - 1 for frequency
// and ratio, y = mean / T - 1 for a period, so that drift keeps the sign of
// the frequency), laid on the grid of tau0 with the gaps left out, the drift
// fitted (and removed when asked), then the deviation with its noise type and
// interval at every averaging time.
SeriesAnalysis AnalyseSeries(const SeriesSnapshot& series, const SeriesAnalysisOptions& options);

}  // namespace kt::view
