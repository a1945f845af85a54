// A series for the stability analysis as a worker thread reads it: the
// readings' values as offsets from a base (every digit the counter sent) and
// their times, in chunks that never change once made. The live series is
// made on the worker from a snapshot of the record (which shares the
// record's full chunks and copies only the one being filled, so that handing
// it over costs the same whether a thousand readings are held or ten
// million); an opened recording is made once by the file reader.
// The analysis itself (AnalyseSeries) is a plain function the worker calls.
// Plain C++: no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "measurements/data_file.h"
#include "measurements/reading.h"
#include "measurements/stability.h"
#include "measurements/store.h"

namespace kt::view {

struct SeriesChunk {
    static constexpr std::size_t kSize = 16384;
    std::vector<double> offsets;  // value - base
    std::vector<double> times;    // seconds from the series' first reading
};

// What one analysis reads. Immutable once made.
struct SeriesSnapshot {
    std::string function;  // e.g. "FREQUENCY 1"; empty for a file that has none
    Unit unit = Unit::None;
    SplitValue base;       // the first value (offsets are from it)
    std::vector<std::shared_ptr<const SeriesChunk>> chunks;
    std::size_t Count() const;
};

// The readings of one series among those of a snapshot of the record: those
// with a value, this function and unit, from seq from_seq on; times from the
// first of them. Run on the worker: O(readings held).
std::shared_ptr<const SeriesSnapshot> SeriesOfReadings(const ReadingSnapshot& readings, std::string_view function,
                                                       Unit unit, uint64_t from_seq);

// Appends chunk after chunk: what a file reader uses to make a snapshot.
class SeriesBuilder {
public:
    SeriesBuilder(std::string function, Unit unit);
    void Add(SplitValue value, double time);
    std::size_t Count() const;
    // The series made; call once.
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
    double tau0 = 0.0;  // seconds; 0: the median spacing of the times (the file's tau0)
};

struct SeriesAnalysis {
    std::string function;       // of the series analysed
    Unit unit = Unit::None;
    std::vector<DevPoint> points;
    std::size_t count = 0;      // readings analysed
    double tau0 = 0.0;
    double mean = 0.0;          // in the reading's unit
    DriftFit drift;             // of the fractional frequency, per second
    double drift_per_day = 0.0; // fractional frequency per day
    double drift_per_day_se = 0.0;
    double drift_unit_per_s = 0.0;  // in the reading's unit per second
    double drift_unit_per_s_se = 0.0;
    bool drift_removed = false;
    GapSummary gaps;
    std::thread::id thread;     // where it ran
    double seconds = 0.0;       // how long it took
};

// The fractional frequency of the readings (y = f / mean - 1 for frequency
// and ratio, y = mean / T - 1 for a period, so that drift keeps the sign of
// the frequency), laid on the grid of tau0 with the gaps left out, then as
// AnalyseFractional.
SeriesAnalysis AnalyseSeries(const SeriesSnapshot& series, const SeriesAnalysisOptions& options);

// A series of a data file (already fractional frequency on its grid): the
// drift fitted (and removed when asked), then the deviation with its noise
// type and interval at every averaging time, as kt46290-stats does it.
SeriesAnalysis AnalyseDataSeries(const DataSeries& series, const SeriesAnalysisOptions& options);

}  // namespace kt::view
