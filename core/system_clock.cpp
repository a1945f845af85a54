// The panel's time base: timSystemClk fires every 100 ms for the life of the
// window. Each tick advances tickCount, ends a menu whose time-out has come,
// runs a deferred action whose tick has come, blinks the move light and
// watches for commands held back by the counter's XOFF.
//
// tickCount and the two deadlines are 16-bit and wrap alike (Add16), and a
// deadline is met by equality only, so time-outs keep working after the counter
// passes 32767 (about 54.6 minutes) and wraps to -32768.
#include "core/soft_panel.h"

namespace kt {

namespace {

// The move light changes on every tick whose count is divisible by 3: a
// 300 ms half-period. tickCount is signed, so the remainder is taken as a
// non-negative value; divisibility is that of the signed count. The 65536
// values of the counter are not a multiple of 3, so once per cycle, where
// 32767 wraps to -32768, one half-period lasts 400 ms instead of 300 ms; the
// light never flickers faster than its normal rate.
constexpr bool IsBlinkTick(int16_t tick) {
    const int remainder = ((static_cast<int>(tick) % 3) + 3) % 3;
    return remainder == 0;
}

static_assert(IsBlinkTick(-3) && IsBlinkTick(0) && IsBlinkTick(32766) && IsBlinkTick(-32766));
static_assert(!IsBlinkTick(32767) && !IsBlinkTick(-32768) && !IsBlinkTick(-32767));

}  // namespace

void SoftPanel::timSystemClk_Timer() {
    tickCount = Add16(tickCount, 1);

    // A timed menu (function, gate time, channel 1) ends 3.3 s after its last
    // step: back to readings.
    if (menuTimeoutArmed != kFalse && tickCount == menuTimeoutTick) {
        menuTimeoutArmed = kFalse;
        MoveLightOff();
        ReturnToReadings();
        RefreshModeLamps();
    }

    // A deferred action: the key pressed while "NOT ENTERED " was due, or the
    // clearing of a "NO ... MENU" message.
    if (deferArmed != kFalse && tickCount == deferTick) {
        deferArmed = kFalse;
        if (deferIsKey != kFalse) {
            deferIsKey = kFalse;
            RunKeyAction(deferKeyCode);
        } else {
            DismissMessage();
        }
    }

    if (moveLightBlinking != kFalse && IsBlinkTick(tickCount)) {
        view.shpMoveLight.BackColor = view.shpMoveLight.BackColor == kLampOff ? kLampLit : kLampOff;
    }

    WatchHeldLine();
}

}  // namespace kt
