// The data-file reader (exact numbers, kinds, gaps, progress) and the drift
// and gap functions of the stability analysis.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "measurements/data_file.h"
#include "measurements/stability.h"
#include "measurements/statistics.h"

namespace kt::test {
namespace {

TEST(DataFile, NumbersInAnyNotationSplitExactly) {
    struct Case {
        const char* text;
        bool ok;
        double whole;
        double fraction;
    };
    const Case cases[] = {
        {"10000000.123456789", true, 10000000.0, 0.123456789},
        {"1.0000000123E+07", true, 10000000.0, 0.123},
        {"+10000000123e-3", true, 10000000.0, 0.123},
        {"-2.5e-11", true, -0.0, -2.5e-11},
        {"1.000003648E-7", true, 0.0, 1.000003648e-7},
        {".5", true, 0.0, 0.5},
        {"5.", true, 5.0, 0.0},
        {"000.000", true, 0.0, 0.0},
        {"12345678901234567890123", true, 1.2345678901234567e22, 0.0},  // digits beyond 19 cut
        {"", false, 0, 0}, {"-", false, 0, 0}, {".", false, 0, 0}, {"1e", false, 0, 0},
        {"1e+", false, 0, 0}, {"1.2.3", false, 0, 0}, {"0x10", false, 0, 0}, {"nan", false, 0, 0},
        {"inf", false, 0, 0}, {" 1", false, 0, 0}, {"1 ", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ExactDecimal d;
        ASSERT_EQ(ParseExactDecimal(c.text, d), c.ok);
        if (!c.ok) continue;
        const SplitValue s = SplitExact(d);
        EXPECT_EQ(s.whole, c.whole);
        EXPECT_NEAR(s.fraction, c.fraction, std::fabs(c.fraction) * 1e-15);
    }
    ExactDecimal d;
    for (const char* far : {"1e301", "1e-301", "1e999999999", "-1e400"}) {
        ASSERT_TRUE(ParseExactDecimal(far, d)) << far;
        EXPECT_FALSE(DecimalInRange(d)) << far;
    }
    ASSERT_TRUE(ParseExactDecimal("9.99e299", d));
    EXPECT_TRUE(DecimalInRange(d));
}

DataFile Read(const std::string& text, DataFileOptions options = {}) { return ReadDataFile(text, options); }

TEST(DataFile, MicroHertzAt10MegahertzSurviveAndKindsGiveTheFractionalFrequency) {
    // Offsets of 1 and 3 uHz from 10 MHz: y = offset / F exactly, where one
    // double of the whole value would have kept none of them.
    DataFileOptions nominal;
    ExactDecimal f;
    ASSERT_TRUE(ParseExactDecimal("10000000", f));
    nominal.nominal = f;
    const DataFile freq = Read("10000000.000001\n1.0000000000003E7\n", nominal);
    ASSERT_EQ(freq.status, DataFileStatus::Ok) << freq.error;
    ASSERT_EQ(freq.series.size(), 1u);
    ASSERT_EQ(freq.series[0].y.size(), 2u);
    EXPECT_NEAR(freq.series[0].y[0], 1e-13, 1e-26);
    EXPECT_NEAR(freq.series[0].y[1], 3e-13, 1e-26);

    struct Case {
        const char* name;
        DataKind kind;
        const char* text;
        std::vector<double> y;
    };
    const Case cases[] = {
        // Around the mean 2: (1 - 2) / 2, (3 - 2) / 2.
        {"frequency", DataKind::Frequency, "1\n3\n", {-0.5, 0.5}},
        {"fractional", DataKind::Fractional, "-2.5e-11\n1e-11\n", {-2.5e-11, 1e-11}},
        // Mean period 2: 2 / 1 - 1, 2 / 3 - 1 (a longer period, a lower frequency).
        {"period", DataKind::Period, "1\n3\n", {1.0, -1.0 / 3.0}},
        // Phase in seconds, tau0 2 s: (x1 - x0) / 2, (x2 - x1) / 2.
        {"phase", DataKind::Phase, "0\n2e-9\n2e-9\n", {1e-9, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataFileOptions o;
        o.kind = c.kind;
        o.tau0 = 2.0;
        const DataFile file = Read(c.text, o);
        ASSERT_EQ(file.status, DataFileStatus::Ok) << file.error;
        ASSERT_EQ(file.series[0].y.size(), c.y.size());
        for (std::size_t i = 0; i < c.y.size(); ++i) EXPECT_NEAR(file.series[0].y[i], c.y[i], 1e-15 * std::fabs(c.y[i]) + 1e-25);
    }
    // Spreadsheets on Windows start a file with a byte order mark.
    const DataFile bom = Read("\xEF\xBB\xBFtime,elapsed_s,reading,value,unit,function\nt,0,r,5,Hz,F\n");
    EXPECT_TRUE(bom.recording) << bom.error;

    DataFileOptions period;
    period.kind = DataKind::Period;
    EXPECT_NE(Read("1\n-1\n3\n", period).series[0].problem, "");
    EXPECT_EQ(Read("-1\n1\n").series[0].problem, "the mean is 0: no fractional frequency");
}

std::string Recording(const std::vector<double>& times) {
    std::string text = "time,elapsed_s,reading,value,unit,function\n";
    for (std::size_t i = 0; i < times.size(); ++i)
        text += "t," + std::to_string(times[i]) + ",r," + std::to_string(10000000 + i % 3) + ",Hz,\"F,1\"\n";
    return text;
}

TEST(DataFile, GapsOfARecordingAreFilledOnTheMedianSpacing) {
    struct Case {
        const char* name;
        std::vector<double> times;
        uint64_t gaps, missing, longest, restarts;
        std::size_t length;
    };
    const Case cases[] = {
        {"no gap, jitter", {0, 1.001, 1.999, 3.0, 4.0}, 0, 0, 0, 0, 5},
        {"1.49 tau0 is no gap", {0, 1, 2.49, 3.49, 4.49}, 0, 0, 0, 0, 5},
        {"1.5 tau0 is one missing", {0, 1, 2.5, 3.5, 4.5}, 1, 1, 1, 0, 6},
        {"ten missing and two", {0, 1, 2, 13, 14, 17, 18}, 2, 12, 10, 0, 19},
        {"appended recording: joined", {0, 1, 2, 0, 1, 2}, 0, 0, 0, 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DataFile file = Read(Recording(c.times));
        ASSERT_EQ(file.status, DataFileStatus::Ok) << file.error;
        ASSERT_TRUE(file.recording);
        const DataSeries& s = file.series.at(0);
        EXPECT_EQ(s.function, "F,1");
        EXPECT_NEAR(s.tau0, 1.0, 0.002);
        EXPECT_EQ(s.gaps.gaps, c.gaps);
        EXPECT_EQ(s.gaps.missing, c.missing);
        EXPECT_EQ(s.gaps.longest, c.longest);
        EXPECT_EQ(s.restarts, c.restarts);
        ASSERT_EQ(s.y.size(), c.length);
        std::size_t nan = 0;
        for (double v : s.y) nan += std::isnan(v) ? 1 : 0;
        EXPECT_EQ(nan, c.missing);

        // FillGaps over the same times gives the same series.
        std::vector<double> values(c.times.size(), 1.0), out;
        GapSummary summary;
        ASSERT_TRUE(FillGaps(c.times, values, 1.0, out, summary, 100));
        EXPECT_EQ(out.size(), c.length);
        EXPECT_EQ(summary.missing, c.missing);
        EXPECT_EQ(summary.longest, c.longest);
        EXPECT_FALSE(FillGaps(c.times, values, 1.0, out, summary, c.length - 1));
        EXPECT_EQ(out.size(), c.length);  // refused: untouched
    }
}

TEST(DataFile, MedianSpacingOfLongRecordingsIsTheExactMedian) {
    // Past a few thousand spacings the median is found by a selection over
    // the times in place: it must give exactly what sorting gives, for odd
    // and even counts, repeated spacings, gaps and times that go back.
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int> jitter(-3, 3);
    for (std::size_t count : {10001u, 10002u, 20000u}) {
        SCOPED_TRACE(count);
        std::vector<double> times;
        double t = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            t += 0.1 + jitter(random) * 1e-6;
            if (i % 997 == 0) t += 5.0;
            if (i == count / 2) t -= 100.0;
            times.push_back(std::round(t * 1e6) / 1e6);
        }
        const DataFile file = Read(Recording(times));
        ASSERT_EQ(file.status, DataFileStatus::Ok) << file.error;
        std::vector<double> parsed;  // the times as the file holds them (6 decimals)
        for (double v : times) parsed.push_back(std::stod(std::to_string(v)));
        EXPECT_EQ(file.series.at(0).tau0, MedianSpacing(parsed));
        EXPECT_EQ(file.series.at(0).restarts, 1u);
    }
}

TEST(DataFile, PhaseAcrossAGapLeavesOutEveryDifferenceThatTouchesIt) {
    // x at 0, 1, 2, (3 missing), 4, 5 s: the differences 2-3 and 3-4 are missing.
    std::string text = "time,elapsed_s,reading,value,unit,function\n";
    const double x[] = {0, 1e-9, 3e-9, 0, 6e-9, 6.5e-9};
    for (int i : {0, 1, 2, 4, 5}) text += "t," + std::to_string(i) + ",r," + std::to_string(x[i] * 1e9) + "e-9,s,TI\n";
    DataFileOptions o;
    o.kind = DataKind::Phase;
    const DataFile file = Read(text, o);
    ASSERT_EQ(file.status, DataFileStatus::Ok) << file.error;
    const std::vector<double>& y = file.series.at(0).y;
    ASSERT_EQ(y.size(), 5u);
    EXPECT_NEAR(y[0], 1e-9, 1e-22);
    EXPECT_NEAR(y[1], 2e-9, 1e-22);
    EXPECT_TRUE(std::isnan(y[2]) && std::isnan(y[3]));
    EXPECT_NEAR(y[4], 0.5e-9, 1e-22);
    EXPECT_EQ(file.series.at(0).gaps.missing, 1u);
}

TEST(DataFile, ReadInPiecesOfAnySizeAndCancelled) {
    const std::string text = Recording({0, 1, 2, 3, 5, 6, 7}) + "t,8,\"a\nb\",10000000,Hz,\"F,1\"\n";
    const DataFile whole = Read(text);
    ASSERT_EQ(whole.status, DataFileStatus::Ok) << whole.error;
    for (std::size_t piece : {1, 2, 7, 64}) {
        DataFileReader reader({});
        for (std::size_t i = 0; i < text.size(); i += piece) reader.Feed(std::string_view(text).substr(i, piece));
        const DataFile file = reader.Finish();
        ASSERT_EQ(file.status, DataFileStatus::Ok) << piece << ": " << file.error;
        const std::vector<double>& a = file.series.at(0).y;
        const std::vector<double>& b = whole.series.at(0).y;
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])));
    }
    DataFileOptions o;
    o.progress = [](uint64_t) { return false; };
    EXPECT_EQ(Read(text, o).status, DataFileStatus::Cancelled);
    const DataFile open = Read(text + "t,9,\"x");
    EXPECT_EQ(open.status, DataFileStatus::Malformed);
    EXPECT_EQ(open.error_line, 11u);  // the multi-line record took lines 9 and 10
}

TEST(Drift, OnePartIn1e9PerDayInWhiteFmIsFoundWithinItsErrorAndRemoved) {
    const double tau0 = 10.0;
    const double per_second = 1e-9 / 86400.0;
    std::mt19937_64 random(18);
    std::normal_distribution<double> white(0.0, 1e-11);
    std::vector<double> y(20000);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = 3e-8 + per_second * static_cast<double>(i) * tau0 + white(random);
    y[100] = y[5000] = std::nan("");  // missing readings are skipped
    const DriftFit fit = FitLinearDriftSpaced(y, tau0);
    ASSERT_TRUE(fit.valid);
    EXPECT_EQ(fit.count, y.size() - 2);
    // The standard error of white noise sigma over n points spread over T:
    // sigma * sqrt(12 / n) / T.
    const double expected_se = 1e-11 * std::sqrt(12.0 / 19998.0) / (20000 * tau0);
    EXPECT_NEAR(fit.slope_se, expected_se, 0.05 * expected_se);
    EXPECT_NEAR(fit.slope, per_second, 3 * fit.slope_se);
    EXPECT_NEAR(fit.intercept, 3e-8, 1e-12);

    RemoveDriftSpaced(y, tau0, fit);
    const DriftFit after = FitLinearDriftSpaced(y, tau0);
    EXPECT_NEAR(after.slope, 0.0, 1e-3 * fit.slope_se);
    EXPECT_TRUE(std::isnan(y[100]));

    // The same line through explicit times; too few or equal times give none.
    const std::vector<double> t = {0, 1, 2, 3}, line = {1, 3, 5, 7};
    const DriftFit exact = FitLinearDrift(t, line);
    EXPECT_DOUBLE_EQ(exact.slope, 2.0);
    EXPECT_DOUBLE_EQ(exact.intercept, 1.0);
    EXPECT_EQ(exact.slope_se, 0.0);
    EXPECT_FALSE(FitLinearDrift(std::vector<double>{1, 1, 1}, std::vector<double>{1, 2, 3}).valid);
    EXPECT_FALSE(FitLinearDriftSpaced(std::vector<double>{1, 2}, 1.0).valid);
}

TEST(Drift, TheSpacedFitIsTheFitThroughTheTimesOfTheGrid) {
    // Noise alone, drift far above the noise, a large offset, missing values
    // at the ends and in runs: the fit over the grid's own times.
    struct Case {
        double offset, per_step, noise;
        bool gaps;
    } cases[] = {{0.0, 0.0, 1e-11, false}, {3e-8, 1e-12, 1e-15, true}, {1e7, -1e-3, 1e-4, true}, {-2e-9, 1e-14, 1e-11, true}};
    std::mt19937_64 random(5);
    for (const Case& c : cases) {
        std::normal_distribution<double> white(0.0, c.noise);
        // Lengths of each remainder by four (the fit's four sums).
        std::vector<double> y(7001 + static_cast<std::size_t>(&c - cases)), t(y.size());
        for (std::size_t i = 0; i < y.size(); ++i) {
            t[i] = 0.25 * static_cast<double>(i);
            y[i] = c.offset + c.per_step * static_cast<double>(i) + white(random);
            if (c.gaps && (i < 3 || i + 2 >= y.size() || (i >= 1000 && i < 1400) || i % 97 == 0)) y[i] = std::nan("");
        }
        const DriftFit spaced = FitLinearDriftSpaced(y, 0.25);
        const DriftFit through = FitLinearDrift(t, y);
        ASSERT_TRUE(spaced.valid && through.valid);
        EXPECT_EQ(spaced.count, through.count);
        EXPECT_NEAR(spaced.slope, through.slope, 1e-9 * std::abs(through.slope) + 1e-12 * through.slope_se);
        EXPECT_NEAR(spaced.slope_se, through.slope_se, 1e-9 * through.slope_se);
        EXPECT_NEAR(spaced.intercept, through.intercept, 1e-12 * std::abs(c.offset) + 1e-3 * c.noise);
    }
}

}  // namespace
}  // namespace kt::test
