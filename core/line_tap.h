// The tap on the receive path: every complete line the counter sends while
// connected, in arrival order, handed to an observer (the record of readings)
// without changing anything the panel itself does with the text.
#pragma once

#include <string_view>

#include "core/serial_control.h"

namespace kt {

// Receives the counter's lines. Implemented outside the panel logic (the
// record of readings).
class ReceivedLineObserver {
public:
    virtual ~ReceivedLineObserver() = default;
    // One line without its line feed and without a carriage return before it.
    // function: the measurement function the panel's mirror holds as the line
    // arrives, as its menu text without trailing blanks ("FREQUENCY 1").
    // read: when the serial control read the bytes that completed the line.
    virtual void OnReceivedLine(std::string_view line, std::string_view function, ReadTime read) = 0;
    // The panel disconnected (power key, "LOC", settings change, line fault).
    virtual void OnLinkClosed() {}
};

// Hands on the lines of each text the receive assembly completes (everything
// up to and including a line feed, which may be several lines), one by one in
// arrival order, while `taking` is true (connected and identified): the
// identification reply is never handed on, nor a "LOC" line or a line that
// begins with "SAMPLE", which the receive assembly does not take for
// readings either.
class LineTap {
public:
    ReceivedLineObserver* observer = nullptr;

    void Completed(std::string_view text, bool taking, std::string_view function, ReadTime read) const;
};

// The measurement function's name as the counter's menu shows it, without
// trailing blanks; empty for a code outside the menus.
std::string_view MeasFunctionName(int measFunction);

}  // namespace kt
