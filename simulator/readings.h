// The counter's gate times and the text forms of its readings.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

namespace ktsim {

// The gate menu of the counter, in the order its arrow keys step through it.
inline constexpr int kGateCount = 18;
inline constexpr int kPowerOnGate = 8;  // 100 ms
inline constexpr int kExternalGate = 17;

// Gate time of a gate-menu item in microseconds; the external gate counts as
// 100 ms, the usual period of an external arming signal on the bench.
int64_t GateMicros(int gateIndex);
// The gate as the counter's display names it ("10uS", "100mS", "1S", "EXTERNL").
const char* GateName(int gateIndex);

// Significant digits the counter shows at a gate time: 11 at 100 ms, one
// more or less per decade, between 4 and 12.
int DigitsForGate(int gateIndex);

// Display forms. The number carries `digits` significant digits (more only
// when the integer part alone is longer), followed by the prefix and unit:
//   FormatFrequency(10000000.123, 11) == "10.000000123MHz"
//   FormatFrequency(999999.99, 8)     == "999.99999kHz"
//   FormatFrequency(50, 9)            == "50.0000000Hz"
//   FormatPeriod(0.00123456789, 9)    == "1.23456789ms"
//   FormatRatio(10.0000001, 9)        == "10.0000001"
// Frequencies of 1 MHz and above stay in MHz; periods below 1 us are in ns.
std::string FormatFrequency(double hz, int digits);
std::string FormatPeriod(double seconds, int digits);
std::string FormatRatio(double ratio, int digits);

// A value with `digits` significant digits in fixed notation.
std::string FixedDigits(double value, int digits);

// Measurement noise: a few counts of the last shown digit, so consecutive
// readings differ in their last places as on the real counter.
class NoiseSource {
public:
    explicit NoiseSource(uint32_t seed) : engine_(seed) {}
    // value with a random relative error of about 1.5 counts in the last of
    // `digits` significant digits.
    double Jitter(double value, int digits);
    // Uniform byte 0..255.
    unsigned char Byte();

private:
    std::mt19937 engine_;
};

}  // namespace ktsim
