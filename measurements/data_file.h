// A file of readings turned into series of fractional frequency for the
// stability analysis: the panel's recording (rows grouped by function and
// unit) or any text, CSV or TSV file of numbers. Pure C++ over bytes: no file
// names, no windows, so that the analyser and the readings window (on a
// worker, with progress and cancel) read alike.
//
// A number's text becomes an exact decimal and every value is kept as its
// offset from the group's first value, the two taken part by part
// (OffsetFrom), so 10 MHz values with micro-hertz noise lose nothing. While
// reading, a group holds 16 bytes a reading (offset and time); the series it
// ends with holds 8 (its fractional frequency).
// Plain C++: no Qt, no POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measurements/reading.h"
#include "measurements/stability.h"
#include "measurements/statistics.h"

namespace kt {

// What the numbers of a file are.
enum class DataKind : uint8_t {
    Frequency,   // y = f / F - 1 (F the nominal or the mean)
    Fractional,  // y itself
    Period,      // y = T / T_i - 1 (T the nominal or the mean): the signal's fractional frequency
    Phase,       // x in seconds: y_i = (x_{i+1} - x_i) / tau0
};
// "frequency", "fractional", "period", "phase" and back.
std::string_view DataKindName(DataKind kind);
std::optional<DataKind> ParseDataKind(std::string_view name);

// A number as written: (-1)^negative * digits * 10^exponent. Up to 19
// significant digits are kept (more are cut: they are far below a double's).
struct ExactDecimal {
    bool negative = false;
    uint64_t digits = 0;
    int32_t exponent = 0;
};

// Parses the whole text as [+|-]digits[.digits][(e|E)[+|-]digits] (or
// [+|-].digits...): "10000000.123", "1.0000000123E+07", "-2.5e-11". False for
// anything else.
bool ParseExactDecimal(std::string_view text, ExactDecimal& out);

// Whether the magnitude is 0 or within 1e-300 to 1e300 (so that sums and
// differences of such values stay finite).
bool DecimalInRange(const ExactDecimal& value);

// The decimal (in range) as whole part and fraction: the whole part exact up
// to 2^53, the fraction within a unit or two of its last place.
SplitValue SplitExact(const ExactDecimal& value);

struct DataFileOptions {
    // What the numbers are; nullopt: a recording's unit says it (Hz and none
    // frequency, s period), any other file is frequency.
    std::optional<DataKind> kind;
    // The column of a file other than a recording, from 1; 0: the file must
    // have one column.
    uint32_t column = 0;
    // Spacing of the readings in seconds; 0: the median spacing of a
    // recording's elapsed_s (a file without times then has no tau0).
    double tau0 = 0.0;
    // The nominal frequency (or period) that frequency (period) values are
    // taken relative to, in their unit; nullopt: their mean.
    std::optional<ExactDecimal> nominal;
    // Called after each block read with the bytes read so far; returning
    // false stops the reading (DataFileStatus::Cancelled).
    std::function<bool(uint64_t bytes)> progress;
};

// One group of readings (a whole file other than a recording is one group).
struct DataSeries {
    std::string function;  // a recording's function column; "" otherwise
    std::string unit;      // a recording's unit column: "Hz", "s" or ""
    DataKind kind = DataKind::Frequency;
    Stats stats;              // of the values as written (digit-exact mean)
    uint64_t no_value = 0;    // a recording's rows without a value
    double tau0 = 0.0;        // seconds; NaN when not known
    bool tau0_measured = false;  // the median spacing of the times
    bool has_times = false;
    GapSummary gaps;
    uint64_t restarts = 0;    // times that went back: joined without a gap
    double reference = 0.0;   // the F or T the values are relative to (frequency, period); NaN otherwise
    // Fractional frequency on the grid of tau0 (NaN: a missing reading).
    // Empty when problem says why.
    std::vector<double> y;
    std::string problem;
};

enum class DataFileStatus : uint8_t { Ok, Malformed, Unreadable, Cancelled };

struct DataFile {
    DataFileStatus status = DataFileStatus::Ok;
    bool recording = false;  // the panel's recording
    uint64_t error_line = 0;  // Malformed: the line (from 1); 0 for the whole file
    std::string error;        // what is wrong, in plain words
    uint64_t bytes = 0;       // bytes read
    std::vector<DataSeries> series;
};

// The longest line (or quoted record) accepted, in bytes.
inline constexpr std::size_t kMaxDataLine = 65536;

// Reads a file given in pieces of any size: Feed each, then Finish once.
class DataFileReader {
public:
    explicit DataFileReader(DataFileOptions options);
    ~DataFileReader();
    DataFileReader(const DataFileReader&) = delete;
    DataFileReader& operator=(const DataFileReader&) = delete;
    // False once the file is known to be malformed (Finish says why); the
    // rest need not be fed.
    bool Feed(std::string_view bytes);
    // The series, or why there are none. Call once.
    DataFile Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The whole of in, read in large blocks (progress after each).
DataFile ReadDataFile(std::istream& in, const DataFileOptions& options);
// The whole of bytes.
DataFile ReadDataFile(std::string_view bytes, const DataFileOptions& options);

}  // namespace kt
