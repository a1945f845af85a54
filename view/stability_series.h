// The stability analysis as the readings window's workers run it: of the
// live series, read straight from a snapshot of the record (which shares the
// record's full chunks and copies only the one being filled, so that handing
// it over costs the same whether a thousand readings are held or ten
// million), in buffers the live trace keeps from one run to the next; and of
// a series of an opened file. Plain functions the worker calls.
// Plain C++: no Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "measurements/data_file.h"
#include "measurements/live_series.h"
#include "measurements/reading.h"
#include "measurements/stability.h"
#include "measurements/store.h"

namespace kt::view {

// The live series as a worker reads it: the readings of one function and
// unit in a snapshot of the record, from one seq on (the last Clear) up to
// the newest the window had shown when it asked (so that a paused window
// asked again for another deviation analyses the same readings).
struct LiveSeriesSource {
    std::shared_ptr<const ReadingSnapshot> readings;
    std::string function;  // e.g. "FREQUENCY 1"
    Unit unit = Unit::None;
    SeqRange seqs;
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
    double cpu_seconds = -1.0;  // the worker thread's CPU time in it; below 0 where the system does not tell
};

// The fractional frequency of the live series laid on the grid of tau0 with
// the gaps left out (LayOutLiveSeries), in buffers (kept by the caller from
// one run to the next; one run at a time), then the drift fitted (and
// removed when asked) and the deviation with its noise type and interval at
// every averaging time.
SeriesAnalysis AnalyseLiveReadings(const LiveSeriesSource& source, const SeriesAnalysisOptions& options,
                                   DeviationBuffers& buffers);

// A series of a data file (already fractional frequency on its grid): the
// drift fitted (and removed when asked), then the deviation with its noise
// type and interval at every averaging time, as kt46290-stats does it.
SeriesAnalysis AnalyseDataSeries(const DataSeries& series, const SeriesAnalysisOptions& options);

}  // namespace kt::view
