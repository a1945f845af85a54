// Readings kept as exact decimals, the bounded record and its series, the
// statistics (including readings around 10 MHz with millihertz noise) and the
// overlapping Allan deviation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "measurements/reading.h"
#include "measurements/statistics.h"
#include "measurements/store.h"
#include "support/reading_vectors.h"

namespace kt::test {
namespace {

TEST(ReadingValue, ExactDecimalInTheBaseUnitOrNoValue) {
    struct Case {
        std::string line;
        std::string exact;  // empty: no value
        Unit unit;
    };
    const std::string many_nines(400, '9');
    // The texts every reader shares, and some only the record meets.
    std::vector<Case> cases;
    for (const ReadingVector& r : ReadingVectors()) {
        cases.push_back({r.line, r.HasValue() ? r.value : std::string(),
                         r.unit == "Hz" ? Unit::Hz : r.unit == "s" ? Unit::Seconds : Unit::None});
    }
    ASSERT_FALSE(cases.empty());
    cases.push_back({many_nines + "Hz", {}, Unit::None});  // beyond any double: kept as text
    cases.push_back({std::string(70000, 'x'), {}, Unit::None});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        const ParsedValue v = ParseValue(c.line);
        ASSERT_EQ(v.has_value, !c.exact.empty());
        if (c.exact.empty()) {
            EXPECT_EQ(v.exact, "");
            continue;
        }
        EXPECT_EQ(v.exact, c.exact);
        EXPECT_EQ(v.unit, c.unit);
        EXPECT_EQ(v.value, std::stod(c.exact));
    }
    // Far below 1: the exact text is kept, the double is 0.
    const ParsedValue tiny = ParseValue("0." + std::string(400, '0') + "1");
    ASSERT_TRUE(tiny.has_value);
    EXPECT_EQ(tiny.exact.size(), 403u);
    EXPECT_EQ(tiny.value, 0.0);
}

TEST(ReadingValue, LineEnds) {
    EXPECT_EQ(StripLineEnd("5Hz\r\n"), "5Hz");
    EXPECT_EQ(StripLineEnd("5Hz\n"), "5Hz");
    EXPECT_EQ(StripLineEnd("5\rHz\n"), "5\rHz");
}

SteadyTime AtSecond(double s) {
    return SteadyTime{} + std::chrono::duration_cast<SteadyTime::duration>(std::chrono::duration<double>(s));
}

TEST(ReadingStore, AnExponentReadingKeepsItsTextAndItsValue) {
    // The display shows "-12.5E-3" as a number; the record must not lose it.
    ReadingStore store(4);
    store.Add("-12.5E-3\n", "FREQUENCY 1", {}, AtSecond(0));
    store.Add("1E3Hz\n", "FREQUENCY 1", {}, AtSecond(1));
    const ReadingView a = store.At(0);
    ASSERT_TRUE(a.has_value);
    EXPECT_EQ(a.Text(), "-12.5E-3");
    EXPECT_EQ(a.Exact(), "-0.0125");
    EXPECT_EQ(a.value, -0.0125);
    EXPECT_EQ(store.At(1).Exact(), "1000");
    EXPECT_EQ(store.At(1).unit, Unit::Hz);
}

TEST(ReadingStore, KeepsTheLastReadingsInOrderAndCountsTheDropped) {
    ReadingStore store(3);
    for (int i = 0; i < 5; ++i) store.Add(std::to_string(i) + "Hz\r\n", "FREQUENCY 1      ", {}, AtSecond(i));
    EXPECT_EQ(store.Size(), 3u);
    EXPECT_EQ(store.Dropped(), 2u);
    EXPECT_EQ(store.FirstSeq(), 2u);
    EXPECT_EQ(store.NextSeq(), 5u);
    EXPECT_EQ(store.At(0).Text(), "2Hz");
    EXPECT_EQ(store.At(2).function, "FREQUENCY 1");
    EXPECT_FALSE(store.Find(1));
    EXPECT_FALSE(store.Find(5));
    ASSERT_TRUE(store.Find(3));
    EXPECT_EQ(store.Find(3)->Exact(), "3");
    EXPECT_EQ(store.IndexOfSeq(0), 0u);
    EXPECT_EQ(store.IndexOfSeq(4), 2u);
    EXPECT_EQ(store.IndexOfSeq(9), 3u);
    // The statistics go on over readings no longer held.
    EXPECT_EQ(store.CurrentStats().count, 5u);
    EXPECT_DOUBLE_EQ(store.CurrentStats().mean, 2.0);
}

TEST(ReadingStore, TextHeldIsBoundedToo) {
    ReadingStore store(1000, 64 * 1024);
    const std::string junk(10000, 'x');
    for (int i = 0; i < 100; ++i) store.Add(junk, "", {}, {});
    EXPECT_LE(store.Size(), 7u);
    EXPECT_EQ(store.Dropped() + store.Size(), 100u);
}

TEST(ReadingStore, TheSeriesIsTheLatestFunctionAndUnitSinceClear) {
    ReadingStore store;
    store.Add("10.0MHz", "FREQUENCY 1", {}, AtSecond(0));
    store.Add("20.0MHz", "FREQUENCY 1", {}, AtSecond(1));
    store.Add("1.0ms", "PERIOD 1", {}, AtSecond(2));
    store.Add("30.0MHz", "FREQUENCY 1", {}, AtSecond(3));
    store.Add("OVERFLOW", "PERIOD 1", {}, AtSecond(4));  // no value: the series stays
    store.Add("40.0MHz", "FREQUENCY 1", {}, AtSecond(5));
    store.Add("2.0kHz", "FREQUENCY 1", {}, AtSecond(6));
    EXPECT_EQ(store.CurrentKey(), (SeriesKey{"FREQUENCY 1", Unit::Hz}));
    EXPECT_EQ(store.CurrentStats().count, 5u);
    EXPECT_EQ(store.StatsOf({"PERIOD 1", Unit::Seconds}).count, 1u);

    SeriesData series;
    store.CurrentSeries(series);
    EXPECT_EQ(series.values, (std::vector<double>{10e6, 20e6, 30e6, 40e6, 2e3}));
    EXPECT_EQ(series.elapsed, (std::vector<double>{0, 1, 3, 5, 6}));
    EXPECT_EQ(series.first_seq, 0u);
    EXPECT_EQ(series.last_seq, 6u);
    EXPECT_EQ(series.base, 10e6);
    EXPECT_EQ(series.offsets, (std::vector<double>{0, 10e6, 20e6, 30e6, 2e3 - 10e6}));
    EXPECT_EQ(series.Tau0(), 1.5);
    EXPECT_EQ(series.Adev().size(), 2u);

    store.Clear();
    EXPECT_FALSE(store.HasSeries());
    EXPECT_EQ(store.CurrentStats().count, 0u);
    store.Add("1.0ms", "PERIOD 1", {}, AtSecond(7));
    store.CurrentSeries(series);
    EXPECT_EQ(series.values, std::vector<double>{0.001});
    EXPECT_EQ(store.Size(), 8u);  // Clear keeps what is held
}

TEST(Statistics, WorkedByHand) {
    const Stats s = ComputeStats(std::vector<double>{2, 4, 4, 4, 5, 5, 7, 9});
    EXPECT_EQ(s.count, 8u);
    EXPECT_DOUBLE_EQ(s.mean, 5.0);
    EXPECT_DOUBLE_EQ(s.std_dev, std::sqrt(32.0 / 7.0));
    EXPECT_EQ(s.min, 2.0);
    EXPECT_EQ(s.max, 9.0);
    EXPECT_EQ(s.span, 7.0);
    EXPECT_DOUBLE_EQ(s.ppm, std::sqrt(32.0 / 7.0) / 5.0 * 1e6);

    const Stats one = ComputeStats(std::vector<double>{3});
    EXPECT_EQ(one.mean, 3.0);
    EXPECT_TRUE(std::isnan(one.std_dev));
    EXPECT_TRUE(std::isnan(ComputeStats({}).mean));
    EXPECT_TRUE(std::isnan(ComputeStats(std::vector<double>{-1, 1}).ppm));
}

TEST(Statistics, TenMegahertzWithMillihertzNoiseKeepsItsDigits) {
    // 10000000.123 Hz +- a few mHz: the deviation is about 1.41 mHz, ten
    // orders below the value. A sum of squares of raw values would lose it
    // all; even one double per reading would get only its first 7 digits.
    ReadingStore store;
    const char* lines[] = {"10.000000121MHz", "10.000000122MHz", "10.000000123MHz", "10.000000124MHz",
                           "10.000000125MHz"};
    for (int rep = 0; rep < 20000; ++rep)
        for (const char* line : lines) store.Add(line, "FREQUENCY 1", {}, {});
    const Stats s = store.CurrentStats();
    EXPECT_EQ(s.count, 100000u);
    EXPECT_EQ(s.mean, 10000000.123);
    EXPECT_NEAR(s.std_dev, 1e-3 * std::sqrt(2.0 * 100000.0 / 99999.0), 1e-15);
    EXPECT_NEAR(s.span, 0.004, 1e-15);
    EXPECT_EQ(s.min, 10000000.121);
    EXPECT_EQ(s.max, 10000000.125);
    EXPECT_NEAR(SplitDecimal("-12.5").fraction, -0.5, 0.0);
    EXPECT_EQ(SplitDecimal("-12.5").whole, -12.0);
}

TEST(Statistics, MedianSpacing) {
    EXPECT_EQ(MedianSpacing(std::vector<double>{0, 1, 2, 3.5, 4.5}), 1.0);
    EXPECT_EQ(MedianSpacing(std::vector<double>{0, 1, 3}), 1.5);
    EXPECT_DOUBLE_EQ(MedianSpacing(std::vector<double>{5, 0.2, 0.4, 0.6}), 0.2);  // a restart does not matter
    EXPECT_TRUE(std::isnan(MedianSpacing(std::vector<double>{1})));
}

TEST(AllanDeviation, WorkedByHand) {
    // y = 1, 3, 2, 6. m = 1: differences 2, -1, 4 -> 21 / (2 * 3). m = 2: one
    // term, (2 - 1) + (6 - 3) = 4 -> 16 / (2 * 4 * 1). m = 4 needs 8 values.
    const auto points = OverlappingAdevOfFractions(std::vector<double>{1, 3, 2, 6}, 0.5);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].m, 1u);
    EXPECT_EQ(points[0].terms, 3u);
    EXPECT_EQ(points[0].tau, 0.5);
    EXPECT_DOUBLE_EQ(points[0].adev, std::sqrt(3.5));
    EXPECT_EQ(points[1].m, 2u);
    EXPECT_EQ(points[1].terms, 1u);
    EXPECT_EQ(points[1].tau, 1.0);
    EXPECT_DOUBLE_EQ(points[1].adev, std::sqrt(2.0));

    // Frequencies 99, 101, 100, 100 around a mean of 100: y = -0.01, 0.01, 0, 0.
    const auto freq = OverlappingAdev(std::vector<double>{99, 101, 100, 100}, 1.0);
    ASSERT_EQ(freq.size(), 2u);
    EXPECT_NEAR(freq[0].adev, std::sqrt(0.0005 / 6.0), 1e-15);
    EXPECT_NEAR(freq[1].adev, 0.0, 1e-15);
    EXPECT_TRUE(OverlappingAdev(std::vector<double>{5}, 1.0).empty());
    EXPECT_TRUE(OverlappingAdev(std::vector<double>{0, 0}, 1.0).empty());
}

TEST(AllanDeviation, WhiteFrequencyNoiseFallsAsTheInverseRootOfTau) {
    std::mt19937_64 rng(1065);
    std::normal_distribution<double> noise(0.0, 1e-3);  // 1 mHz on 10 MHz: sigma_y = 1e-10
    std::vector<double> values(1 << 14);
    for (double& v : values) v = 10e6 + noise(rng);
    const auto points = OverlappingAdev(values, 0.1);
    ASSERT_EQ(points.size(), 14u);  // m = 1 .. 8192, terms = 1 at the end
    EXPECT_EQ(points.back().terms, 1u);
    for (const AdevPoint& p : points) {
        if (p.m > 256) break;  // too few independent terms beyond
        SCOPED_TRACE(p.m);
        EXPECT_NEAR(p.adev * std::sqrt(double(p.m)) / 1e-10, 1.0, 0.2);
        EXPECT_DOUBLE_EQ(p.tau, 0.1 * double(p.m));
    }
    const double slope = std::log(points[8].adev / points[0].adev) / std::log(256.0);
    EXPECT_NEAR(slope, -0.5, 0.05);
}

}  // namespace
}  // namespace kt::test
