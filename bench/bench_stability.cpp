// Time of each deviation with its noise type, edf and interval at octave
// averaging factors, over generated white FM of 1 and 10 million values (or
// the counts given), and the peak memory of the whole run.
//
//   bench_stability [COUNT...]      (default 1000000 10000000)
//   bench_stability --live COUNT [--gap]
//                                   the live series as the readings window
//                                   analyses it: COUNT readings held in the
//                                   record, laid on their grid from a snapshot
//                                   in a kept buffer, drift fitted, each deviation;
//                                   with --gap a pause of 10 s halfway (ten
//                                   missing readings, as where a prefilled
//                                   record meets the live stream)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "measurements/live_series.h"
#include "measurements/stability.h"
#include "measurements/store.h"

namespace {

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// User plus system CPU time of this process: on a loaded machine the wall
// clock counts the other processes' turns too.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The readings window's live analysis, step by step, with the buffer kept
// from one run to the next as the live trace keeps it.
int Live(std::size_t n, bool gap) {
    kt::ReadingStore store(n);
    const auto t0 = std::chrono::steady_clock::now();
    const auto wall = std::chrono::system_clock::now();
    std::mt19937_64 rng(1);
    char line[40];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "10000000.00%04uHz", static_cast<unsigned>(rng() % 10000u));
        const std::size_t late = gap && i >= n / 2 ? 100 : 0;
        store.Add(line, "FREQUENCY 1", wall, t0 + std::chrono::milliseconds(100 * (i + late)));
    }
    const kt::ReadingSnapshot snapshot = store.Snapshot();
    const kt::SeriesKey key{"FREQUENCY 1", kt::Unit::Hz};
    kt::DeviationBuffers buffers;
    std::printf("%10s %-7s %6s %10s %10s %10s %10s\n", "readings", "dev", "points", "layout_s", "drift_s", "dev_s",
                "cpu_s");
    for (int round = 0; round < 2; ++round) {
        for (kt::Deviation dev : kt::kAllDeviations) {
            const double start = Seconds(), start_cpu = CpuSeconds();
            const kt::LiveSeriesLayout layout = kt::LayOutLiveSeries(snapshot, key, {}, 0.0, buffers.values);
            const double laid = Seconds();
            const std::span<const double> y(buffers.values.data() + 1, layout.length);
            const kt::DriftFit drift = kt::FitLinearDriftSpaced(y, layout.tau0);
            const double fitted = Seconds();
            const std::vector<kt::DevPoint> points = kt::AnalyseDeviationInPlace(dev, buffers, layout.tau0);
            const double end = Seconds(), cpu = CpuSeconds() - start_cpu;
            std::printf("%10zu %-7s %6zu %10.3f %10.3f %10.3f %10.3f%s\n", n, std::string(kt::DeviationName(dev)).c_str(),
                        points.size(), laid - start, fitted - laid, end - fitted, cpu,
                        round == 0 && dev == kt::Deviation::Adev ? "  (buffer new)" : "");
            if (!drift.valid) std::printf("  no drift fitted\n");
            if (round == 0 && dev == kt::Deviation::Adev && layout.gaps.missing > 0)
                std::printf("  %llu missing readings in %llu gaps\n",
                            static_cast<unsigned long long>(layout.gaps.missing),
                            static_cast<unsigned long long>(layout.gaps.gaps));
        }
    }
    std::printf("peak resident memory: %.1f MB (the record and one buffer of 8 bytes a reading)\n",
                PeakResidentKiB() / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--live")
        return Live(std::strtoull(argv[2], nullptr, 10), argc == 4 && std::string(argv[3]) == "--gap");
    std::vector<std::size_t> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::strtoull(argv[i], nullptr, 10));
    if (counts.empty()) counts = {1000000, 10000000};
    std::printf("%10s %-7s %6s %10s %10s %12s\n", "values", "dev", "points", "wall_s", "cpu_s", "cpu_ns/value");
    for (std::size_t n : counts) {
        // White FM around a fractional offset, as a 10 MHz counter's readings
        // normalised to the mean would give.
        std::vector<double> y(n);
        std::mt19937_64 rng(1);
        std::normal_distribution<double> normal(0.0, 1e-11);
        for (double& v : y) v = 1.23e-9 + normal(rng);
        double total = 0.0, total_cpu = 0.0;
        for (kt::Deviation dev : kt::kAllDeviations) {
            const double start = Seconds(), start_cpu = CpuSeconds();
            const std::vector<kt::DevPoint> points = kt::AnalyseDeviation(dev, y, 1.0);
            const double elapsed = Seconds() - start, cpu = CpuSeconds() - start_cpu;
            total += elapsed;
            total_cpu += cpu;
            std::printf("%10zu %-7s %6zu %10.3f %10.3f %12.2f\n", n, std::string(kt::DeviationName(dev)).c_str(),
                        points.size(), elapsed, cpu, cpu / static_cast<double>(n) * 1e9);
        }
        std::printf("%10zu %-7s %6s %10.3f %10.3f %12.2f\n", n, "all", "", total, total_cpu,
                    total_cpu / static_cast<double>(n) * 1e9);
    }
    std::printf("peak resident memory: %.1f MB (the series itself: 8 bytes a value)\n", PeakResidentKiB() / 1024.0);
    return 0;
}
