// A counter that sends XOFF and never XON keeps the panel's commands queued:
// the keys seem to do nothing. With XON/XOFF pacing chosen, the system clock
// watches the commands still waiting to go out; once some have waited for
// 2 s the message line says so, and it is cleared when they have gone out.
// The commands themselves stay queued in order; nothing is dropped or resent.
#pragma once

#include <cstdint>
#include <string>

namespace kt {

struct HeldLine {
    // 20 ticks of the 100 ms clock.
    static constexpr int16_t kReportAfterTicks = 20;

    // Ticks in a row with commands waiting, up to kReportAfterTicks.
    int16_t ticksWaiting = 0;
    // The text this watch put on the message line, empty when none.
    std::string shown;
};

// What the message line says about a held line on device with waiting
// commands queued.
std::string HeldLineText(const std::string& device, int waiting);

}  // namespace kt
