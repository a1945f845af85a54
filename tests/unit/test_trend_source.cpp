// The trend's series: the min/max pyramid against a brute-force minimum and
// maximum, its compact times, and the running mean and drift line; the live
// series that reads the record against one that keeps its own copy, never
// reading a reading the record dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "measurements/store.h"
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

// The columns of a view as a scan of the held values finds them.
std::vector<TrendColumn> Scanned(const TrendSource& s, double from, double to, int width) {
    std::vector<TrendColumn> columns(static_cast<std::size_t>(width));
    const std::size_t held = s.Size();
    std::size_t first = 0;
    while (first < held && s.TimeAt(first) < from) ++first;
    for (int c = 0; c < width; ++c) {
        const double hi = c + 1 == width ? to : from + (to - from) / width * (c + 1);
        std::size_t last = first;
        while (last < held && s.TimeAt(last) < hi) ++last;
        columns[static_cast<std::size_t>(c)] = BruteForce(s, first, last);
        first = last;
    }
    return columns;
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
            const std::vector<TrendColumn> scanned = Scanned(s, from, to, width);
            for (int c = 0; c < width; ++c) ASSERT_EQ(columns[c], scanned[c]) << n << " column " << c;
        }
    }
}

// The search for a time starts from a guess (where the time falls between
// the first and the last, or a column's width on from the column before):
// whatever the pace, IndexAt and the columns' edges find what a scan finds.
TEST(TrendSearch, IndexAtAndColumnEdgesFindWhatAScanFindsWhateverThePace) {
    const struct {
        const char* name;
        double (*step)(std::size_t i);  // seconds from value i - 1 to value i
    } paces[] = {
        {"steady", [](std::size_t) { return 0.1; }},
        {"a pause of ten hours", [](std::size_t i) { return i == 3000 ? 36000.0 : 0.1; }},
        {"bursts of one time", [](std::size_t i) { return i % 50 < 45 ? 0.0 : 1.0; }},
        {"ever slower", [](std::size_t i) { return 1e-4 * static_cast<double>(i * i); }},
    };
    std::mt19937_64 random(4629);
    for (const auto& pace : paces) {
        SCOPED_TRACE(pace.name);
        TrendSource s;
        double t = 50.0;
        for (std::size_t i = 0; i < 10'000; ++i) ASSERT_TRUE(s.Append(t += pace.step(i), static_cast<double>(random() % 1000)));
        std::vector<double> held(s.Size());
        for (std::size_t i = 0; i < held.size(); ++i) held[i] = s.TimeAt(i);
        const auto scan = [&](double at) {
            return static_cast<std::size_t>(std::partition_point(held.begin(), held.end(), [&](double x) { return x < at; }) -
                                            held.begin());
        };
        std::vector<double> probes{held.front() - 1.0, held.back() + 1.0};
        for (std::size_t i = 0; i < held.size(); i += 7) probes.insert(probes.end(), {held[i], std::nextafter(held[i], 1e300)});
        for (double at : probes) ASSERT_EQ(s.IndexAt(at), scan(at)) << at;
        EXPECT_EQ(s.IndexAt(std::numeric_limits<double>::quiet_NaN()), s.Size());
        for (int k = 0; k < 30; ++k) {
            const double span = held.back() - held.front();
            const double from = held.front() + span * std::uniform_real_distribution<double>(-0.1, 1.0)(random);
            const double to = from + span * std::uniform_real_distribution<double>(1e-6, 1.1)(random);
            const int width = 1 + static_cast<int>(random() % 1200);
            std::vector<TrendColumn> columns;
            s.Columns(from, to, width, columns);
            std::size_t first = scan(from);
            for (int c = 0; c < width; ++c) {
                const std::size_t last = scan(c + 1 == width ? to : from + (to - from) / width * (c + 1));
                ASSERT_EQ(columns[c], BruteForce(s, first, std::max(first, last))) << "column " << c << " of " << width;
                first = std::max(first, last);
            }
        }
    }
}


// A view asked for again keeps its columns and reads again only those that
// values taken or dropped since reach: as the stream passes through it, fills
// it and leaves it, they are what a scan finds.
TEST(TrendColumnsKept, AskedForAgainAsValuesAreTakenAndDroppedTheyAreWhatAScanFinds) {
    const struct Case {
        const char* name;
        bool live;             // the record's series, else one with its own values
        std::size_t capacity;  // of the record or of the series (0: none)
        double left, right;    // the view, seconds
        int width;
    } cases[] = {
        {"following, its own values", false, 0, 0.0, 50.0, 333},
        {"following, its own values, the oldest dropped", false, 3000, 0.0, 50.0, 333},
        {"zoomed in, its own values, the oldest dropped", false, 3000, 10.0, 12.5, 500},
        {"following, the record dropping its oldest", true, 3000, 0.0, 50.0, 333},
        {"zoomed in, the record dropping its oldest", true, 3000, 10.0, 12.5, 500},
        {"zoomed out, more columns than values", true, 0, -5.0, 40.0, 1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937_64 random(462);
        ReadingStore store(c.live && c.capacity != 0 ? c.capacity : ReadingStore::kCapacity);
        TrendSource own;
        own.SetCapacity(c.capacity);
        TrendSource live(store);
        TrendSource& s = c.live ? live : own;
        double t = 0.0;
        for (int n = 0; n < 20'000;) {
            for (int k = 1 + static_cast<int>(random() % 300); k > 0; --k, ++n) {
                // 512 values a second, a pause of two seconds now and then.
                t += n % 1500 == 1499 ? 2.0 : 1.0 / 512;
                const double v = 1e7 + static_cast<double>(random() % 2001) * 1e-3;
                if (!c.live) {
                    ASSERT_TRUE(own.Append(t, v));
                    continue;
                }
                char text[40];
                std::snprintf(text, sizeof text, "%.3fHz", v);
                const bool other = random() % 9 == 0;  // another function's reading between
                store.Add(other ? "1.5us" : text, other ? "PERIOD 1" : "FREQUENCY 1", SystemTime{},
                          SteadyTime(std::chrono::nanoseconds(static_cast<int64_t>(std::llround(t * 1e9)))));
                if (!other) {
                    ASSERT_TRUE(live.Append(*store.Latest()));
                }
            }
            if (random() % 3 == 0) live.Trim();
            std::vector<TrendColumn> columns;
            s.Columns(c.left, c.right, c.width, columns);
            ASSERT_EQ(columns, Scanned(s, c.left, c.right, c.width)) << n;
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

// The record's value and time of a reading alone, as its full view gives them.
TEST(RecordForTrend, ValueAndTimeOfASeqAreThoseOfItsView) {
    ReadingStore store(64);
    const char* lines[] = {"10.000000123MHz", "-1.5ms", "+0.000000000001s", "123456789012345678Hz",
                           "1.2345678901234567890MHz", "1.5E+6Hz", "  10.0Hz", "ERR", "", "9.99999999999999999kHz"};
    for (int round = 0; round < 8; ++round) {  // 80 readings: the oldest dropped
        for (const char* line : lines) {
            const auto steady = SteadyTime(std::chrono::nanoseconds(1'000'000'007LL * round + std::string(line).size()));
            store.Add(line, "FREQUENCY 1", SystemTime{}, steady);
        }
    }
    ASSERT_EQ(store.Size(), 64u);
    for (std::size_t i = 0; i < store.Size(); ++i) {
        const ReadingView r = store.At(i);
        EXPECT_EQ(store.ValueOfSeq(r.seq), r.value) << r.Text();
        EXPECT_EQ(store.SteadyOfSeq(r.seq), r.steady) << r.Text();
    }
}

// The live series and a copy made afresh from the readings the record holds
// must draw the same: times, values, pixel columns and extremes equal, the
// mean and the drift line to rounding. Readings arrive in batches, some taken
// in (a redraw), some left for the next one while the record drops its oldest.
TEST(LiveTrend, DrawsWhatACopyOfTheHeldReadingsDraws) {
    struct Case {
        const char* name;
        std::size_t capacity;  // of the record
        int readings;
        int other_every;       // every n-th line another function's (0: none)
        int error_every;       // every n-th line without a value (0: none)
        int clear_at;          // a Clear after this many readings (-1: none)
    };
    const Case cases[] = {
        {"contiguous", 100'000, 12'000, 0, 0, -1},
        {"non-numeric lines and another function between", 100'000, 12'000, 7, 5, -1},
        {"the record dropping its oldest while drawn", 3'000, 15'000, 0, 0, -1},
        {"dropping, with other lines between", 5'000, 15'000, 3, 11, -1},
        {"every other line another function's", 4'000, 12'000, 2, 0, -1},
        {"a Clear", 6'000, 12'000, 0, 13, 5'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937_64 random(46290);
        std::normal_distribution<double> noise(0.0, 1.0);
        ReadingStore store(c.capacity);
        auto live = std::make_unique<TrendSource>(store);
        uint64_t from = 0;        // first seq of the live series
        uint64_t taken = 0;       // readings looked at by the live series
        SteadyTime origin{};
        const auto takeIn = [&] {
            for (std::size_t i = store.IndexOfSeq(taken); i < store.Size(); ++i) {
                const ReadingView r = store.At(i);
                if (r.seq < from || !r.has_value || r.function != "FREQUENCY 1") continue;
                if (live->Size() == 0 && live->Dropped() == 0) origin = r.steady;
                EXPECT_TRUE(live->Append(r));
            }
            taken = store.NextSeq();
        };
        const auto check = [&](int at) {
            SCOPED_TRACE(at);
            TrendSource copy;  // the held readings of the series that were taken in
            for (std::size_t i = store.IndexOfSeq(from); i < store.Size(); ++i) {
                const ReadingView r = store.At(i);
                if (r.seq >= taken || !r.has_value || r.function != "FREQUENCY 1") continue;
                copy.Append(std::chrono::duration<double>(r.steady - origin).count(), r.value);
            }
            ASSERT_EQ(live->Size(), copy.Size());
            if (copy.Empty()) return;
            ASSERT_GE(live->SeqAt(0), store.FirstSeq());  // never a dropped reading
            for (std::size_t i = 0; i < copy.Size(); ++i) {
                ASSERT_EQ(live->TimeAt(i), copy.TimeAt(i)) << i;
                ASSERT_EQ(live->ValueAt(i), copy.ValueAt(i)) << i;
            }
            for (int k = 0; k < 50; ++k) {
                const std::size_t a = random() % (copy.Size() + 1), b = random() % (copy.Size() + 1);
                ASSERT_EQ(live->Extremes(std::min(a, b), std::max(a, b)), copy.Extremes(std::min(a, b), std::max(a, b)));
            }
            EXPECT_EQ(live->Min(), copy.Min());
            EXPECT_EQ(live->Max(), copy.Max());
            const double t0 = copy.FirstTime(), span = std::max(copy.LastTime() - t0, 1.0);
            std::vector<TrendColumn> mine, theirs;
            for (int k = 0; k < 5; ++k) {
                const double left = t0 + span * std::uniform_real_distribution<double>(-0.1, 0.9)(random);
                const double right = left + span * std::uniform_real_distribution<double>(1e-4, 1.2)(random);
                const int width = 1 + static_cast<int>(random() % 700);
                live->Columns(left, right, width, mine);
                copy.Columns(left, right, width, theirs);
                ASSERT_EQ(mine, theirs);
            }
            EXPECT_NEAR(live->Mean(), copy.Mean(), 1e-8);
            if (copy.Size() > 2) {
                const TrendLine a = live->Drift(), b = copy.Drift();
                ASSERT_TRUE(a.valid);
                EXPECT_NEAR(a.slope, b.slope, 1e-9 * std::abs(b.slope) + 1e-13);
                EXPECT_NEAR(a.intercept, b.intercept, 1e-7);
            }
        };

        for (int n = 0; n < c.readings;) {
            // A batch arrives, then a redraw takes it in (or not) and draws.
            const int batch = 1 + static_cast<int>(random() % 400);
            for (int k = 0; k < batch && n < c.readings; ++k, ++n) {
                if (n == c.clear_at) {
                    store.Clear();
                    live = std::make_unique<TrendSource>(store);
                    from = taken = store.NextSeq();
                }
                // 512 readings a second: every time is exact in a copy's float offsets.
                const auto steady = SteadyTime(std::chrono::nanoseconds(int64_t{1'953'125} * n));
                std::string line;
                const char* function = "FREQUENCY 1";
                if (c.other_every != 0 && n % c.other_every == 1) {
                    line = "1.000000" + std::to_string(n % 1000) + "us", function = "PERIOD 1";
                } else if (c.error_every != 0 && n % c.error_every == 2) {
                    line = "ERR";
                } else {
                    char text[40];
                    const double v = 10.0 + (noise(random) * 1e-9 + (n % 4999 == 3 ? 5e-6 : 0.0) + 1e-12 * n);
                    std::snprintf(text, sizeof text, "%.15fMHz", v);
                    line = text;
                }
                store.Add(line, function, SystemTime{}, steady);
            }
            const bool redraw = random() % 4 != 0;
            if (redraw) takeIn();
            if (random() % 2 == 0) live->Trim();
            check(n);
            if (::testing::Test::HasFatalFailure()) return;
        }
        // What it keeps: the pyramid, the sums and the runs, never the readings.
        live->Trim();
        // A run begins after each reading of the record that is not the series'.
        EXPECT_LE(live->Runs(), store.Size() - live->Size() + 1);
        if (c.other_every == 0 && c.error_every == 0) {
            EXPECT_EQ(live->Runs(), 1u);
        }
    }
}

// A series of another function every other line: a run per value. What
// that costs, bounded by the record's size.
TEST(LiveTrend, AnAlternatingStreamCostsARunPerValue) {
    ReadingStore store(20'000);
    TrendSource live(store);
    for (int n = 0; n < 50'000; ++n) {
        const ReadingView r = [&] {
            store.Add(n % 2 ? "1.5us" : "10.000000123MHz", n % 2 ? "PERIOD 1" : "FREQUENCY 1", SystemTime{},
                      SteadyTime(std::chrono::milliseconds(n)));
            return *store.Latest();
        }();
        if (r.function == "FREQUENCY 1") live.Append(r);
        if (n % 1000 == 0) live.Trim();
    }
    live.Trim();
    EXPECT_EQ(live.Size(), 10'000u);
    EXPECT_LE(live.Runs(), 10'001u);
    // 16 bytes a run, a run per two readings of the record, plus the pyramid.
    EXPECT_LE(live.MemoryBytes(), store.Size() * 9 + 16'384);
    EXPECT_EQ(live.SeqAt(0), store.FirstSeq());
}

}  // namespace
}  // namespace kt::test
