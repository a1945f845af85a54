// The deviations' sums over a few thousand values, with and without missing
// readings, at averaging factors up to the largest, against the defining
// formulas of SP 1065 evaluated from the frequency averages themselves
// (eqs. 6, 9, 11, 12, 13, 16, 25); and the noise type against the lag-1
// method written out over a vector of averages. What this proves is that
// the sums' fast paths (several accumulators, runs without a missing value,
// stretches of the running inner sum, the total deviation's interior, the
// passes shared by all factors) add up to the same as the plain formula.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "measurements/stability.h"

namespace kt::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ybar[i], the average of y[i .. i+m), for every i (NaN where one of them is
// missing), summed afresh for each i.
std::vector<double> MovingAverages(const std::vector<double>& y, std::size_t m) {
    std::vector<double> ybar;
    for (std::size_t i = 0; i + m <= y.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = i; k < i + m; ++k) sum += y[k];
        ybar.push_back(sum / static_cast<double>(m));
    }
    return ybar;
}

DeviationValue Textbook(Deviation dev, const std::vector<double>& y, double tau0, std::size_t m) {
    const std::size_t n = y.size();
    double sum = 0.0;
    uint64_t terms = 0;
    auto add = [&](double d) {  // a term with a missing value in it is NaN
        if (std::isnan(d)) return;
        sum += d * d;
        ++terms;
    };
    double divisor = 2.0;
    switch (dev) {
        case Deviation::Adev: {  // eq. (6)
            const std::vector<double> ybar = MovingAverages(y, m);
            for (std::size_t i = 0; (i + 2) * m <= n; ++i) add(ybar[(i + 1) * m] - ybar[i * m]);
            break;
        }
        case Deviation::Oadev: {  // eq. (9)
            const std::vector<double> ybar = MovingAverages(y, m);
            for (std::size_t j = 0; j + 2 * m <= n; ++j) add(ybar[j + m] - ybar[j]);
            break;
        }
        case Deviation::Mdev:
        case Deviation::Tdev: {  // eqs. (11) and (12)
            const std::vector<double> ybar = MovingAverages(y, m);
            for (std::size_t j = 0; j + 3 * m <= n + 1; ++j) {
                double inner = 0.0;
                for (std::size_t i = j; i < j + m; ++i) inner += ybar[i + m] - ybar[i];
                add(inner / static_cast<double>(m));
            }
            break;
        }
        case Deviation::Hdev: {  // eq. (13)
            divisor = 6.0;
            const std::vector<double> ybar = MovingAverages(y, m);
            for (std::size_t i = 0; (i + 3) * m <= n; ++i)
                add(ybar[(i + 2) * m] - 2.0 * ybar[(i + 1) * m] + ybar[i * m]);
            break;
        }
        case Deviation::Ohdev: {  // eq. (16)
            divisor = 6.0;
            const std::vector<double> ybar = MovingAverages(y, m);
            for (std::size_t j = 0; j + 3 * m <= n; ++j) add(ybar[j + 2 * m] - 2.0 * ybar[j + m] + ybar[j]);
            break;
        }
        case Deviation::Totdev: {  // eq. (25), the phase reflected: y mirrored at both ends
            std::vector<double> ext(y.rbegin(), y.rend());
            ext.insert(ext.end(), y.begin(), y.end());
            ext.insert(ext.end(), y.rbegin(), y.rend());
            const std::vector<double> ybar = MovingAverages(ext, m);
            for (std::size_t p = 1; p < n; ++p) add(ybar[n + p] - ybar[n + p - m]);
            break;
        }
    }
    if (terms == 0) return {kNaN, 0};
    double value = std::sqrt(sum / (divisor * static_cast<double>(terms)));
    if (dev == Deviation::Tdev) value *= static_cast<double>(m) * tau0 / std::sqrt(3.0);
    return {value, terms};
}

struct Series {
    std::string name;
    std::vector<double> y;
};

// White FM and a random walk on top of it (large phase values), each as it
// is and with missing readings: a run in the middle, single ones near both
// ends (where the total deviation reflects) and a few scattered.
std::vector<Series> TestSeries(std::size_t n) {
    std::mt19937_64 rng(n);
    std::normal_distribution<double> normal;
    std::vector<double> white(n), walk(n);
    double w = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        white[i] = normal(rng);
        w += 0.05 * normal(rng);
        walk[i] = 3.0 + white[i] + w;
    }
    auto gapped = [n](std::vector<double> y) {
        for (std::size_t i = n / 2; i < n / 2 + 9; ++i) y[i] = kNaN;
        for (std::size_t i : {std::size_t{2}, n / 5, n / 3 + 1, 3 * n / 4, n - 4}) y[i] = kNaN;
        return y;
    };
    // Missing every 61st in the first quarter, so that a long span holds many,
    // and a run of 150.
    std::vector<double> riddled = white;
    for (std::size_t i = 5; i < n / 4; i += 61) riddled[i] = kNaN;
    for (std::size_t i = 3 * n / 5; i < 3 * n / 5 + 150; ++i) riddled[i] = kNaN;
    return {{"white", white},         {"white gapped", gapped(white)}, {"walk", walk},
            {"walk gapped", gapped(walk)}, {"white riddled", riddled}};
}

TEST(DeviationSums, TheCountOfMissingValuesIsEveryPrefixs) {
    // Across the blocks of 64 the count is kept in: none, at the edges of a
    // block, whole blocks, all.
    const std::vector<std::vector<std::size_t>> patterns = {
        {}, {0}, {63}, {64}, {63, 64, 65}, {127, 128}, {0, 1, 2, 3, 200, 255, 256, 299}};
    for (std::size_t n : {std::size_t{1}, std::size_t{64}, std::size_t{300}}) {
        for (std::vector<std::size_t> missing : patterns) {
            std::erase_if(missing, [n](std::size_t i) { return i >= n; });
            for (int all = 0; all < 2; ++all) {
                if (all == 1) {
                    missing.clear();
                    for (std::size_t i = 0; i < n; ++i) missing.push_back(i);
                }
                MissingCounts counts;
                counts.Reset(n + 7);  // memory left from a longer series
                counts.Reset(n);
                for (std::size_t i : missing) counts.SetMissing(i);
                counts.Count();
                uint32_t want = 0;
                for (std::size_t k = 0; k <= n; ++k) {
                    ASSERT_EQ(counts[k], want) << "n=" << n << " k=" << k;
                    if (std::find(missing.begin(), missing.end(), k) != missing.end()) ++want;
                }
            }
        }
    }
}

TEST(DeviationSums, EveryDeviationAddsUpToItsDefiningFormula) {
    int compared = 0;
    for (std::size_t n : {std::size_t{3000}, std::size_t{4001}}) {
        for (const Series& series : TestSeries(n)) {
            for (Deviation dev : kAllDeviations) {
                const uint64_t largest = MaxAveragingFactor(dev, n);
                // Several accumulators and their remainder, the running sum
                // of mdev in four, three, two and one stretches, the largest.
                for (uint64_t m : {uint64_t{1}, uint64_t{2}, uint64_t{3}, uint64_t{7}, uint64_t{16}, uint64_t{64},
                                   uint64_t{100}, uint64_t{250}, uint64_t{300}, largest - 1, largest}) {
                    if (m == 0 || m > largest) continue;
                    SCOPED_TRACE(series.name + " N=" + std::to_string(n) + " " + std::string(DeviationName(dev)) +
                                 " m=" + std::to_string(m));
                    const DeviationValue want = Textbook(dev, series.y, 0.25, m);
                    const DeviationValue got = ComputeDeviationAt(dev, series.y, 0.25, m);
                    EXPECT_EQ(got.terms, want.terms);
                    // A few long averages of the gapped series all touch a gap.
                    if (want.terms == 0) continue;
                    EXPECT_NEAR(got.value, want.value, want.value * 1e-11);
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 2 * 4 * 7 * 8);
}

// --------------------------------------------------------------- noise

// The lag-1 method as written in the paper: the averages over complete
// blocks, less their least-squares line, differenced until delta < 0.25 or
// d reaches its limit; alpha = -round(2 delta) - 2d.
int TextbookLag1Alpha(Deviation dev, const std::vector<double>& y, std::size_t m) {
    std::vector<double> z;
    for (std::size_t b = 0; (b + 1) * m <= y.size(); ++b) {
        double sum = 0.0;
        for (std::size_t i = b * m; i < (b + 1) * m; ++i) sum += y[i];
        if (!std::isnan(sum)) z.push_back(sum / static_cast<double>(m));
    }
    const double nd = static_cast<double>(z.size());
    double mean_k = (nd - 1.0) / 2.0, mean_z = 0.0;
    for (double v : z) mean_z += v / nd;
    double skz = 0.0, skk = 0.0;
    for (std::size_t k = 0; k < z.size(); ++k) {
        skz += (static_cast<double>(k) - mean_k) * (z[k] - mean_z);
        skk += (static_cast<double>(k) - mean_k) * (static_cast<double>(k) - mean_k);
    }
    std::vector<double> w;
    for (std::size_t k = 0; k < z.size(); ++k) w.push_back(z[k] - mean_z - skz / skk * (static_cast<double>(k) - mean_k));
    const int d_max = IsHadamard(dev) ? 3 : 2;
    for (int d = 0;; ++d) {
        double mean = 0.0;
        for (double v : w) mean += v / static_cast<double>(w.size());
        double num = 0.0, den = 0.0;
        for (std::size_t i = 0; i < w.size(); ++i) {
            den += (w[i] - mean) * (w[i] - mean);
            if (i + 1 < w.size()) num += (w[i] - mean) * (w[i + 1] - mean);
        }
        const double delta = (num / den) / (1.0 + num / den);
        if (delta < 0.25 || d >= d_max) {
            const int alpha = -static_cast<int>(std::lround(2.0 * delta)) - 2 * d;
            return std::max(IsHadamard(dev) ? -4 : -2, std::min(2, alpha));
        }
        for (std::size_t i = 0; i + 1 < w.size(); ++i) w[i] = w[i + 1] - w[i];
        w.pop_back();
    }
}

TEST(DeviationSums, NoiseTypeIsThatOfTheLag1MethodWrittenOut) {
    // White PM, white FM, random-walk FM and random-run FM: the lag-1 passes
    // stop at d = 0, 1, 2 and 3. With and without missing readings.
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal;
    const std::size_t n = 6000;
    std::vector<double> white(n + 1);
    for (double& v : white) v = normal(rng);
    std::vector<double> wpm(n), wfm(n), rwfm(n), rrfm(n);
    double s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        wpm[i] = white[i + 1] - white[i];
        wfm[i] = white[i];
        s1 += white[i];
        s2 += s1;
        s3 += s2;
        rwfm[i] = s1;
        rrfm[i] = s3;
    }
    int seen_alpha[7] = {};
    for (const std::vector<double>* y : {&wpm, &wfm, &rwfm, &rrfm}) {
        std::vector<double> gapped = *y;
        for (std::size_t i = 2000; i < 2013; ++i) gapped[i] = kNaN;
        gapped[77] = kNaN;
        const std::vector<double>* both[] = {y, &gapped};
        for (const std::vector<double>* series : both) {
            for (Deviation dev : {Deviation::Oadev, Deviation::Ohdev}) {
                for (std::size_t m : {1, 2, 3, 8, 50, 100}) {
                    SCOPED_TRACE(std::string(DeviationName(dev)) + " m=" + std::to_string(m));
                    const NoiseEstimate got = IdentifyNoise(dev, *series, m);
                    ASSERT_EQ(got.method, NoiseMethod::Lag1);
                    const int want = TextbookLag1Alpha(dev, *series, m);
                    EXPECT_EQ(got.alpha, want);
                    ++seen_alpha[2 - want];
                }
            }
        }
    }
    // Every pass was taken: alpha 2, 0, -2 and -4 all came up.
    for (int alpha : {2, 0, -2, -4}) EXPECT_GT(seen_alpha[2 - alpha], 0) << "alpha " << alpha;
}

TEST(DeviationSums, TheWholeAnalysisGivesEachPointWhatItsFactorAloneGives) {
    // The analysis sums every factor in shared passes over the series; each
    // point must still be what the deviation and the noise at its factor
    // alone are. White FM, and a random walk, with missing readings.
    for (std::size_t n : {std::size_t{40000}, std::size_t{3001}}) {
        for (const Series& series : TestSeries(n)) {
            for (Deviation dev : kAllDeviations) {
                SCOPED_TRACE(series.name + " N=" + std::to_string(n) + " " + std::string(DeviationName(dev)));
                const std::vector<DevPoint> points = AnalyseDeviation(dev, series.y, 0.5);
                ASSERT_GE(points.size(), 8u);
                for (const DevPoint& p : points) {
                    const DeviationValue alone = ComputeDeviationAt(dev, series.y, 0.5, p.m);
                    EXPECT_EQ(p.terms, alone.terms) << "m=" << p.m;
                    EXPECT_NEAR(p.value, alone.value, alone.value * 1e-12) << "m=" << p.m;
                    const NoiseEstimate noise = IdentifyNoise(dev, series.y, p.m);
                    EXPECT_EQ(p.method, noise.method) << "m=" << p.m;
                    if (noise.method != NoiseMethod::None) {
                        EXPECT_EQ(p.alpha, noise.alpha) << "m=" << p.m;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace kt::test
