// The CSV form of a deviation's points, one row per averaging time: what
// kt46290-stats prints with --dev and --csv and what the readings window
// exports from its table, so that the two are equal byte for byte.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <string>
#include <string_view>

#include "measurements/stability.h"

namespace kt {

// The header row, with its line end.
inline constexpr std::string_view kDeviationCsvHeader =
    "function,unit,deviation,tau_s,af,terms,alpha,edf,low,value,high\n";

// A number with 12 significant digits ("%.12g"); nothing for NaN or an infinity.
void AppendCsvNumber(std::string& out, double value);

// Appends one row (with its LF): function and unit as CSV fields (empty for
// a file that has none), the deviation's name, then the point.
void AppendDeviationCsvRow(std::string& out, std::string_view function, std::string_view unit, Deviation deviation,
                           const DevPoint& point);

}  // namespace kt
