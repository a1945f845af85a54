// The tap on the receive path: every complete line the counter sends while
// connected, in arrival order, handed to an observer (the record of readings)
// without changing anything the panel itself does with the text.
#pragma once

#include <cstddef>
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

// Hands on the lines of the receive buffer one by one, in arrival order, each
// as its line feed arrives, while `taking` is true (connected and
// identified). The receive buffer is the only copy of the text: the tap keeps
// none of its own. The identification reply is never handed on, nor a "LOC"
// line or a line that begins with "SAMPLE", which the receive assembly does
// not take for readings either. A line is handed on as soon as its line feed
// is in, whether or not the text it belongs to is complete: in a flood a read
// seldom ends on a line feed, and the buffer's bound would drop lines that
// waited for one.
class LineTap {
public:
    ReceivedLineObserver* observer = nullptr;

    // buffer: the receive buffer after a read appended `read` characters to
    // it (the buffer's bound may have dropped older ones); hands on the lines
    // whose line feed came with that read.
    void Received(std::string_view buffer, std::size_t read, bool taking, std::string_view function,
                  ReadTime time) const;
};

}  // namespace kt
