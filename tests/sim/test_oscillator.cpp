// The oscillator models: the overlapping Allan deviation of what each one
// generates follows the curve its figures predict (the counter's white phase
// noise falling as 1/tau, white FM as tau^-1/2, the flicker floor, the rise
// of random walk and drift), and the counter's readings carry it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "counter.h"
#include "measurements/reading.h"
#include "measurements/statistics.h"
#include "oscillator.h"
#include "options.h"

namespace ktsim {
namespace {

TEST(SimOscillator, EachModelsAllanDeviationFollowsItsFigures) {
    // 2^17 readings of a 1 s gate back to back: 36 hours, tau up to 4096 s.
    for (const char* name : {"quartz", "tcxo", "ocxo", "rubidium"}) {
        SCOPED_TRACE(name);
        const OscillatorModel* model = FindOscillator(name);
        ASSERT_NE(model, nullptr);
        Oscillator oscillator(*model, 46290);
        std::vector<double> y(1 << 17);
        for (double& v : y) v = oscillator.Next(1.0, 1.0);
        const auto points = kt::OverlappingAdevOfFractions(y, 1.0);
        ASSERT_GE(points.size(), 13u);
        for (const kt::AdevPoint& p : points) {
            if (p.m > 4096) break;
            SCOPED_TRACE(p.tau);
            const double ratio = p.adev / PredictedAdev(*model, p.tau);
            EXPECT_GT(ratio, 0.75);
            EXPECT_LT(ratio, 1.3);
        }
    }
    // The shapes an engineer expects: quartz near 1e-10 at 1 s and rising by
    // an hour (drift), the OCXO's floor near 1e-12, the rubidium's white FM
    // of a few 1e-12 / sqrt(tau) below the counter's own noise at 1 s.
    EXPECT_NEAR(PredictedAdev(*FindOscillator("quartz"), 1.0), 1.05e-10, 0.1e-10);
    EXPECT_GT(PredictedAdev(*FindOscillator("quartz"), 4096.0), 2.0 * PredictedAdev(*FindOscillator("quartz"), 64.0));
    EXPECT_NEAR(PredictedAdev(*FindOscillator("ocxo"), 300.0), 1.0e-12, 0.15e-12);
    EXPECT_NEAR(PredictedAdev(*FindOscillator("rubidium"), 1000.0) / PredictedAdev(*FindOscillator("rubidium"), 250.0),
                0.55, 0.1);
}

TEST(SimOscillator, TheCountersReadingsCarryTheOscillatorAndTheOptionNamesIt) {
    std::string error;
    const auto options = ParseOptions({"--oscillator", "ocxo"}, &error);
    ASSERT_TRUE(options) << error;
    ASSERT_EQ(options->config.oscillator, FindOscillator("ocxo"));
    EXPECT_FALSE(ParseOptions({"--oscillator", "cesium"}, &error));
    EXPECT_EQ(error, "--oscillator: unknown kind cesium (quartz|tcxo|ocxo|rubidium)");
    EXPECT_EQ(ParseOptions({}, &error)->config.oscillator, nullptr);

    // Quartz readings at the power-on gate (100 ms, 11 digits), 10 a second:
    // the Allan deviation of the readings' values follows the model at 1 s.
    Counter counter(-1, 1);
    counter.SetOscillator(FindOscillator("quartz"), 7);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = counter.TakeReading(int64_t{100'000} * i);
        const kt::ParsedValue v = kt::ParseValue(text);
        ASSERT_TRUE(v.has_value) << text;
        values.push_back(v.value);
    }
    const auto points = kt::OverlappingAdev(values, 0.1);
    ASSERT_GE(points.size(), 4u);
    EXPECT_EQ(points[3].m, 8u);  // 0.8 s
    EXPECT_NEAR(points[3].adev / PredictedAdev(*FindOscillator("quartz"), 0.8), 1.0, 0.3);
}

}  // namespace
}  // namespace ktsim
