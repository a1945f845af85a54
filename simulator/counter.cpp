#include "counter.h"

#include <algorithm>

namespace ktsim {

namespace {

constexpr int kFreqItems = 7;
constexpr int kPeriodItems = 3;

constexpr std::array<const char*, 11> kFunctionNames{
    "FREQUENCY 1", "FREQUENCY 2", "FREQUENCY 3", "RATIO 1 TO 2", "RATIO 1 TO 3",
    "RATIO 2 TO 1", "RATIO 3 TO 1", "PERIOD 1", "PERIOD 2", "PERIOD 3", "FREQ CHECK"};

// Input channels of the ratio items 3..6: numerator, denominator (1-based).
constexpr std::array<std::array<int, 2>, 4> kRatioChannels{{{1, 2}, {1, 3}, {2, 1}, {3, 1}}};

// Speed keys and the gate they choose: 10 ms, 100 ms, 400 ms, 1 s.
struct SpeedKey {
    int keyNumber;
    int gate;
};
constexpr std::array<SpeedKey, 4> kSpeedKeys{{
    {key::kSpeedHigh, 5}, {key::kSpeedFast, 8}, {key::kSpeedMiddle, 9}, {key::kSpeedLow, 11}}};

// The counter's own frequency check measures its 10 MHz timebase.
constexpr double kTimebaseHz = 10'000'000.0;

bool IsTimedMenu(Menu m) { return m != Menu::None; }

}  // namespace

int RangeIndex(const std::string& suffix) {
    for (std::size_t i = 0; i < kRangeSuffixes.size(); ++i) {
        if (suffix == kRangeSuffixes[i]) return static_cast<int>(i);
    }
    return -1;
}

bool FreqItemOffered(int range, int item) {
    if (item < 0 || item >= kFreqItems) return false;
    if (range < 1) return item == 0;
    if (range < 5) return item == 0 || item == 1 || item == 3 || item == 5;
    if (range < 7) return item % 2 == 0;
    return true;
}

bool PeriodItemOffered(int range, int item) {
    if (item < 0 || item >= kPeriodItems) return false;
    if (range < 1) return item == 0;
    if (range < 5) return item <= 1;
    if (range < 7) return item != 1;
    return true;
}

std::string FunctionName(int function) {
    if (function < 0 || function >= static_cast<int>(kFunctionNames.size())) return "?";
    return kFunctionNames[static_cast<std::size_t>(function)];
}

Counter::Counter(int range, uint32_t seed) : range_(range), noise_(seed) {}

void Counter::Reset() {
    freqItem_ = 0;
    periodItem_ = 0;
    function_ = 0;
    gate_ = kPowerOnGate;
    running_ = true;
    singlePending_ = false;
    ch1Imp50_ = ch1Dc_ = ch1AttX10_ = ch1Filter_ = false;
    menu_ = Menu::None;
}

void Counter::SetSignal(int channel, double hz) {
    if (channel >= 1 && channel <= 3 && hz > 0) signalHz_[static_cast<std::size_t>(channel - 1)] = hz;
}

double Counter::Signal(int channel) const {
    if (channel < 1 || channel > 3) return 0.0;
    return signalHz_[static_cast<std::size_t>(channel - 1)];
}

void Counter::Tick(int64_t nowMicros) {
    if (IsTimedMenu(menu_) && nowMicros - menuDeadline_ >= 0) menu_ = Menu::None;
}

void Counter::ApplyFunctionItem() {
    if (menu_ == Menu::FreqFunc) function_ = freqItem_;
    if (menu_ == Menu::PeriodFunc) function_ = kFirstPeriodFunction + periodItem_;
    if (menu_ == Menu::OtherFunc) function_ = kCheckFunction;
}

void Counter::OpenFunctionMenu(Menu menu, int64_t nowMicros) {
    menu_ = menu;
    menuDeadline_ = nowMicros + kMenuTimeoutMicros;
    // The first press shows the current item; an item this counter does not
    // have moves on to the next one it has.
    if (menu == Menu::FreqFunc && !FreqItemOffered(range_, freqItem_)) Step(+1, nowMicros);
    if (menu == Menu::PeriodFunc && !PeriodItemOffered(range_, periodItem_)) Step(+1, nowMicros);
    ApplyFunctionItem();
}

void Counter::Step(int direction, int64_t nowMicros) {
    menuDeadline_ = nowMicros + kMenuTimeoutMicros;
    auto cycle = [direction](int item, int count) { return (item + direction + count) % count; };
    switch (menu_) {
        case Menu::FreqFunc:
            do {
                freqItem_ = cycle(freqItem_, kFreqItems);
            } while (!FreqItemOffered(range_, freqItem_));
            break;
        case Menu::PeriodFunc:
            do {
                periodItem_ = cycle(periodItem_, kPeriodItems);
            } while (!PeriodItemOffered(range_, periodItem_));
            break;
        case Menu::Gate: gate_ = cycle(gate_, kGateCount); break;
        case Menu::Ch1Imp:
        case Menu::Ch1Coup:
        case Menu::Ch1Att:
        case Menu::Ch1Filt: ToggleSetting(menu_); break;
        case Menu::OtherFunc:
        case Menu::None: break;
    }
    ApplyFunctionItem();
}

void Counter::ToggleSetting(Menu menu) {
    switch (menu) {
        case Menu::Ch1Imp: ch1Imp50_ = !ch1Imp50_; break;
        case Menu::Ch1Coup: ch1Dc_ = !ch1Dc_; break;
        case Menu::Ch1Att: ch1AttX10_ = !ch1AttX10_; break;
        case Menu::Ch1Filt: ch1Filter_ = !ch1Filter_; break;
        default: break;
    }
}

void Counter::ToggleMenu(Menu menu, int64_t nowMicros) {
    // Every press of a channel 1 key, the first included, flips its setting.
    menu_ = menu;
    menuDeadline_ = nowMicros + kMenuTimeoutMicros;
    ToggleSetting(menu);
}

bool Counter::PressKey(int keyNumber, int64_t nowMicros) {
    Tick(nowMicros);
    switch (keyNumber) {
        case key::kFrequency:
            if (menu_ == Menu::FreqFunc) Step(+1, nowMicros); else OpenFunctionMenu(Menu::FreqFunc, nowMicros);
            return true;
        case key::kTime:
            if (menu_ == Menu::PeriodFunc) Step(+1, nowMicros); else OpenFunctionMenu(Menu::PeriodFunc, nowMicros);
            return true;
        case key::kOther: OpenFunctionMenu(Menu::OtherFunc, nowMicros); return true;
        case key::kArm:
            if (menu_ == Menu::Gate) {
                Step(+1, nowMicros);
            } else {
                menu_ = Menu::Gate;
                menuDeadline_ = nowMicros + kMenuTimeoutMicros;
            }
            return true;
        case key::kCh1Imp: ToggleMenu(Menu::Ch1Imp, nowMicros); return true;
        case key::kCh1Coup: ToggleMenu(Menu::Ch1Coup, nowMicros); return true;
        case key::kCh1Att: ToggleMenu(Menu::Ch1Att, nowMicros); return true;
        case key::kCh1Filt: ToggleMenu(Menu::Ch1Filt, nowMicros); return true;
        case key::kUp:
        case key::kRight: Step(+1, nowMicros); return true;
        case key::kLeft:
        case key::kDown: Step(-1, nowMicros); return true;
        case key::kRun:
            running_ = true;
            singlePending_ = false;
            menu_ = Menu::None;
            return true;
        case key::kStop:
            // Stop halts the measuring; pressed again while stopped it takes
            // a single measurement.
            if (running_) running_ = false; else singlePending_ = true;
            menu_ = Menu::None;
            return true;
        default: break;
    }
    for (const SpeedKey& speed : kSpeedKeys) {
        if (speed.keyNumber == keyNumber) {
            gate_ = speed.gate;
            menu_ = Menu::None;
            return true;
        }
    }
    if (keyNumber < 1 || keyNumber > key::kHighest) return false;
    // Trigger, limit, math, statistics, sign and Enter: they end a timed menu
    // but change nothing the readings depend on.
    menu_ = Menu::None;
    return true;
}

void Counter::SetOscillator(const OscillatorModel* model, uint32_t seed) {
    oscillator_ = model != nullptr ? std::make_unique<Oscillator>(*model, seed) : nullptr;
    lastReadingMicros_.reset();
}

double Counter::OscillatorY(std::optional<int64_t> atMicros) {
    const double gate = static_cast<double>(MeasureMicros()) / 1e6;
    double interval = gate;
    if (atMicros && lastReadingMicros_) interval = std::max(0.0, static_cast<double>(*atMicros - *lastReadingMicros_) / 1e6);
    if (atMicros) lastReadingMicros_ = atMicros;
    return oscillator_->Next(interval, gate);
}

std::string Counter::TakeReading(std::optional<int64_t> atMicros) {
    singlePending_ = false;
    const int digits = DigitsForGate(gate_);
    const bool source = function_ < 3 || (function_ >= kFirstPeriodFunction && function_ < kCheckFunction);
    if (oscillator_ != nullptr && source) {
        const double y = OscillatorY(atMicros);
        if (function_ >= kFirstPeriodFunction) {
            return FormatPeriod(1.0 / (Signal(function_ - kFirstPeriodFunction + 1) * (1.0 + y)), digits);
        }
        return FormatFrequency(Signal(function_ + 1) * (1.0 + y), digits);
    }
    if (function_ < kFirstPeriodFunction && function_ >= 3) {
        const auto& pair = kRatioChannels[static_cast<std::size_t>(function_ - 3)];
        return FormatRatio(noise_.Jitter(Signal(pair[0]) / Signal(pair[1]), digits), digits);
    }
    if (function_ >= kFirstPeriodFunction && function_ < kCheckFunction) {
        const double hz = Signal(function_ - kFirstPeriodFunction + 1);
        return FormatPeriod(noise_.Jitter(1.0 / hz, digits), digits);
    }
    if (function_ == kCheckFunction) return FormatFrequency(noise_.Jitter(kTimebaseHz, digits), digits);
    return FormatFrequency(noise_.Jitter(Signal(function_ + 1), digits), digits);
}

std::string Counter::Describe() const {
    switch (menu_) {
        case Menu::Gate: return std::string("GATE ") + GateName(gate_);
        case Menu::Ch1Imp: return ch1Imp50_ ? "CH1 50 OHM" : "CH1 1M OHM";
        case Menu::Ch1Coup: return ch1Dc_ ? "CH1 DC" : "CH1 AC";
        case Menu::Ch1Att: return ch1AttX10_ ? "CH1 X10 ATT" : "CH1 X1 ATT";
        case Menu::Ch1Filt: return ch1Filter_ ? "CH1 LP FILT" : "CH1 NO FILT";
        default: return FunctionName(function_);
    }
}

}  // namespace ktsim
