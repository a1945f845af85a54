// The tap on the receive path: every complete line the counter sends while
// connected, in arrival order, handed to an observer (the record of readings)
// without changing anything the panel itself does with the text.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kt {

// Receives the counter's lines. Implemented outside the panel logic (the
// record of readings), which stamps the time a line is handed over.
class ReceivedLineObserver {
public:
    virtual ~ReceivedLineObserver() = default;
    // One line without its line feed and without a carriage return before it.
    // function: the measurement function the panel's mirror holds as the line
    // arrives, as its menu text without trailing blanks ("FREQUENCY 1").
    // age: how long before now the line arrived, as far as the serial
    // control can tell (lines read together are spread over the time in
    // which they arrived); 0 for a line read as it came.
    virtual void OnReceivedLine(std::string_view line, std::string_view function,
                                std::chrono::nanoseconds age) = 0;
    // The panel disconnected (power key, "LOC", settings change, line fault).
    virtual void OnLinkClosed() {}
};

// Splits the bytes of successive receive events into lines: several lines in
// one event are several lines, a line split over several events is one. Lines
// are handed on only while `taking` is true (connected and identified); the
// identification reply, the "LOC" line and lines that begin with "SAMPLE" are
// never handed on. Unfinished text is bounded like the receive buffer.
class LineTap {
public:
    ReceivedLineObserver* observer = nullptr;

    void Received(std::string_view bytes, bool taking, std::string_view function,
                  std::chrono::nanoseconds age = {});

private:
    std::string pending_;
};

}  // namespace kt
