// The analyser of a file of readings: the panel's recording (rows grouped by
// function and unit in the order first seen) or any text, CSV or TSV file of
// numbers. Per group: statistics, drift, gaps and, on request, the stability
// deviations with their noise type and interval. Used by kt46290-stats and by
// its tests.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "measurements/data_file.h"
#include "measurements/stability.h"

namespace kt {

// Exit statuses.
constexpr int kStatsOk = 0;
constexpr int kStatsCannotRead = 1;  // the file cannot be opened or read
constexpr int kStatsBadInput = 2;    // a malformed file or a wrong command line

struct StatsOptions {
    bool csv = false;                   // machine-readable output
    std::vector<Deviation> deviations;  // none: statistics, drift and gaps only
    TauSet taus = TauSet::Octave;
    double confidence = 0.683;          // of the intervals, in (0, 1)
    bool remove_drift = false;          // the linear drift out before the deviations
    std::optional<DataKind> kind;       // what the numbers are (default: see DataFileOptions)
    uint32_t column = 0;                // from 1; 0: a file of one column
    std::optional<ExactDecimal> nominal;
    double tau0 = 0.0;                  // seconds; 0: the median spacing of elapsed_s
    bool timing = false;                // the time of each step on err
};

// Analyses the file read from in (name is how messages call it), writes the
// result to out and errors to err. Returns an exit status.
int AnalyseRecording(std::istream& in, const std::string& name, const StatsOptions& options, std::ostream& out,
                     std::ostream& err);

// The whole program: args without the program name. Returns the exit status.
int RunStatsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kt
