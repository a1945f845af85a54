// The analyser of a recorded CSV of readings: rows grouped by (function,
// unit) in the order first seen, statistics per group and, on request, the
// overlapping Allan deviation. Used by kt46290-stats and by its tests.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kt {

// Exit statuses.
constexpr int kStatsOk = 0;
constexpr int kStatsCannotRead = 1;  // the file cannot be opened or read
constexpr int kStatsBadInput = 2;    // a malformed file or a wrong command line

struct StatsOptions {
    bool csv = false;    // machine-readable output
    bool adev = false;   // the Allan deviation instead of (--csv) or beside the summary
    double tau0 = 0.0;   // seconds; 0: the median spacing of each group's elapsed_s
};

// Analyses the recording read from in (name is how errors call it) and writes
// the result to out, errors to err. Returns an exit status.
int AnalyseRecording(std::istream& in, const std::string& name, const StatsOptions& options, std::ostream& out,
                     std::ostream& err);

// The whole program: args without the program name. Returns the exit status.
int RunStatsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kt
