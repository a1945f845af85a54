#include "view/readings_record.h"

#include <chrono>

namespace kt {

namespace {
constexpr int kFlushIntervalMs = 500;
}

ReadingsRecord::ReadingsRecord(QObject* parent) : QObject(parent) {
    flushTimer_.setInterval(kFlushIntervalMs);
    connect(&flushTimer_, &QTimer::timeout, this, &ReadingsRecord::Flush);
}

ReadingsRecord::~ReadingsRecord() { recorder_.Close(); }

bool ReadingsRecord::StartRecording(const std::string& path) {
    const bool ok = recorder_.Open(path, std::chrono::steady_clock::now());
    if (ok) {
        flushTimer_.start();
    } else {
        flushTimer_.stop();
        if (onFailure) onFailure(recorder_.Error());
    }
    emit recordingChanged();
    return ok;
}

void ReadingsRecord::StopRecording() {
    if (!recorder_.IsOpen()) return;
    flushTimer_.stop();
    if (!recorder_.Close() && onFailure) onFailure(recorder_.Error());
    emit recordingChanged();
}

void ReadingsRecord::Flush() {
    if (!recorder_.IsOpen()) return;
    recorder_.Flush();
    CheckFailure();
}

void ReadingsRecord::CheckFailure() {
    if (recorder_.IsOpen() || recorder_.Error().empty()) return;
    flushTimer_.stop();
    if (onFailure) onFailure(recorder_.Error());
    emit recordingChanged();
}

void ReadingsRecord::OnReceivedLine(std::string_view line, std::string_view function, ReadTime read) {
    const Reading& reading = store_.Add(line, function, read.wall, read.steady);
    if (!recorder_.IsOpen()) return;
    recorder_.Write(reading);
    CheckFailure();
}

}  // namespace kt
