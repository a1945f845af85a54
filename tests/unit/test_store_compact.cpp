// The record held compactly: every reading made again byte for byte (text,
// exact decimal, the double and its parts bit for bit, both times), and
// snapshots read by another thread while readings arrive and the oldest go.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "measurements/csv.h"
#include "measurements/store.h"

namespace kt::test {
namespace {

using namespace std::chrono_literals;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What the store gives back for the reading it just took, against the full
// reading Add returned.
void ExpectMadeAgain(const ReadingStore& store, const Reading& full) {
    const ReadingView v = store.At(store.Size() - 1);
    EXPECT_EQ(v.seq, full.seq);
    EXPECT_EQ(v.Text(), full.text);
    EXPECT_EQ(v.Exact(), full.exact);
    EXPECT_EQ(v.has_value, full.has_value);
    EXPECT_EQ(v.unit, full.unit);
    EXPECT_EQ(v.function, full.function);
    EXPECT_TRUE(SameBits(v.value, full.value)) << v.value << " " << full.value;
    EXPECT_TRUE(SameBits(v.parts.whole, full.parts.whole));
    EXPECT_TRUE(SameBits(v.parts.fraction, full.parts.fraction));
    EXPECT_EQ(v.steady, full.steady);
    std::string from_view, from_full;
    const SteadyTime origin = SteadyTime{} + 5s;
    AppendCsvRow(from_view, v, origin);
    AppendCsvRow(from_full, full, origin);
    EXPECT_EQ(from_view, from_full);
}

TEST(CompactRecord, EveryLineIsMadeAgainAsTheCounterSentIt) {
    const std::vector<std::string> lines = {
        "10.000000123MHz", "999.99999kHz", "1.23456789ms", "50.0000000Hz", "99.999998766ns", "1.5GHz", "2.5ps",
        "0.5us", "+1.25", "-0.5", "-0", "-0.000Hz", "007.25s", "0kHz", "0.000", "12.5m", "123456789012345678",
        "9007199254740993", "0.000000000000000001ps", "99999999.9999999999MHz",  // 18 digits, then 20
        // Odd forms keep their text beside; the value is the same.
        "  -5.5 kHz  ", "3 M", "1 Hz", "1234567890123456789012Hz",
        // No number.
        "OVERFLOW", "", "1,5 Hz", "say \"hi\"\x01\t\x7f", "\xe9t\xe9", "5.", std::string(3000, 'x')};
    ReadingStore store;
    const SystemTime noon = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].substr(0, 40));
        ExpectMadeAgain(store, store.Add(lines[i] + "\r\n", "FREQUENCY 1  ", noon + i * 1234567us,
                                         SteadyTime{} + 7s + i * 999999937ns));
    }
    // Digits of every length and every prefix, signs and zeros.
    std::mt19937_64 rng(46290);
    const char* prefixes[] = {"", "G", "M", "k", "m", "u", "n", "p"};
    const char* units[] = {"", "Hz", "s"};
    for (int i = 0; i < 20000; ++i) {
        const int int_count = 1 + static_cast<int>(rng() % 12);
        const int frac_count = static_cast<int>(rng() % 12);
        std::string line = rng() % 5 == 0 ? "-" : rng() % 7 == 0 ? "+" : "";
        for (int d = 0; d < int_count + frac_count; ++d) {
            if (d == int_count) line += '.';
            line += static_cast<char>('0' + (rng() % 3 == 0 ? 0 : rng() % 10));
        }
        line += prefixes[rng() % 8];
        line += units[rng() % 3];
        SCOPED_TRACE(line);
        ExpectMadeAgain(store, store.Add(line, "PERIOD 1", noon, SteadyTime{} + i * 1ms));
    }
    // A series walking its last digits over whole parts and forms, as the
    // analysis reads it: the parts it is handed are the readings' own.
    for (int i = 0; i < 3000; ++i) {
        const long long micro = 9'999'999'998'000LL + (i % 1500) * 37 - (i / 1500) * 4'000'000'000LL;
        std::string line = std::to_string(micro / 1'000'000) + "." + std::to_string(1'000'000 + micro % 1'000'000).substr(1);
        if (i % 500 == 7) line = "-" + line;
        if (i % 700 == 3) line = "0.0" + std::to_string(i) + "M";
        store.Add(line + "Hz", "PERIOD 1", noon, SteadyTime{} + i * 1ms);
    }
    const ReadingSnapshot snapshot = store.Snapshot();
    for (Unit unit : {Unit::None, Unit::Hz, Unit::Seconds}) {
        std::size_t at = 0;
        int compared = 0;
        snapshot.VisitSeries({"PERIOD 1", unit}, {}, [&](std::span<const SeriesPoint> run) {
            for (const SeriesPoint& p : run) {
                while (!(snapshot.At(at).has_value && snapshot.At(at).unit == unit &&
                         snapshot.At(at).function == "PERIOD 1"))
                    ++at;
                const ReadingView v = snapshot.At(at++);
                ASSERT_TRUE(SameBits(p.parts.whole, v.parts.whole) && SameBits(p.parts.fraction, v.parts.fraction))
                    << v.Text();
                ++compared;
            }
        });
        EXPECT_GT(compared, 1000);
    }
}

TEST(CompactRecord, WallClockTimesFarFromTheMonotonicClockAndFunctionsBeyondTheTable) {
    ReadingStore store;
    const SystemTime noon = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 12h;
    struct Case {
        SystemTime time;
        SteadyTime steady;
    };
    const std::vector<Case> cases = {
        {noon, SteadyTime{} + 1s},
        {noon + 40 * 24h, SteadyTime{} + 2s},                  // clock set forward by 40 days
        {SystemTime{} - 3600s - 1ms, SteadyTime{} + 3s},       // before 1970
        {noon + 1500ms, SteadyTime{} - 2500ms},                // monotonic clock before its epoch
        {noon + 999us, SteadyTime{} + 4s + 1ns},
    };
    for (const Case& c : cases) {
        const Reading& r = store.Add("1Hz", "FREQUENCY 1", c.time, c.steady);
        ExpectMadeAgain(store, r);
        EXPECT_EQ(std::chrono::floor<std::chrono::milliseconds>(store.Latest()->time),
                  std::chrono::floor<std::chrono::milliseconds>(c.time));
    }
    for (int i = 0; i < 300; ++i) store.Add("1Hz", "F" + std::to_string(i), noon, {});
    EXPECT_EQ(store.Latest()->function, "");  // the table is full: kept as no function
    EXPECT_EQ(store.At(store.Size() - 300 + 100).function, "F100");
}

// The row every test reading of seq n has, made without the store.
std::string LineOf(uint64_t n) {
    if (n % 50 == 7) return "ERROR " + std::to_string(n);  // kept beside
    return "10.000000" + std::to_string(100 + n % 900) + "MHz";
}

TEST(CompactRecord, ASnapshotReadOnAnotherThreadStaysWholeWhileTheOldestAreDropped) {
    // A small record (a few chunks) that turns over many times while a worker
    // reads snapshots of it: every row the worker makes is that of its seq.
    constexpr std::size_t kHeld = 3 * ReadingChunk::kSize + 100;
    ReadingStore store(kHeld, 64 * 1024);
    const SystemTime t0 = std::chrono::sys_days{std::chrono::year{2026} / 12 / 7};
    const auto add = [&](uint64_t n) { store.Add(LineOf(n), "FREQUENCY 1", t0 + n * 10ms, SteadyTime{} + n * 10ms); };
    uint64_t n = 0;
    for (; n < kHeld; ++n) add(n);

    std::atomic<int> bad{0};
    std::atomic<uint64_t> rows{0};
    for (int round = 0; round < 4; ++round) {
        if (round == 2) {
            // A new series a little way into the record, under another function.
            store.Clear();
            for (const uint64_t end = n + 5000; n < end; ++n)
                store.Add(LineOf(n), n % 3 == 0 ? "PERIOD 1" : "FREQUENCY 1", t0 + n * 10ms, SteadyTime{} + n * 10ms);
        }
        auto snapshot = std::make_shared<const ReadingSnapshot>(store.Snapshot());
        ASSERT_EQ(snapshot->Size(), store.Size());
        SeriesData expected, got;
        store.CurrentSeries(expected);
        std::thread worker([snapshot, &bad, &rows, &got] {
            snapshot->CurrentSeries(got);  // the series made on the worker
            std::string row;
            for (std::size_t i = 0; i < snapshot->Size(); ++i) {
                const ReadingView v = snapshot->At(i);
                if (v.seq != snapshot->FirstSeq() + i || v.Text() != LineOf(v.seq) ||
                    v.steady != SteadyTime{} + v.seq * 10ms)
                    ++bad;
                row.clear();
                AppendCsvRow(row, v, SteadyTime{});
                ++rows;
            }
        });
        // Meanwhile the record turns over once and a half: the worker's
        // chunks leave the store.
        for (const uint64_t end = n + kHeld * 3 / 2; n < end; ++n) add(n);
        worker.join();
        EXPECT_EQ(got.key, expected.key);
        EXPECT_EQ(got.values, expected.values);
        EXPECT_EQ(got.offsets, expected.offsets);
        EXPECT_EQ(got.elapsed, expected.elapsed);
        EXPECT_EQ(got.first_seq, expected.first_seq);
        EXPECT_EQ(got.last_seq, expected.last_seq);
        EXPECT_GT(got.values.size(), 3000u);
    }
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(rows.load(), 4 * kHeld);
    EXPECT_EQ(store.Size(), kHeld);
    EXPECT_LE(store.TextBytes(), std::size_t{64 * 1024});
    EXPECT_EQ(store.At(0).Text(), LineOf(store.FirstSeq()));
}

}  // namespace
}  // namespace kt::test
