// 16-bit arithmetic of the panel's counters, deadlines and codes: sums wrap at
// 16 bits, so a counter and the deadlines derived from it wrap alike.
#pragma once

#include <cstdint>

namespace kt {

// A flag holds -1 for true and 0 for false, and no other value.
using Flag = int16_t;
constexpr Flag kTrue = -1;
constexpr Flag kFalse = 0;

constexpr Flag ToFlag(bool b) { return b ? kTrue : kFalse; }
// The bitwise complement swaps -1 and 0.
constexpr Flag Invert(Flag f) { return static_cast<Flag>(~f); }

// a + b in 16-bit two's complement arithmetic.
constexpr int16_t Add16(int16_t a, int b) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(a) + static_cast<uint16_t>(b)));
}

}  // namespace kt
