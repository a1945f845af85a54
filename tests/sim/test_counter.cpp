// The counter model: functions and menus its keys open, gate times, run/stop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "counter.h"

namespace ktsim {
namespace {

constexpr int64_t kSecond = 1'000'000;

std::vector<int> FunctionsAfterPresses(int range, int keyNumber, int presses) {
    Counter counter(range, 1);
    std::vector<int> seen;
    for (int i = 0; i < presses; ++i) {
        counter.PressKey(keyNumber, i * 100'000);
        seen.push_back(counter.Function());
    }
    return seen;
}

TEST(SimCounter, PowerOnSettings) {
    Counter counter(2, 1);
    counter.PressKey(key::kArm, 0);
    counter.PressKey(key::kUp, 0);
    counter.PressKey(key::kStop, 0);
    counter.Reset();
    EXPECT_EQ(counter.Function(), 0);
    EXPECT_EQ(counter.Gate(), kPowerOnGate);
    EXPECT_TRUE(counter.Running());
    EXPECT_EQ(counter.OpenMenu(), Menu::None);
    EXPECT_TRUE(counter.WantsReading());
}

TEST(SimCounter, FrequencyKeyStepsThroughTheItemsTheRangeOffers) {
    const struct {
        int range;
        std::vector<int> functions;
    } cases[] = {
        {-1, {0, 0, 0}},
        {0, {0, 0, 0}},
        {2, {0, 1, 3, 5, 0}},
        {5, {0, 2, 4, 6, 0}},
        {9, {0, 1, 2, 3, 4, 5, 6, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FunctionsAfterPresses(c.range, key::kFrequency, static_cast<int>(c.functions.size())),
                  c.functions)
            << "range " << c.range;
    }
}

TEST(SimCounter, TimeKeyStepsThroughThePeriodItems) {
    EXPECT_EQ(FunctionsAfterPresses(0, key::kTime, 3), (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(FunctionsAfterPresses(2, key::kTime, 3), (std::vector<int>{7, 8, 7}));
    EXPECT_EQ(FunctionsAfterPresses(5, key::kTime, 3), (std::vector<int>{7, 9, 7}));
    EXPECT_EQ(FunctionsAfterPresses(8, key::kTime, 4), (std::vector<int>{7, 8, 9, 7}));
}

TEST(SimCounter, OtherKeyChoosesTheFrequencyCheck) {
    Counter counter(2, 1);
    counter.PressKey(key::kOther, 0);
    EXPECT_EQ(counter.Function(), kCheckFunction);
    EXPECT_EQ(counter.Describe(), "FREQ CHECK");
}

TEST(SimCounter, ArrowsStepTheOpenFunctionMenuBothWays) {
    Counter counter(2, 1);
    counter.PressKey(key::kFrequency, 0);
    counter.PressKey(key::kDown, 0);
    EXPECT_EQ(counter.Function(), 5);
    counter.PressKey(key::kLeft, 0);
    EXPECT_EQ(counter.Function(), 3);
    counter.PressKey(key::kRight, 0);
    counter.PressKey(key::kUp, 0);
    EXPECT_EQ(counter.Function(), 0);
}

TEST(SimCounter, ArrowsWithoutAMenuChangeNothing) {
    Counter counter(9, 1);
    for (int arrow : {key::kUp, key::kDown, key::kLeft, key::kRight}) counter.PressKey(arrow, 0);
    EXPECT_EQ(counter.Function(), 0);
    EXPECT_EQ(counter.Gate(), kPowerOnGate);
}

TEST(SimCounter, ArmKeyAndArrowsChooseTheGate) {
    Counter counter(2, 1);
    counter.PressKey(key::kArm, 0);
    EXPECT_EQ(counter.Gate(), kPowerOnGate) << "the first press shows the current gate";
    counter.PressKey(key::kArm, 0);
    EXPECT_EQ(counter.Gate(), 9);
    counter.PressKey(key::kDown, 0);
    counter.PressKey(key::kDown, 0);
    EXPECT_EQ(counter.Gate(), 7);
    EXPECT_EQ(counter.Describe(), "GATE 70mS");
    EXPECT_EQ(counter.MeasureMicros(), 70'000);
}

TEST(SimCounter, GateMenuWrapsAtBothEnds) {
    Counter counter(2, 1);
    counter.PressKey(key::kArm, 0);
    for (int i = 0; i < 9; ++i) counter.PressKey(key::kUp, 0);
    EXPECT_EQ(counter.Gate(), kExternalGate);
    counter.PressKey(key::kUp, 0);
    EXPECT_EQ(counter.Gate(), 0);
    counter.PressKey(key::kDown, 0);
    EXPECT_EQ(counter.Gate(), kExternalGate);
}

TEST(SimCounter, SpeedKeysSetTheirGates) {
    const struct {
        int keyNumber;
        int64_t gateMicros;
    } cases[] = {{key::kSpeedHigh, 10'000}, {key::kSpeedFast, 100'000},
                 {key::kSpeedMiddle, 400'000}, {key::kSpeedLow, 1'000'000}};
    for (const auto& c : cases) {
        Counter counter(2, 1);
        counter.PressKey(key::kArm, 0);
        EXPECT_TRUE(counter.PressKey(c.keyNumber, 0));
        EXPECT_EQ(counter.MeasureMicros(), c.gateMicros) << "key " << c.keyNumber;
        EXPECT_EQ(counter.OpenMenu(), Menu::None) << "a speed key ends the gate menu";
    }
}

TEST(SimCounter, TimedMenuRunsOutAndTheNextPressOnlyShows) {
    Counter counter(9, 1);
    counter.PressKey(key::kFrequency, 0);
    counter.PressKey(key::kFrequency, 1 * kSecond);
    EXPECT_EQ(counter.Function(), 1);
    counter.Tick(1 * kSecond + Counter::kMenuTimeoutMicros - 1);
    EXPECT_EQ(counter.OpenMenu(), Menu::FreqFunc);
    counter.Tick(1 * kSecond + Counter::kMenuTimeoutMicros);
    EXPECT_EQ(counter.OpenMenu(), Menu::None);
    counter.PressKey(key::kFrequency, 6 * kSecond);
    EXPECT_EQ(counter.Function(), 1);
    counter.PressKey(key::kUp, 6 * kSecond);
    EXPECT_EQ(counter.Function(), 2);
}

TEST(SimCounter, OtherKeysEndATimedMenu) {
    Counter counter(9, 1);
    counter.PressKey(key::kFrequency, 0);
    counter.PressKey(key::kEnter, 0);
    EXPECT_EQ(counter.OpenMenu(), Menu::None);
    counter.PressKey(key::kUp, 0);
    EXPECT_EQ(counter.Function(), 0);
}

TEST(SimCounter, ChannelOneKeysToggleOnEveryPressAndArrowsToggleToo) {
    Counter counter(2, 1);
    counter.PressKey(key::kCh1Imp, 0);
    EXPECT_TRUE(counter.Ch1Imp50());
    EXPECT_EQ(counter.Describe(), "CH1 50 OHM");
    counter.PressKey(key::kUp, 0);
    EXPECT_FALSE(counter.Ch1Imp50());
    counter.PressKey(key::kCh1Coup, 0);
    counter.PressKey(key::kCh1Att, 0);
    counter.PressKey(key::kCh1Filt, 0);
    EXPECT_TRUE(counter.Ch1Dc());
    EXPECT_TRUE(counter.Ch1AttX10());
    EXPECT_TRUE(counter.Ch1Filter());
}

TEST(SimCounter, StopHaltsAndASecondStopTakesOneReading) {
    Counter counter(2, 1);
    counter.PressKey(key::kStop, 0);
    EXPECT_FALSE(counter.Running());
    EXPECT_FALSE(counter.WantsReading());
    counter.PressKey(key::kStop, 0);
    EXPECT_TRUE(counter.WantsReading());
    counter.TakeReading();
    EXPECT_FALSE(counter.WantsReading());
    counter.PressKey(key::kRun, 0);
    EXPECT_TRUE(counter.Running());
    EXPECT_TRUE(counter.WantsReading());
}

TEST(SimCounter, NumbersThatAreNoKeyAreRefused) {
    Counter counter(2, 1);
    EXPECT_FALSE(counter.PressKey(0, 0));
    EXPECT_FALSE(counter.PressKey(31, 0));
    EXPECT_FALSE(counter.PressKey(-5, 0));
    EXPECT_TRUE(counter.PressKey(13, 0));
}

TEST(SimCounter, ReadingFormFollowsTheFunction) {
    Counter counter(9, 3);
    counter.SetSignal(2, 810.0);
    auto endsWith = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(endsWith(counter.TakeReading(), "MHz"));
    counter.PressKey(key::kFrequency, 0);
    counter.PressKey(key::kFrequency, 0);  // FREQUENCY 2
    const std::string second = counter.TakeReading();
    EXPECT_TRUE(endsWith(second, "Hz") && !endsWith(second, "kHz")) << second;
    EXPECT_NEAR(std::strtod(second.c_str(), nullptr), 810.0, 1e-5) << second;
    counter.PressKey(key::kTime, 0);
    counter.PressKey(key::kTime, 0);  // PERIOD 2
    const std::string period = counter.TakeReading();
    EXPECT_TRUE(endsWith(period, "ms")) << period;
    EXPECT_NEAR(std::strtod(period.c_str(), nullptr), 1000.0 / 810.0, 1e-7) << period;
    counter.PressKey(key::kFrequency, 0);
    counter.PressKey(key::kUp, 0);  // RATIO 1 TO 2
    counter.PressKey(key::kUp, 0);
    const std::string ratio = counter.TakeReading();
    EXPECT_EQ(counter.Function(), 3);
    EXPECT_EQ(ratio.find_first_not_of("0123456789."), std::string::npos) << ratio;
    EXPECT_EQ(ratio.substr(0, 6), "12345.") << ratio;
}

TEST(SimCounter, RangeSuffixesAreLookedUpExactly) {
    EXPECT_EQ(RangeIndex("-225M"), 0);
    EXPECT_EQ(RangeIndex("-1.5G"), 2);
    EXPECT_EQ(RangeIndex("-16G"), 9);
    EXPECT_EQ(RangeIndex("-1.5"), -1);
    EXPECT_EQ(RangeIndex(""), -1);
}

}  // namespace
}  // namespace ktsim
