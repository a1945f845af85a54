// The stability analysis: the deviations against published values and
// against a direct evaluation of their defining sums (with and without
// missing readings), the noise type of generated power-law noise, the
// equivalent degrees of freedom and the confidence intervals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "measurements/stability.h"

namespace kt::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ------------------------------------------------- a direct evaluation

// The average of y[begin, begin + m), NaN when one of them is missing.
double Average(const std::vector<double>& y, std::size_t begin, std::size_t m) {
    double sum = 0.0;
    for (std::size_t i = begin; i < begin + m; ++i) sum += y[i];
    return sum / static_cast<double>(m);
}

// Each deviation evaluated term by term from the frequency averages, O(N m):
// what the prefix sums must reproduce. Terms with a NaN are left out.
DeviationValue Direct(Deviation dev, const std::vector<double>& y, double tau0, std::size_t m) {
    const std::size_t n = y.size();
    double sum = 0.0;
    uint64_t terms = 0;
    auto add = [&](double d) {
        if (std::isnan(d)) return;
        sum += d * d;
        ++terms;
    };
    double divisor = 2.0;
    switch (dev) {
        case Deviation::Adev:
            for (std::size_t i = 0; (i + 2) * m <= n; ++i) add(Average(y, (i + 1) * m, m) - Average(y, i * m, m));
            break;
        case Deviation::Oadev:
            for (std::size_t j = 0; j + 2 * m <= n; ++j) add(Average(y, j + m, m) - Average(y, j, m));
            break;
        case Deviation::Mdev:
        case Deviation::Tdev:
            for (std::size_t j = 0; j + 3 * m <= n + 1; ++j) {
                double inner = 0.0;
                for (std::size_t i = j; i < j + m; ++i) inner += Average(y, i + m, m) - Average(y, i, m);
                add(inner / static_cast<double>(m));
            }
            break;
        case Deviation::Hdev:
            divisor = 6.0;
            for (std::size_t i = 0; (i + 3) * m <= n; ++i)
                add(Average(y, (i + 2) * m, m) - 2.0 * Average(y, (i + 1) * m, m) + Average(y, i * m, m));
            break;
        case Deviation::Ohdev:
            divisor = 6.0;
            for (std::size_t j = 0; j + 3 * m <= n; ++j)
                add(Average(y, j + 2 * m, m) - 2.0 * Average(y, j + m, m) + Average(y, j, m));
            break;
        case Deviation::Totdev: {
            // y mirrored at both ends: reversed y, y, reversed y.
            std::vector<double> ext(y.rbegin(), y.rend());
            ext.insert(ext.end(), y.begin(), y.end());
            ext.insert(ext.end(), y.rbegin(), y.rend());
            for (std::size_t p = 1; p < n; ++p) add(Average(ext, n + p, m) - Average(ext, n + p - m, m));
            break;
        }
    }
    if (terms == 0) return {kNaN, 0};
    double value = std::sqrt(sum / (divisor * static_cast<double>(terms)));
    if (dev == Deviation::Tdev) value *= static_cast<double>(m) * tau0 / std::sqrt(3.0);
    return {value, terms};
}

std::vector<double> WhiteNoise(std::size_t n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    std::vector<double> y(n);
    for (double& v : y) v = normal(rng);
    return y;
}

// ------------------------------------------------------------ deviations

TEST(Deviations, NinePointExampleOfTheHandbook) {
    // The frequency values of the worked example, tau0 = 1 s, deviations of
    // the values themselves.
    const std::vector<double> y = {892, 809, 823, 798, 671, 644, 883, 903, 677};
    struct Case {
        Deviation dev;
        double at1, at2;
    };
    const Case cases[] = {
        {Deviation::Adev, 91.22945, 115.8082},  {Deviation::Oadev, 91.22945, 85.95287},
        {Deviation::Mdev, 91.22945, 74.78849},  {Deviation::Tdev, 52.67135, 86.35831},
        {Deviation::Hdev, 70.80608, 116.7980},  {Deviation::Ohdev, 70.80607, 85.61487},
        {Deviation::Totdev, 91.22945, 93.90379},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DeviationName(c.dev));
        EXPECT_NEAR(ComputeDeviationAt(c.dev, y, 1.0, 1).value, c.at1, c.at1 * 1e-6);
        EXPECT_NEAR(ComputeDeviationAt(c.dev, y, 1.0, 2).value, c.at2, c.at2 * 1e-6);
        EXPECT_GE(MaxAveragingFactor(c.dev, y.size()), 2u);
    }
    // Terms as the field counts them, N = 9, m = 2.
    EXPECT_EQ(ComputeDeviationAt(Deviation::Adev, y, 1.0, 2).terms, 3u);
    EXPECT_EQ(ComputeDeviationAt(Deviation::Oadev, y, 1.0, 2).terms, 6u);
    EXPECT_EQ(ComputeDeviationAt(Deviation::Mdev, y, 1.0, 2).terms, 5u);
    EXPECT_EQ(ComputeDeviationAt(Deviation::Hdev, y, 1.0, 2).terms, 2u);
    EXPECT_EQ(ComputeDeviationAt(Deviation::Ohdev, y, 1.0, 2).terms, 4u);
    EXPECT_EQ(ComputeDeviationAt(Deviation::Totdev, y, 1.0, 2).terms, 8u);
}

TEST(Deviations, MissingReadingsLeaveOutExactlyTheTermsThatTouchThem) {
    std::vector<double> y = WhiteNoise(240, 7);
    std::vector<double> gapped = y;
    std::fill(gapped.begin() + 100, gapped.begin() + 110, kNaN);  // 10 readings missing
    gapped[3] = kNaN;                                             // and one near the start
    for (Deviation dev : kAllDeviations) {
        for (std::size_t m : {1, 2, 3, 5, 8, 13, 40}) {
            SCOPED_TRACE(std::string(DeviationName(dev)) + " m=" + std::to_string(m));
            for (const auto* series : {&y, &gapped}) {
                const DeviationValue want = Direct(dev, *series, 0.5, m);
                const DeviationValue got = ComputeDeviationAt(dev, *series, 0.5, m);
                EXPECT_EQ(got.terms, want.terms);
                EXPECT_NEAR(got.value, want.value, want.value * 1e-10);
            }
        }
        // The whole analysis over gapped series, one of them mostly missing:
        // every number a number, and without a gap the edf of the length.
        std::vector<double> mostly_missing = y;
        std::fill(mostly_missing.begin() + 20, mostly_missing.end() - 20, kNaN);
        for (const auto* series : {&gapped, &mostly_missing}) {
            for (const DevPoint& p : AnalyseDeviation(dev, *series, 0.5)) {
                EXPECT_TRUE(std::isfinite(p.value) && std::isfinite(p.edf) && std::isfinite(p.low) &&
                            std::isfinite(p.high))
                    << "m=" << p.m;
            }
        }
        for (const DevPoint& p : AnalyseDeviation(dev, y, 0.5)) {
            EXPECT_DOUBLE_EQ(p.edf, EquivalentDegreesOfFreedom(dev, p.alpha, p.m, y.size())) << "m=" << p.m;
        }
    }
}

TEST(Deviations, RawReadingsNearTenMegahertzKeepTheirMicrohertz) {
    // Readings of 10 MHz with micro-hertz steps, and the same steps alone
    // (exact differences): the deviations must agree far below the steps.
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> step(-50, 50);
    std::vector<double> raw(5000), offsets(5000);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = 10e6 + step(rng) * 1e-6;
        offsets[i] = raw[i] - 10e6;
    }
    for (Deviation dev : kAllDeviations) {
        SCOPED_TRACE(DeviationName(dev));
        for (uint64_t m : {1, 16}) {
            const double want = ComputeDeviationAt(dev, offsets, 1.0, m).value;
            EXPECT_NEAR(ComputeDeviationAt(dev, raw, 1.0, m).value, want, want * 1e-7);
        }
    }
}

TEST(Deviations, NamesLimitsAndAveragingFactors) {
    for (Deviation dev : kAllDeviations) EXPECT_EQ(ParseDeviation(DeviationName(dev)), dev);
    EXPECT_FALSE(ParseDeviation("ADEV"));
    EXPECT_FALSE(ParseDeviation(""));
    for (TauSet set : {TauSet::Octave, TauSet::Decade, TauSet::All}) EXPECT_EQ(ParseTauSet(TauSetName(set)), set);
    EXPECT_FALSE(ParseTauSet("octaves"));

    EXPECT_EQ(AveragingFactors(TauSet::Octave, 100), (std::vector<uint64_t>{1, 2, 4, 8, 16, 32, 64}));
    EXPECT_EQ(AveragingFactors(TauSet::Decade, 400), (std::vector<uint64_t>{1, 2, 4, 10, 20, 40, 100, 200, 400}));
    EXPECT_EQ(AveragingFactors(TauSet::All, 5), (std::vector<uint64_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(AveragingFactors(TauSet::Octave, 0).empty());
    EXPECT_EQ(AveragingFactors(TauSet::Octave, UINT64_MAX).size(), 64u);  // no overflow

    // Every deviation has a term at its largest factor, and none with too
    // few values.
    for (Deviation dev : kAllDeviations) {
        for (uint64_t n : {0, 1, 2, 3, 4, 9, 10, 11, 100, 101}) {
            SCOPED_TRACE(std::string(DeviationName(dev)) + " n=" + std::to_string(n));
            const uint64_t max_m = MaxAveragingFactor(dev, n);
            const std::vector<double> y = WhiteNoise(n, 1);
            if (max_m > 0) {
                EXPECT_GE(ComputeDeviationAt(dev, y, 1.0, max_m).terms, 1u);
            }
            if (n < 2) {
                EXPECT_EQ(max_m, 0u);
            }
        }
    }
}

// ------------------------------------------------------------ noise type

// Power-law noise of each type, as fractional frequency: white and flicker
// PM are the differences of white and flicker phase, random-walk FM the
// running sum of white frequency. Flicker noise is white noise through
// Kasdin's fractional-difference filter, h[0] = 1, h[k] = h[k-1] (k - 1/2) / k.
std::vector<double> PowerLawNoise(int alpha, std::size_t n, unsigned seed) {
    const std::vector<double> white = WhiteNoise(n + 1, seed);
    auto flicker = [&] {
        std::vector<double> h(white.size()), out(white.size(), 0.0);
        h[0] = 1.0;
        for (std::size_t k = 1; k < h.size(); ++k) h[k] = h[k - 1] * (static_cast<double>(k) - 0.5) / static_cast<double>(k);
        for (std::size_t i = 0; i < out.size(); ++i)
            for (std::size_t k = 0; k <= i; ++k) out[i] += h[k] * white[i - k];
        return out;
    };
    std::vector<double> y(n);
    if (alpha == 2 || alpha == 1) {
        const std::vector<double> x = alpha == 2 ? white : flicker();
        for (std::size_t i = 0; i < n; ++i) y[i] = x[i + 1] - x[i];
    } else if (alpha == 0) {
        y.assign(white.begin(), white.begin() + static_cast<std::ptrdiff_t>(n));
    } else if (alpha == -1) {
        const std::vector<double> f = flicker();
        y.assign(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(n));
    } else {
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) y[i] = sum += white[i];
    }
    return y;
}

// Least-squares slope of log10 oadev against log10 tau over m = 1 .. 64.
double AdevSlope(const std::vector<double>& y) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0, count = 0;
    for (uint64_t m = 1; m <= 64; m *= 2) {
        const double lx = std::log10(static_cast<double>(m));
        const double ly = std::log10(ComputeDeviationAt(Deviation::Oadev, y, 1.0, m).value);
        sx += lx, sy += ly, sxx += lx * lx, sxy += lx * ly, count += 1;
    }
    return (count * sxy - sx * sy) / (count * sxx - sx * sx);
}

TEST(Noise, GeneratedPowerLawNoiseIsIdentifiedWithItsTextbookSlope) {
    struct Case {
        int alpha;
        double slope;  // of the Allan deviation; NaN: not a plain power of tau
        uint64_t max_m;  // identified up to this m (flicker PM's averages look ever whiter)
    };
    const Case cases[] = {{2, -1.0, 4}, {1, kNaN, 2}, {0, -0.5, 4}, {-1, 0.0, 4}, {-2, 0.5, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(NoiseName(c.alpha));
        const std::vector<double> y = PowerLawNoise(c.alpha, 4096, 11);
        for (Deviation dev : {Deviation::Oadev, Deviation::Mdev, Deviation::Ohdev, Deviation::Totdev}) {
            for (uint64_t m = 1; m <= c.max_m; m *= 2) {
                SCOPED_TRACE(std::string(DeviationName(dev)) + " m=" + std::to_string(m));
                const NoiseEstimate noise = IdentifyNoise(dev, y, m);
                EXPECT_EQ(noise.alpha, c.alpha);
                EXPECT_EQ(noise.method, NoiseMethod::Lag1);
            }
        }
        if (!std::isnan(c.slope)) {
            EXPECT_NEAR(AdevSlope(y), c.slope, 0.1);
        }
    }
    // Fewer than 30 averages: the B1 ratio (it tells random-walk FM from the
    // rest at once; white PM and FM it tells apart only with more values).
    EXPECT_EQ(IdentifyNoise(Deviation::Oadev, PowerLawNoise(-2, 25, 5), 1).alpha, -2);
    EXPECT_EQ(IdentifyNoise(Deviation::Oadev, PowerLawNoise(-2, 25, 5), 1).method, NoiseMethod::B1);
    EXPECT_EQ(IdentifyNoise(Deviation::Oadev, std::vector<double>{1.0, 2.0}, 1).method, NoiseMethod::None);
    EXPECT_EQ(IdentifyNoise(Deviation::Oadev, std::vector<double>(100, 3.0), 1).method, NoiseMethod::None);
    // The last points of random-walk FM, with fewer than five averages, keep
    // the noise type found before them rather than a guess (or white FM).
    const std::vector<DevPoint> walk = AnalyseDeviation(Deviation::Adev, PowerLawNoise(-2, 256, 5), 1.0);
    ASSERT_GE(walk.size(), 4u);
    EXPECT_EQ(walk.back().method, NoiseMethod::None);
    EXPECT_EQ(walk.back().alpha, walk[walk.size() - 2].alpha);
    EXPECT_EQ(walk.front().alpha, -2);
    EXPECT_EQ(NoiseName(-4), "random-run FM");
    EXPECT_EQ(NoiseName(3), "");
}

// ------------------------------------------------- edf and intervals

TEST(Edf, WhiteFmOfTheNonOverlappingDeviationsIsExact) {
    // K differences of independent averages: for first differences (Allan)
    // edf = 2 K^2 / (3K - 1), for second differences (Hadamard) 36 K^2 /
    // (70 K - 36), from the covariances of the differences.
    for (uint64_t n : {1000, 5000, 100000}) {
        const uint64_t m = 64;
        const double k = static_cast<double>(n / m - 1), h = static_cast<double>(n / m - 2);
        EXPECT_NEAR(EquivalentDegreesOfFreedom(Deviation::Adev, 0, m, n), 2 * k * k / (3 * k - 1), 1e-9 * k);
        EXPECT_NEAR(EquivalentDegreesOfFreedom(Deviation::Hdev, 0, m, n), 36 * h * h / (70 * h - 36), 1e-9 * h);
    }
    // The handbook's simple formula for white FM oadev, close at large m.
    const double big_n = 5001;
    const double simple = (3 * (big_n - 1) / 128 - 2 * (big_n - 2) / big_n) * 4 * 64 * 64 / (4 * 64 * 64 + 5);
    EXPECT_NEAR(EquivalentDegreesOfFreedom(Deviation::Oadev, 0, 64, 5000), simple, 0.02 * simple);
    EXPECT_DOUBLE_EQ(EquivalentDegreesOfFreedom(Deviation::Totdev, 0, 10, 1000), 150.0);
}

TEST(Edf, GrowsSmoothlyWithTheRecordAcrossEveryBranchOfTheAlgorithm) {
    // The algorithm sums covariances up to J_max and then switches to its
    // tables: a wrong table entry shows as a step in edf against N.
    for (Deviation dev : {Deviation::Oadev, Deviation::Mdev, Deviation::Ohdev, Deviation::Totdev}) {
        for (int alpha = 2; alpha >= (IsHadamard(dev) ? -4 : -2); --alpha) {
            for (uint64_t m : {1, 5, 40, 400}) {
                SCOPED_TRACE(std::string(DeviationName(dev)) + " alpha=" + std::to_string(alpha) +
                             " m=" + std::to_string(m));
                const uint64_t step = std::max<uint64_t>(1, m / 2);
                double previous = EquivalentDegreesOfFreedom(dev, alpha, m, 8 * m);
                ASSERT_TRUE(previous > 0);
                for (uint64_t n = 8 * m + step; n < 500 * m; n += step) {
                    const double edf = EquivalentDegreesOfFreedom(dev, alpha, m, n);
                    const double growth = edf / previous;
                    ASSERT_GE(growth, 1.0) << "n=" << n;
                    ASSERT_LE(growth, 1.0 + 3.0 * static_cast<double>(step) / static_cast<double>(n)) << "n=" << n;
                    previous = edf;
                }
            }
        }
    }
}

TEST(Edf, WhitePmWithFewTermsIsGreenhallsSumOverEveryLag) {
    // With fewer than d + 1 averages per stride the algorithm sums every
    // covariance, up to millions of lags at the longest averaging times;
    // the edf must be that sum's, written out here term by term.
    auto sz = [](double t, double f, int d) {
        auto sx = [f](double u) { return f * f * (-2.0 * std::fabs(u) + std::fabs(u - 1.0 / f) + std::fabs(u + 1.0 / f)); };
        double sum = 0.0, binomial = 1.0;  // C(2d, d + k), k = -d first
        for (int k = -d; k <= d; ++k) {
            sum += ((k + d) % 2 == 0 ? 1.0 : -1.0) * binomial * sx(t + k);
            binomial = binomial * (d - k) / (d + k + 1);
        }
        return sum;
    };
    struct Case {
        Deviation dev;
        int d;
        bool overlapping;
    } cases[] = {{Deviation::Oadev, 2, true}, {Deviation::Ohdev, 3, true}, {Deviation::Hdev, 3, false}};
    int compared = 0;
    for (const Case& c : cases) {
        for (uint64_t m : {3, 40, 1000}) {
            for (uint64_t n = c.d * m + 1; n <= (2 * c.d + 1) * m; n += std::max<uint64_t>(1, m / 7)) {
                const double md = static_cast<double>(m), stride = c.overlapping ? md : 1.0;
                const double terms = 1.0 + std::floor(stride * (static_cast<double>(n) + 1.0 - (1.0 + md * c.d)) / md);
                if (std::ceil(terms / stride) > c.d) continue;  // the approximation's domain
                const double j = std::min(terms, (c.d + 1) * stride);
                double sum = sz(0.0, md, c.d) * sz(0.0, md, c.d) + (1.0 - j / terms) * std::pow(sz(j / stride, md, c.d), 2);
                for (double l = 1.0; l < j; l += 1.0) sum += 2.0 * (1.0 - l / terms) * std::pow(sz(l / stride, md, c.d), 2);
                const double want = terms * std::pow(sz(0.0, md, c.d), 2) / sum;
                SCOPED_TRACE(std::string(DeviationName(c.dev)) + " m=" + std::to_string(m) + " n=" + std::to_string(n));
                EXPECT_NEAR(EquivalentDegreesOfFreedom(c.dev, 2, m, n), want, 1e-9 * want);
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 20);
}

TEST(Edf, NoneWhereNoneCanBeGiven) {
    EXPECT_TRUE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Oadev, 3, 1, 100)));
    EXPECT_TRUE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Oadev, -3, 1, 100)));
    EXPECT_FALSE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Ohdev, -4, 1, 100)));
    EXPECT_TRUE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Adev, 0, 0, 100)));
    EXPECT_TRUE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Adev, 0, 60, 100)));
    EXPECT_TRUE(std::isnan(EquivalentDegreesOfFreedom(Deviation::Totdev, 0, 60, 100)));
    for (double edf : {0.0, -1.0, kNaN}) EXPECT_TRUE(std::isnan(ConfidenceInterval(1.0, edf, 0.683).low));
    for (double confidence : {0.0, 1.0, kNaN}) EXPECT_TRUE(std::isnan(ConfidenceInterval(1.0, 5, confidence).high));
}

// The true variance of a deviation for white FM of unit variance at m.
double WhiteFmVariance(Deviation dev, uint64_t m) {
    const double md = static_cast<double>(m);
    if (dev != Deviation::Mdev && dev != Deviation::Tdev) return 1.0 / md;
    // The term is a weighted sum of 3m - 1 values: sum of its squared weights / 2.
    std::vector<double> w(3 * m - 1, 0.0);
    for (uint64_t i = 0; i < m; ++i)
        for (uint64_t k = 0; k < m; ++k) {
            w[i + m + k] += 1.0 / (md * md);
            w[i + k] -= 1.0 / (md * md);
        }
    double sum = 0.0;
    for (double v : w) sum += v * v;
    return sum / 2.0 * (dev == Deviation::Tdev ? md * md / 3.0 : 1.0);
}

TEST(Intervals, OneSigmaIntervalsHoldTheTrueValueTwoTimesInThree) {
    for (Deviation dev : kAllDeviations) {
        int held[3] = {0, 0, 0};
        const int trials = 300;
        for (int t = 0; t < trials; ++t) {
            const std::vector<double> y = WhiteNoise(512, 1000 + static_cast<unsigned>(t));
            const std::vector<DevPoint> points = AnalyseDeviation(dev, y, 1.0);
            for (int i = 0; i < 3; ++i) {
                const DevPoint& p = points[i == 2 ? 3 : i];  // m = 1, 2 and 8
                const double truth = std::sqrt(WhiteFmVariance(dev, p.m));
                held[i] += p.low <= truth && truth <= p.high;
            }
        }
        SCOPED_TRACE(DeviationName(dev));
        EXPECT_NEAR(held[0] / double(trials), 0.683, 0.08);
        EXPECT_NEAR(held[2] / double(trials), 0.683, 0.08);
        // The handbook's totdev edf is a large-tau formula: at m = 2 its
        // intervals hold the value about 60 % of the time.
        if (dev != Deviation::Totdev) {
            EXPECT_NEAR(held[1] / double(trials), 0.683, 0.08);
        }
    }
}

TEST(Intervals, ContainTheValueAndShrinkAsTheRecordGrows) {
    const std::vector<double> longer = PowerLawNoise(-1, 8000, 21);
    const std::vector<double> shorter(longer.begin(), longer.begin() + 1000);
    for (Deviation dev : kAllDeviations) {
        SCOPED_TRACE(DeviationName(dev));
        const auto few = AnalyseDeviation(dev, shorter, 1.0, {TauSet::Octave, 0.95});
        const auto many = AnalyseDeviation(dev, longer, 1.0, {TauSet::Octave, 0.95});
        ASSERT_GE(few.size(), 6u);
        for (const auto* points : {&few, &many}) {
            for (const DevPoint& p : *points) {
                EXPECT_TRUE(p.low < p.value && p.value < p.high) << p.m;
                EXPECT_GT(p.edf, 0.0);
            }
        }
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_LT((many[i].high - many[i].low) / many[i].value, (few[i].high - few[i].low) / few[i].value);
        }
    }
    EXPECT_TRUE(AnalyseDeviation(Deviation::Ohdev, std::vector<double>{1.0, 2.0}, 1.0).empty());
    EXPECT_TRUE(AnalyseDeviation(Deviation::Oadev, std::vector<double>{}, 1.0).empty());
    for (double tau0 : {0.0, -1.0, kNaN}) EXPECT_TRUE(AnalyseDeviation(Deviation::Adev, shorter, tau0).empty());
}

}  // namespace
}  // namespace kt::test
