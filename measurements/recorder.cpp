#include "measurements/recorder.h"

#include <cerrno>
#include <cstring>

#include "measurements/csv.h"

#ifdef _WIN32
#include <filesystem>
#endif

namespace kt {

namespace {

std::FILE* OpenForAppend(const std::string& path) {
#ifdef _WIN32
    // The C library's fopen takes the ANSI code page there; names are UTF-8.
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    return _wfopen(native.c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

}  // namespace

CsvRecorder::~CsvRecorder() { Close(); }

void CsvRecorder::Fail(const char* what, int err) {
    error_ = std::string(what) + " " + path_ + ": " + (err != 0 ? std::strerror(err) : "unknown error");
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    buffer_.clear();
    rows_pending_ = 0;
}

bool CsvRecorder::Open(const std::string& path, SteadyTime start) {
    Close();
    path_ = path;
    error_.clear();
    rows_written_ = 0;
    rows_pending_ = 0;
    buffer_.clear();
    start_ = start;
    errno = 0;
    file_ = OpenForAppend(path);
    if (file_ == nullptr) {
        Fail("Cannot open", errno);
        return false;
    }
    // Appending: the header goes only into an empty file.
    errno = 0;
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        Fail("Cannot open", errno);
        return false;
    }
    const long size = std::ftell(file_);
    if (size == 0) buffer_ += kCsvHeader;
    // A header or an unreadable size (a device) is written at once, so that a
    // file that cannot be written is reported when the recording starts.
    return Flush();
}

void CsvRecorder::Write(const Reading& reading) {
    if (file_ == nullptr) return;
    AppendCsvRow(buffer_, reading, start_);
    ++rows_pending_;
    if (buffer_.size() >= kFlushBytes) Flush();
}

bool CsvRecorder::Flush() {
    if (file_ == nullptr) return error_.empty();
    if (buffer_.empty()) return true;
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    if (written != buffer_.size() || std::fflush(file_) != 0) {
        Fail("Cannot write", errno);
        return false;
    }
    buffer_.clear();
    rows_written_ += rows_pending_;
    rows_pending_ = 0;
    return true;
}

bool CsvRecorder::Close() {
    if (file_ == nullptr) return error_.empty();
    const bool flushed = Flush();
    if (!flushed) return false;
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        Fail("Cannot write", errno);
        return false;
    }
    return true;
}

}  // namespace kt
