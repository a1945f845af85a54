#include "readings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace ktsim {

namespace {

struct GateItem {
    int64_t micros;
    const char* name;
};

constexpr std::array<GateItem, kGateCount> kGates{{
    {10, "10uS"},
    {100, "100uS"},
    {1'000, "1mS"},
    {4'000, "4mS"},
    {7'000, "7mS"},
    {10'000, "10mS"},
    {40'000, "40mS"},
    {70'000, "70mS"},
    {100'000, "100mS"},
    {400'000, "400mS"},
    {700'000, "700mS"},
    {1'000'000, "1S"},
    {4'000'000, "4S"},
    {7'000'000, "7S"},
    {10'000'000, "10S"},
    {100'000'000, "100S"},
    {1'000'000'000, "1000S"},
    {100'000, "EXTERNL"},
}};

struct Scale {
    double factor;  // value / factor is shown
    const char* suffix;
};

std::string WithScale(double value, int digits, const Scale* scales, int count) {
    const double magnitude = std::fabs(value);
    int pick = count - 1;
    for (int i = 0; i < count; ++i) {
        if (magnitude >= scales[i].factor) {
            pick = i;
            break;
        }
    }
    return FixedDigits(value / scales[pick].factor, digits) + scales[pick].suffix;
}

}  // namespace

int64_t GateMicros(int gateIndex) {
    if (gateIndex < 0 || gateIndex >= kGateCount) return kGates[kPowerOnGate].micros;
    return kGates[static_cast<std::size_t>(gateIndex)].micros;
}

const char* GateName(int gateIndex) {
    if (gateIndex < 0 || gateIndex >= kGateCount) return "?";
    return kGates[static_cast<std::size_t>(gateIndex)].name;
}

int DigitsForGate(int gateIndex) {
    const double seconds = static_cast<double>(GateMicros(gateIndex)) / 1e6;
    // floor with a little slack so that exact decades land on their own value
    const int decades = static_cast<int>(std::floor(std::log10(seconds / 0.1) + 1e-9));
    const int digits = 11 + decades;
    return digits < 4 ? 4 : (digits > 12 ? 12 : digits);
}

std::string FixedDigits(double value, int digits) {
    const double magnitude = std::fabs(value);
    int integerDigits = 1;
    if (magnitude >= 1.0) integerDigits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    int decimals = digits - integerDigits;
    if (decimals < 0) decimals = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // Rounding up into a new leading digit (999.99 -> 1000.0) shows one
    // decimal less, so the count of digits stays the same.
    const char* point = std::strchr(text, '.');
    const int shownInteger = static_cast<int>(point ? point - text : std::strlen(text)) - (value < 0 ? 1 : 0);
    if (shownInteger > integerDigits && decimals > 0) {
        std::snprintf(text, sizeof text, "%.*f", decimals - 1, value);
    }
    return text;
}

std::string FormatFrequency(double hz, int digits) {
    static constexpr Scale kScales[] = {{1e6, "MHz"}, {1e3, "kHz"}, {1.0, "Hz"}};
    return WithScale(hz, digits, kScales, 3);
}

std::string FormatPeriod(double seconds, int digits) {
    static constexpr Scale kScales[] = {{1.0, "s"}, {1e-3, "ms"}, {1e-6, "us"}, {1e-9, "ns"}};
    return WithScale(seconds, digits, kScales, 4);
}

std::string FormatRatio(double ratio, int digits) { return FixedDigits(ratio, digits); }

double NoiseSource::Jitter(double value, int digits) {
    std::normal_distribution<double> counts(0.0, 1.5);
    return value * (1.0 + counts(engine_) * std::pow(10.0, 1 - digits));
}

unsigned char NoiseSource::Byte() {
    return static_cast<unsigned char>(std::uniform_int_distribution<int>(0, 255)(engine_));
}

}  // namespace ktsim
