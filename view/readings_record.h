// The record of readings behind the panel: every line the counter sends while
// connected is parsed and kept in memory with the time the serial control read
// it, and written to a CSV file while a recording runs. Rows reach the file
// within a second (a timer) and completely when the recording stops, the
// panel disconnects or the window closes. A failed open or write stops the
// recording and is reported through onFailure; the readings stay in memory.
#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QTimer>

#include "core/line_tap.h"
#include "measurements/recorder.h"
#include "measurements/store.h"

namespace kt {

class ReadingsRecord : public QObject, public ReceivedLineObserver {
    Q_OBJECT
public:
    explicit ReadingsRecord(QObject* parent = nullptr);
    ~ReadingsRecord() override;

    ReadingStore& store() { return store_; }
    const CsvRecorder& recorder() const { return recorder_; }
    bool recording() const { return recorder_.IsOpen(); }

    // Starts recording into path (appended to, header only into an empty
    // file), ending a recording already running. False on failure, reported.
    bool StartRecording(const std::string& path);
    // Writes what is buffered and closes the file.
    void StopRecording();
    // Writes what is buffered now.
    void Flush();

    // Told the reason (naming the file) when a recording fails.
    std::function<void(const std::string&)> onFailure;

    void OnReceivedLine(std::string_view line, std::string_view function, ReadTime read) override;
    void OnLinkClosed() override { Flush(); }

signals:
    // The recording started, stopped or failed.
    void recordingChanged();

private:
    void CheckFailure();

    ReadingStore store_;
    CsvRecorder recorder_;
    QTimer flushTimer_;
};

}  // namespace kt
