// Recording readings to a CSV file: appended to, never truncated; the header
// only into an empty file. Rows are buffered in memory and reach the file on
// Flush (call it at least once a second, e.g. from a timer), when the buffer
// grows large, and at Close. A failed open or write stops the recording and
// leaves the reason in Error().
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "measurements/reading.h"

namespace kt {

class CsvRecorder {
public:
    CsvRecorder() = default;
    CsvRecorder(const CsvRecorder&) = delete;
    CsvRecorder& operator=(const CsvRecorder&) = delete;
    // Closes the file (flushing what is buffered).
    ~CsvRecorder();

    // Opens path (UTF-8) for appending and begins a recording: elapsed_s of
    // every row is measured from start. Closes a recording already open.
    // False on failure, with Error() naming the file and the reason.
    bool Open(const std::string& path, SteadyTime start);
    // True while recording.
    bool IsOpen() const { return file_ != nullptr; }
    // Buffers the row of one reading (does nothing when not recording).
    void Write(const Reading& reading);
    // Writes the buffered rows to the file. False (and the recording stopped,
    // Error() set) when the write fails.
    bool Flush();
    // Flushes and closes; false when the final write or the close failed.
    // Does nothing (true) when not recording.
    bool Close();

    // Rows of this recording that reached the file.
    uint64_t RowsWritten() const { return rows_written_; }
    // Rows buffered, not yet in the file.
    uint64_t RowsPending() const { return rows_pending_; }
    // The file of the current or last recording.
    const std::string& Path() const { return path_; }
    // "Cannot write FILE: reason" after a failure; empty otherwise (cleared by Open).
    const std::string& Error() const { return error_; }

    // Buffered bytes beyond which Write flushes by itself.
    static constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

private:
    void Fail(const char* what, int err);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string buffer_;
    std::string error_;
    SteadyTime start_{};
    uint64_t rows_written_ = 0;
    uint64_t rows_pending_ = 0;
};

}  // namespace kt
