// The CSV form of readings (RFC 4180, UTF-8, LF line ends), shared by the
// recorder and "Save as CSV", and a reader of such files for the analyser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "measurements/reading.h"
#include "measurements/store.h"

namespace kt {

// The header row, with its line end.
inline constexpr std::string_view kCsvHeader = "time,elapsed_s,reading,value,unit,function\n";

// "2026-12-07T12:00:00.123Z": ISO 8601 UTC with milliseconds (truncated).
// Portable: no gmtime, a civil-from-days computation.
std::string FormatIsoUtc(SystemTime time);
// The same, appended to out.
void AppendIsoUtc(std::string& out, SystemTime time);

// Seconds with 6 decimals, e.g. "12.000345" (rounded to the microsecond).
void AppendElapsed(std::string& out, std::chrono::nanoseconds elapsed);

// Appends one field, quoted when it holds a comma, a quote or a control
// character (quotes doubled; everything else written as it is).
void AppendCsvField(std::string& out, std::string_view field);

// Appends one row (with its LF) for a reading; elapsed_s is measured from
// origin (the moment the recording began).
void AppendCsvRow(std::string& out, const Reading& reading, SteadyTime origin);
// The same for a held reading, its texts made again: the same bytes.
void AppendCsvRow(std::string& out, const ReadingView& reading, SteadyTime origin);

// Reads RFC 4180 records one at a time; a quoted field may span lines.
class CsvReader {
public:
    explicit CsvReader(std::istream& in) : in_(in) {}
    // Reads the next record into fields. Returns false at the end of the
    // input or on a malformed record (then Error() says why).
    bool Next(std::vector<std::string>& fields);
    // The line (1-based) on which the last record read began.
    uint64_t RecordLine() const { return record_line_; }
    // Why the last Next failed; empty at a clean end of input.
    const std::string& Error() const { return error_; }

private:
    std::istream& in_;
    uint64_t line_ = 1;
    uint64_t record_line_ = 0;
    std::string error_;
};

}  // namespace kt
