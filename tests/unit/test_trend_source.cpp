// The trend's series: the min/max pyramid against a brute-force minimum and
// maximum, its compact times, and the running mean and drift line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "measurements/trend_source.h"

namespace kt::test {
namespace {

TrendColumn BruteForce(const TrendSource& s, std::size_t first, std::size_t last) {
    TrendColumn c;
    for (std::size_t i = first; i < last; ++i) {
        c.min = c.used ? std::min(c.min, s.ValueAt(i)) : s.ValueAt(i);
        c.max = c.used ? std::max(c.max, s.ValueAt(i)) : s.ValueAt(i);
        c.used = true;
    }
    return c;
}

TEST(TrendPyramid, ExtremesAndPixelColumnsEqualABruteForceMinMax) {
    std::mt19937_64 random(46290);
    // Sizes around the block and segment boundaries, with and without a
    // capacity (the oldest dropped); times with repeats and gaps, values
    // noisy with spikes.
    const struct {
        std::size_t n, capacity;
    } cases[] = {{0, 0}, {1, 0}, {15, 0}, {16, 0}, {17, 0}, {33, 0}, {1000, 0}, {70'001, 0},
                 {1000, 100}, {70'001, 5000}, {9000, 4096}, {40, 32}};
    for (const auto [n, capacity] : cases) {
        TrendSource s;
        s.SetCapacity(capacity);
        std::vector<double> times, values;
        double t = 1e5;  // far from 0: the offsets of a segment carry the digits
        std::normal_distribution<double> noise(0.0, 1.0);
        for (std::size_t i = 0; i < n; ++i) {
            t += (random() % 7 == 0) ? 0.0 : (random() % 50 == 0 ? 3.0 : 0.004);
            const double v = 1e7 + noise(random) * 1e-3 + (random() % 997 == 0 ? 5.0 : 0.0) + 1e-4 * (t - 1e5);
            ASSERT_TRUE(s.Append(t, v));
            times.push_back(t);
            values.push_back(v);
        }
        const std::size_t held = capacity == 0 ? n : std::min(n, capacity);
        ASSERT_EQ(s.Size(), held);
        times.erase(times.begin(), times.end() - static_cast<std::ptrdiff_t>(held));  // the newest are held
        values.erase(values.begin(), values.end() - static_cast<std::ptrdiff_t>(held));
        for (std::size_t i = 0; i < held; ++i) {
            ASSERT_EQ(s.ValueAt(i), values[i]) << i;
            ASSERT_LE(s.TimeAt(i), times[i]) << i;  // never later than it was
            ASSERT_GE(s.TimeAt(i), times[i] - 1.2e-7 * (times[i] - 1e5)) << i;  // a float's digits
            if (i > 0) {
                ASSERT_LE(s.TimeAt(i - 1), s.TimeAt(i)) << i;  // in order, across segments too
            }
        }
        if (held > 2) {  // the running mean and line of what is held, against two passes
            double mt = 0, mv = 0, stt = 0, stv = 0;
            for (std::size_t i = 0; i < held; ++i) mt += times[i] / held, mv += values[i] / held;
            for (std::size_t i = 0; i < held; ++i) stt += (times[i] - mt) * (times[i] - mt), stv += (times[i] - mt) * (values[i] - mv);
            EXPECT_NEAR(s.Mean(), mv, 1e-7) << n;
            EXPECT_NEAR(s.Drift().slope, stv / stt, 1e-6 * std::abs(stv / stt) + 1e-9) << n;
        }
        for (int k = 0; k < 300; ++k) {
            const std::size_t a = random() % (held + 1), b = random() % (held + 1);
            const std::size_t first = std::min(a, b), last = std::max(a, b) + (k % 3 == 0 ? 5 : 0);
            EXPECT_EQ(s.Extremes(first, last), BruteForce(s, first, std::min(last, held))) << n << ' ' << first << ' ' << last;
        }
        // Pixel columns of views inside, around and beyond the data.
        const double t0 = s.FirstTime(), span = std::max(s.LastTime() - t0, 1.0);
        for (int k = 0; k < 20; ++k) {
            const double from = t0 + span * (std::uniform_real_distribution<double>(-0.2, 1.0)(random));
            const double to = from + span * std::uniform_real_distribution<double>(1e-5, 1.3)(random);
            const int width = 1 + static_cast<int>(random() % 900);
            std::vector<TrendColumn> columns;
            s.Columns(from, to, width, columns);
            ASSERT_EQ(columns.size(), static_cast<std::size_t>(width));
            std::size_t first = 0;
            while (first < held && s.TimeAt(first) < from) ++first;
            for (int c = 0; c < width; ++c) {
                const double hi = c + 1 == width ? to : from + (to - from) / width * (c + 1);
                std::size_t last = first;
                while (last < held && s.TimeAt(last) < hi) ++last;
                ASSERT_EQ(columns[c], BruteForce(s, first, last)) << n << " column " << c;
                first = last;
            }
        }
    }
}

TEST(TrendSeries, OutOfOrderTimesAndValuesThatAreNoNumber) {
    TrendSource s;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(s.Append(2.0, 1.0));
    EXPECT_TRUE(s.Append(1.0, 2.0));   // earlier: taken as the last time
    EXPECT_TRUE(s.Append(nan, 3.0));
    EXPECT_FALSE(s.Append(3.0, nan));  // left out
    EXPECT_FALSE(s.Append(3.0, std::numeric_limits<double>::infinity()));
    ASSERT_EQ(s.Size(), 3u);
    EXPECT_EQ(s.TimeAt(1), 2.0);
    EXPECT_EQ(s.TimeAt(2), 2.0);
    EXPECT_EQ(s.Min(), 1.0);
    EXPECT_EQ(s.Max(), 3.0);
    EXPECT_EQ(s.IndexAt(2.0), 0u);
    EXPECT_EQ(s.IndexAt(2.5), 3u);
    EXPECT_EQ(s.IndexAt(nan), 3u);
    std::vector<TrendColumn> columns;
    s.Columns(5.0, 1.0, 10, columns);  // a backward range draws nothing
    EXPECT_TRUE(std::none_of(columns.begin(), columns.end(), [](const TrendColumn& c) { return c.used; }));
}

TEST(TrendSeries, DriftLineAndMeanMatchPublishedRegressions) {
    // Anscombe's first data set (The American Statistician 27 (1973) 17):
    // y = 3.00 + 0.500 x, mean of y 7.50. Given in the order of x.
    const double x[] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    const double y[] = {4.26, 5.68, 7.24, 4.82, 6.95, 8.81, 8.04, 8.33, 10.84, 7.58, 9.96};
    TrendSource s;
    EXPECT_FALSE(s.Drift().valid);
    for (int i = 0; i < 11; ++i) s.Append(x[i], y[i]);
    const TrendLine line = s.Drift();
    ASSERT_TRUE(line.valid);
    EXPECT_NEAR(line.intercept, 3.0001, 5e-5);
    EXPECT_NEAR(line.slope, 0.5001, 5e-5);
    EXPECT_NEAR(s.Mean(), 7.5009, 5e-5);

    // Near 10 MHz a drift of 1 mHz/s over a day keeps its digits.
    TrendSource counter;
    for (int i = 0; i < 86400; ++i) counter.Append(i, 1e7 + 1e-3 * i + ((i % 2) ? 1e-4 : -1e-4));
    EXPECT_NEAR(counter.Drift().slope, 1e-3, 1e-11);
    EXPECT_NEAR(counter.Drift().intercept, 1e7, 1e-6);
    EXPECT_NEAR(counter.Mean(), 1e7 + 1e-3 * 43199.5, 1e-6);

    TrendSource sameTime;  // no line through values at one time
    sameTime.Append(1.0, 1.0);
    sameTime.Append(1.0, 2.0);
    EXPECT_FALSE(sameTime.Drift().valid);
}

}  // namespace
}  // namespace kt::test
