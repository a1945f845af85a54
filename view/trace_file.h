// Reads a data file into series for the stability chart: a recording of the
// panel (one series per function and unit, in the order first seen), or a
// text, CSV or TSV file of numbers (the first column; lines beginning with #
// or % skipped, one header line allowed; any ordinary notation), whose
// spacing the user gives. Meant for a worker thread: it reports how far it
// got and stops when asked. A malformed file is refused with the line and
// what is wrong; nothing in a file can make it hold more than kMaxValues.
// Plain C++: no Qt.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "view/stability_series.h"

namespace kt::view {

struct TraceFile {
    static constexpr std::size_t kMaxValues = 50'000'000;
    std::vector<std::shared_ptr<const SeriesSnapshot>> series;
    bool needs_tau0 = false;  // numbers without times
    bool cancelled = false;
    std::string error;        // plain words, with the line; empty when read
};

// progress: the fraction of the file read so far (0 to 1), written now and
// then; cancel: read now and then, stops the reading when set.
TraceFile ReadTraceFile(const std::string& path, std::atomic<double>* progress = nullptr,
                        const std::atomic<bool>* cancel = nullptr);

}  // namespace kt::view
