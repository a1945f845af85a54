// The counter itself, as far as the panel can see it: its measuring
// function, gate time, run/stop state and the menus its keys open, and the
// reading it would show now. It knows nothing about the serial line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <memory>
#include <optional>

#include "oscillator.h"
#include "readings.h"

namespace ktsim {

// Front-panel key numbers of the counter (the numbers "SYST:KEY n" presses).
namespace key {
inline constexpr int kFrequency = 1;
inline constexpr int kOther = 2;
inline constexpr int kTime = 4;
inline constexpr int kArm = 5;
inline constexpr int kRun = 9;
inline constexpr int kStop = 12;
inline constexpr int kCh1Imp = 14;
inline constexpr int kCh1Coup = 15;
inline constexpr int kCh1Att = 16;
inline constexpr int kCh1Filt = 17;
inline constexpr int kSpeedHigh = 19;
inline constexpr int kSpeedFast = 20;
inline constexpr int kSpeedMiddle = 21;
inline constexpr int kSpeedLow = 22;
inline constexpr int kUp = 25;
inline constexpr int kLeft = 26;
inline constexpr int kRight = 27;
inline constexpr int kDown = 28;
inline constexpr int kEnter = 30;
inline constexpr int kHighest = 30;
}  // namespace key

// The menu on the counter's display.
enum class Menu { None, FreqFunc, PeriodFunc, OtherFunc, Gate, Ch1Imp, Ch1Coup, Ch1Att, Ch1Filt };

// Measuring functions, numbered as the counter numbers them: 0..6 the
// frequency/ratio items, 7..9 the period items, 10 the frequency check.
inline constexpr int kFirstPeriodFunction = 7;
inline constexpr int kCheckFunction = 10;

// Range suffixes of the identification, in the order of their index.
inline constexpr std::array<const char*, 10> kRangeSuffixes{
    "-225M", "-500M", "-1.5G", "-2.5G", "-3G", "-6G", "-8G", "-9G", "-12.4G", "-16G"};
// Index of a suffix in kRangeSuffixes, or -1.
int RangeIndex(const std::string& suffix);

// Which function items a counter of a range offers (range -1: no suffix,
// the smallest counter).
bool FreqItemOffered(int range, int item);
bool PeriodItemOffered(int range, int item);

// Function name as the counter's menu shows it ("FREQUENCY 1", "PERIOD 2").
std::string FunctionName(int function);

class Counter {
public:
    // A timed menu closes this long after the last key that touched it.
    static constexpr int64_t kMenuTimeoutMicros = 3'300'000;

    Counter(int range, uint32_t seed);

    // Power-on settings (also what "*RST" restores).
    void Reset();
    // A front-panel key, pressed at the counter or through "SYST:KEY n".
    // Returns false for a number that is no key of the counter.
    bool PressKey(int keyNumber, int64_t nowMicros);
    // Lets a timed menu run out.
    void Tick(int64_t nowMicros);

    // The signal on input channel 1..3, in Hz.
    void SetSignal(int channel, double hz);
    double Signal(int channel) const;

    // Whether a reading is due from the measuring cycle: true while running,
    // and once after a single measurement was asked for while stopped.
    bool WantsReading() const { return running_ || singlePending_; }
    // The next reading in its display form (without a line end); consumes a
    // pending single measurement. atMicros: when the reading is made (its
    // distance from the previous one drives the oscillator; without it the
    // readings follow each other by the gate time).
    std::string TakeReading(std::optional<int64_t> atMicros = std::nullopt);
    // The signals' source: with a model, frequencies and periods follow
    // that oscillator's noise and drift instead of a few counts of jitter.
    // Unchanged by Reset (it is the source, not a setting of the counter).
    void SetOscillator(const OscillatorModel* model, uint32_t seed);
    // How long one measurement takes.
    int64_t MeasureMicros() const { return GateMicros(gate_); }

    int Function() const { return function_; }
    int Gate() const { return gate_; }
    bool Running() const { return running_; }
    Menu OpenMenu() const { return menu_; }
    bool Ch1Imp50() const { return ch1Imp50_; }
    bool Ch1Dc() const { return ch1Dc_; }
    bool Ch1AttX10() const { return ch1AttX10_; }
    bool Ch1Filter() const { return ch1Filter_; }
    // What the counter's display names right now ("FREQUENCY 1", "GATE 1S",
    // "CH1 50 OHM", or the function when no menu is open).
    std::string Describe() const;

private:
    void OpenFunctionMenu(Menu menu, int64_t nowMicros);
    void Step(int direction, int64_t nowMicros);
    void ToggleMenu(Menu menu, int64_t nowMicros);
    void ToggleSetting(Menu menu);
    void ApplyFunctionItem();

    // Fractional frequency of the next reading from the oscillator.
    double OscillatorY(std::optional<int64_t> atMicros);

    int range_;
    NoiseSource noise_;
    std::unique_ptr<Oscillator> oscillator_;
    std::optional<int64_t> lastReadingMicros_;
    std::array<double, 3> signalHz_{10'000'000.123, 999'999.99, 1'200'000'000.0};

    int freqItem_ = 0;
    int periodItem_ = 0;
    int function_ = 0;
    int gate_ = kPowerOnGate;
    bool running_ = true;
    bool singlePending_ = false;
    bool ch1Imp50_ = false;
    bool ch1Dc_ = false;
    bool ch1AttX10_ = false;
    bool ch1Filter_ = false;
    Menu menu_ = Menu::None;
    int64_t menuDeadline_ = 0;
};

}  // namespace ktsim
