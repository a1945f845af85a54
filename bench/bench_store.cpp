// The record of readings alone, filled to its capacity: resident memory per
// held reading (everything the record keeps: the readings, the text beside,
// the series' statistics and Allan deviation), and what a full record costs
// to add to, to read and to save as CSV.
//
//   bench_store [--readings N] [--csv FILE]
//
// Readings as the counter streams them at 10 MHz with a 1 ms to 1 s gate
// ("10.000000123MHz", 8 to 12 digits), one in 2000 a line that is no number,
// 4.2 ms apart (the line rate). Default 10,000,000 readings; the CSV goes to
// a temporary file unless named.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_common.h"
#include "measurements/csv.h"
#include "measurements/store.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = kt::ReadingStore::kCapacity;
    std::string csv;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--readings") == 0 && i + 1 < argc) {
            count = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--csv") == 0 && i + 1 < argc) {
            csv = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bench_store [--readings N] [--csv FILE]\n");
            return 2;
        }
    }
    const bool temporary = csv.empty();
    if (temporary) csv = (std::filesystem::temp_directory_path() / "kt46290-bench-store.csv").string();

    std::mt19937_64 rng(46290);
    std::vector<std::string> lines;
    for (int i = 0; i < 4096; ++i) {
        const int places = 3 + static_cast<int>(rng() % 4) * 2;  // 3, 5, 7 or 9 decimals of MHz
        std::string digits = std::to_string(rng() % 1'000'000'000ULL);
        digits.insert(0, 9 - digits.size(), '0');
        lines.push_back("10." + digits.substr(0, static_cast<std::size_t>(places)) + "MHz");
    }

    const long before = ktbench::ResidentKiB();
    auto store = std::make_unique<kt::ReadingStore>();
    const auto t0 = std::chrono::steady_clock::now();
    const kt::SystemTime wall = std::chrono::system_clock::now();
    const kt::SteadyTime steady = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = std::chrono::microseconds(4200 * static_cast<long long>(i));
        const std::string& line = i % 2000 == 1999 ? std::string("OVERFLOW") : lines[i % lines.size()];
        store->Add(line, "FREQUENCY 1", wall + at, steady + at);
    }
    const double add = Since(t0);
    auto t = std::chrono::steady_clock::now();
    const long after = ktbench::ResidentKiB();
    const double per = static_cast<double>(after - before) * 1024.0 / static_cast<double>(count);
    std::printf("readings held %zu (dropped %llu), text beside %zu bytes\n", store->Size(),
                static_cast<unsigned long long>(store->Dropped()), store->TextBytes());
    std::printf("resident memory %ld KiB before, %ld KiB after: %.1f bytes per held reading\n", before, after, per);
    std::printf("add: %.0f ns per reading\n", add / static_cast<double>(count) * 1e9);

    t = std::chrono::steady_clock::now();
    double sum = 0;
    for (std::size_t i = 0; i < store->Size(); ++i) sum += store->At(i).value;
    std::printf("read every value: %.1f ns per reading (sum %.6g)\n", Since(t) / static_cast<double>(count) * 1e9, sum);

    t = std::chrono::steady_clock::now();
    kt::SeriesData series;
    store->CurrentSeries(series);
    std::printf("current series copied: %.3f s\n", Since(t));
    series = {};

    t = std::chrono::steady_clock::now();
    const kt::ReadingSnapshot snapshot = store->Snapshot();
    std::printf("snapshot: %.3f ms\n", Since(t) * 1e3);
    t = std::chrono::steady_clock::now();
    snapshot.CurrentSeries(series);
    std::printf("current series made from the snapshot (a worker's part): %.3f s\n", Since(t));
    series = {};

    t = std::chrono::steady_clock::now();
    {
        std::ofstream out(csv, std::ios::binary | std::ios::trunc);
        std::string rows(kt::kCsvHeader);
        const kt::SteadyTime origin = snapshot.Empty() ? kt::SteadyTime{} : snapshot.At(0).steady;
        for (std::size_t i = 0; i < snapshot.Size(); ++i) {
            kt::AppendCsvRow(rows, snapshot.At(i), origin);
            if (rows.size() >= (1u << 20)) {
                out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
                rows.clear();
            }
        }
        out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    }
    const double save = Since(t);
    std::printf("save as CSV: %.2f s (%.0f ns per row, %.0f MB)\n", save, save / static_cast<double>(count) * 1e9,
                static_cast<double>(std::filesystem::file_size(csv)) / 1e6);
    if (temporary) std::filesystem::remove(csv);
    return 0;
}
