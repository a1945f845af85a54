// The live series of the record laid out for the stability analysis, on the
// worker, straight from a snapshot: two passes over the held readings and
// one buffer of eight bytes a grid point that the caller keeps from one run
// to the next, instead of copies of the offsets, the times, the fractional
// frequency and its grid (about forty bytes a reading) made anew each time.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <cstdint>
#include <vector>

#include "measurements/stability.h"
#include "measurements/store.h"

namespace kt {

struct LiveSeriesLayout {
    uint64_t count = 0;   // readings of the series
    double mean = 0.0;    // in the reading's unit
    double tau0 = 0.0;    // the spacing of the grid, seconds
    GapSummary gaps;
    uint64_t length = 0;  // values on the grid (count plus the missing ones)
    // At least two readings with a finite mean other than zero: the values
    // were laid out. Otherwise only count and mean are given.
    bool laid_out = false;
};

// The readings of the series key in the snapshot with seqs in range, as
// fractional frequency (y = f / mean - 1 for a frequency or a ratio, y =
// mean / T - 1 for a period, so that drift keeps the frequency's sign; the
// difference from the mean taken of the exact offsets, which keep every digit
// the counter sent), laid on the grid of tau0 with a NaN for each missing
// reading (as FillGaps does with the readings' monotonic times) into
// values[1..length], values[0] left free for the phase (see
// AnalyseDeviationInPlace). tau0: the given one when it is a positive number,
// else the median spacing of the times. Without a usable spacing, or when
// the grid would be more than four times as long as the series plus a
// million (one absurd time), the readings are laid side by side with no gap
// and a tau0 of 1 when none was found. values keeps its memory from one call
// to the next.
LiveSeriesLayout LayOutLiveSeries(const ReadingSnapshot& readings, const SeriesKey& key, SeqRange range, double tau0,
                                  std::vector<double>& values);

}  // namespace kt
