// The live series laid out straight from a snapshot of the record, and the
// deviations over a kept buffer, against the long way round: every held
// reading viewed, the series' offsets and times collected, y made, laid on
// its grid by FillGaps and analysed by AnalyseDeviation.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "measurements/live_series.h"
#include "measurements/stability.h"
#include "measurements/statistics.h"
#include "measurements/store.h"

namespace kt::test {
namespace {

using std::chrono::milliseconds;

struct Expected {
    uint64_t count = 0;
    double mean = 0.0;
    double tau0 = 0.0;
    GapSummary gaps;
    std::vector<double> grid;
};

// The long way round, as the window did it before it read the snapshot directly.
Expected LongWay(const ReadingSnapshot& s, const SeriesKey& key, SeqRange range) {
    Expected e;
    std::vector<double> offsets, times;
    SplitValue base;
    SteadyTime origin{};
    for (std::size_t i = 0; i < s.Size(); ++i) {
        const ReadingView r = s.At(i);
        if (r.seq < range.from || r.seq >= range.to || !r.has_value || r.unit != key.unit || r.function != key.function) continue;
        if (offsets.empty()) {
            base = r.parts;
            origin = r.steady;
        }
        offsets.push_back(OffsetFrom(r.parts, base));
        times.push_back(std::chrono::duration<double>(r.steady - origin).count());
    }
    e.count = offsets.size();
    double sum = 0.0;
    for (double o : offsets) sum += o;
    const double mean_offset = e.count ? sum / static_cast<double>(e.count) : 0.0;
    const double b = base.whole + base.fraction;
    e.mean = b + mean_offset;
    if (e.count < 2 || e.mean == 0.0) return e;
    std::vector<double> y;
    for (double o : offsets) y.push_back(key.unit == Unit::Seconds ? (mean_offset - o) / (b + o) : (o - mean_offset) / e.mean);
    const double tau0 = MedianSpacing(times);
    if (!(tau0 > 0.0) || !FillGaps(times, y, tau0, e.grid, e.gaps, 4 * e.count + 1'000'000)) {
        e.grid = y;
        e.gaps = {};
    }
    e.tau0 = tau0 > 0.0 ? tau0 : 1.0;
    return e;
}

struct Line {
    std::string text;
    std::string function = "FREQUENCY 1";
    int64_t at_ms = 0;
    bool clear_before = false;
};

std::vector<Line> Frequencies(int n, int64_t step_ms, uint32_t seed) {
    std::vector<Line> lines;
    std::mt19937 rng(seed);
    for (int i = 0; i < n; ++i) {
        char text[40];
        std::snprintf(text, sizeof text, "10000000.%06uHz", static_cast<unsigned>(rng() % 1000000u));
        lines.push_back({text, "FREQUENCY 1", i * step_ms});
    }
    return lines;
}

TEST(LiveSeries, LaidOutFromTheSnapshotAsTheLongWayRoundLaysItBitForBit) {
    struct Case {
        const char* name;
        std::vector<Line> lines;
        std::size_t capacity = 100000;
        SeriesKey key{"FREQUENCY 1", Unit::Hz};
        uint64_t newest_left_out = 0;  // readings after the range's end
    };
    std::vector<Case> cases;
    cases.push_back({"steady, over several chunks", Frequencies(3 * 4096 + 17, 100, 1)});
    {
        // Gaps of 1, 7 and 300 readings, and a time that goes back.
        auto lines = Frequencies(9000, 100, 2);
        for (std::size_t i = 1000; i < lines.size(); ++i) lines[i].at_ms += 100;
        for (std::size_t i = 4000; i < lines.size(); ++i) lines[i].at_ms += 700;
        for (std::size_t i = 6000; i < lines.size(); ++i) lines[i].at_ms += 30000;
        lines[7000].at_ms -= 250;
        cases.push_back({"gaps", lines});
    }
    {
        // Another function, another unit, lines without a number, a line kept
        // beside (leading blanks) and readings before a Clear.
        auto lines = Frequencies(6000, 50, 3);
        for (std::size_t i = 0; i < lines.size(); i += 97) lines[i].function = "FREQUENCY 2";
        for (std::size_t i = 5; i < lines.size(); i += 131) lines[i].text = "ERROR";
        for (std::size_t i = 9; i < lines.size(); i += 211) lines[i].text = "100.25ns";
        for (std::size_t i = 11; i < lines.size(); i += 307) lines[i].text = "  10000000.5Hz";
        lines[2500].clear_before = true;
        cases.push_back({"mixed, after a Clear", lines});
        cases.push_back({"mixed, after a Clear, the newest left out", lines, 100000, {"FREQUENCY 1", Unit::Hz}, 777});
    }
    {
        std::vector<Line> lines;
        std::mt19937 rng(4);
        for (int i = 0; i < 5000; ++i) {
            char text[40];
            std::snprintf(text, sizeof text, "100.000%05uns", static_cast<unsigned>(rng() % 100000u));
            lines.push_back({text, "PERIOD 1", i * 200});
        }
        cases.push_back({"periods", lines, 100000, SeriesKey{"PERIOD 1", Unit::Seconds}});
    }
    cases.push_back({"oldest dropped", Frequencies(20000, 100, 5), 9000});
    {
        auto lines = Frequencies(3000, 100, 6);
        for (std::size_t i = 2000; i < lines.size(); ++i) lines[i].at_ms += int64_t{1} << 40;  // one absurd time
        cases.push_back({"an absurd time: side by side", lines});
    }
    {
        auto lines = Frequencies(500, 0, 7);  // every time the same: no spacing
        cases.push_back({"no spacing", lines});
    }
    cases.push_back({"one reading", Frequencies(1, 100, 8)});
    cases.push_back({"none of the series", Frequencies(100, 100, 9), 100000, SeriesKey{"FREQUENCY 3", Unit::Hz}});

    std::vector<double> values;  // kept from case to case, as the live trace keeps it
    const auto t0 = std::chrono::steady_clock::now();
    const auto wall = std::chrono::system_clock::now();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadingStore store(c.capacity);
        for (const Line& l : c.lines) {
            if (l.clear_before) store.Clear();
            store.Add(l.text, l.function, wall, t0 + milliseconds(l.at_ms));
        }
        const ReadingSnapshot snapshot = store.Snapshot();
        const SeqRange range{store.ClearSeq(), store.NextSeq() - c.newest_left_out};
        const Expected want = LongWay(snapshot, c.key, range);
        const LiveSeriesLayout got = LayOutLiveSeries(snapshot, c.key, range, 0.0, values);
        EXPECT_EQ(got.count, want.count);
        if (want.count > 0) {
            EXPECT_EQ(got.mean, want.mean);
        }
        ASSERT_EQ(got.laid_out, !want.grid.empty());
        if (!got.laid_out) continue;
        EXPECT_EQ(got.tau0, want.tau0);
        EXPECT_EQ(got.gaps.gaps, want.gaps.gaps);
        EXPECT_EQ(got.gaps.missing, want.gaps.missing);
        EXPECT_EQ(got.gaps.longest, want.gaps.longest);
        ASSERT_EQ(got.length, want.grid.size());
        ASSERT_EQ(values.size(), want.grid.size() + 1);
        std::size_t differ = 0;
        for (std::size_t i = 0; i < want.grid.size(); ++i) {
            const double a = values[i + 1], b = want.grid[i];
            if (!(a == b || (std::isnan(a) && std::isnan(b)))) ++differ;
        }
        EXPECT_EQ(differ, 0u);
    }
}

TEST(LiveSeries, AGivenSpacingIsTheGridsAndCountsTheGapsAgainstIt) {
    ReadingStore store;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) store.Add("10000000.1Hz", "F", std::chrono::system_clock::now(), t0 + milliseconds(200 * i));
    std::vector<double> values;
    const LiveSeriesLayout got = LayOutLiveSeries(store.Snapshot(), SeriesKey{"F", Unit::Hz}, {}, 0.1, values);
    EXPECT_EQ(got.tau0, 0.1);
    EXPECT_EQ(got.gaps.gaps, 9u);  // each 200 ms step misses one reading of 100 ms
    EXPECT_EQ(got.length, 19u);
}

TEST(LiveSeries, EveryDeviationOverAKeptBufferIsTheDeviationOfTheSeries) {
    // White FM with a few holes; the buffer is reused across lengths, with and
    // without holes, so that nothing of one run leaks into the next.
    std::mt19937_64 rng(11);
    std::normal_distribution<double> g(0.0, 1e-11);
    DeviationBuffers buffers;
    const struct {
        std::size_t n;
        bool holes;
    } runs[] = {{5000, true}, {3000, false}, {6000, false}, {700, true}, {700, false}};
    for (const auto& run : runs) {
        std::vector<double> y(run.n);
        for (double& v : y) v = g(rng);
        if (run.holes)
            for (std::size_t i = 37; i < y.size(); i += 101) y[i] = std::nan("");
        for (Deviation d : kAllDeviations) {
            SCOPED_TRACE(std::string(DeviationName(d)) + " n=" + std::to_string(run.n) + (run.holes ? " holes" : ""));
            AnalysisOptions options;
            options.taus = TauSet::Decade;
            const std::vector<DevPoint> want = AnalyseDeviation(d, y, 0.5, options);
            buffers.values.assign(1, 0.0);
            buffers.values.insert(buffers.values.end(), y.begin(), y.end());
            const std::vector<DevPoint> got = AnalyseDeviationInPlace(d, buffers, 0.5, options);
            ASSERT_EQ(got.size(), want.size());
            ASSERT_FALSE(got.empty());
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].m, want[i].m);
                EXPECT_EQ(got[i].terms, want[i].terms);
                EXPECT_EQ(got[i].alpha, want[i].alpha);
                EXPECT_EQ(got[i].value, want[i].value);
                EXPECT_EQ(got[i].low, want[i].low);
                EXPECT_EQ(got[i].high, want[i].high);
            }
        }
    }
}

}  // namespace
}  // namespace kt::test
