// The power-law noise type of a series at one averaging factor.
//
// With enough averages: the lag-1 autocorrelation method of W. J. Riley and
// C. A. Greenhall, "Power law noise identification using the lag 1
// autocorrelation" (Proc. 18th European Frequency and Time Forum, 2004):
// the m-averages z of y, less their least-squares line, are differenced d
// times until the lag-1 autocorrelation r1 gives delta = r1 / (1 + r1) below
// 0.25 (or d reaches its limit: 2 for the Allan family, 3 for the Hadamard
// deviations); then alpha = -round(2 delta) - 2d (p = -2 (delta + d)).
//
// With fewer than 30 averages: the B1 bias ratio of J. A. Barnes (the sample
// variance of the averages over their Allan variance), whose expected value
// for each noise type is given in SP 1065 section 5.6 (after D. A. Howe et
// al., 2000); white and flicker PM, which B1 cannot tell apart, are told by
// R(n), the ratio of the modified to the Allan variance.
//
// The averages come from the phase sums (two subtractions each) and every
// pass is made over them afresh, so nothing of size N/m is kept: O(N/m) per
// point.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

#include "measurements/phase_sums.h"
#include "measurements/stability.h"

namespace kt {

namespace {

constexpr uint64_t kLag1MinimumAverages = 30;

// Calls f(z) for every m-average that has no missing value, in order.
template <class F>
void ForEachAverage(const stability::PhaseSums& s, uint64_t m, F&& f) {
    const double md = static_cast<double>(m);
    const uint64_t blocks = s.n / m;
    for (uint64_t b = 0; b < blocks; ++b) {
        const uint64_t begin = b * m;
        if (s.Complete(begin, begin + m)) f(s.Sum(begin, begin + m) / md);
    }
}

int ClampAlpha(Deviation deviation, int alpha) {
    const int lowest = IsHadamard(deviation) ? -4 : -2;
    return std::max(lowest, std::min(2, alpha));
}

// The lag-1 method over n >= 30 averages. Returns nullopt for a series
// without variation.
std::optional<int> Lag1Alpha(Deviation deviation, const stability::PhaseSums& s, uint64_t m, uint64_t n) {
    // The least-squares line through (k, z_k): slope over the centred k.
    const double nd = static_cast<double>(n);
    const double k_mean = (nd - 1.0) / 2.0;
    double sum_z = 0.0, sum_kz = 0.0;
    {
        double k = 0.0;
        ForEachAverage(s, m, [&](double z) {
            sum_z += z;
            sum_kz += (k - k_mean) * z;
            k += 1.0;
        });
    }
    const double z_mean = sum_z / nd;
    const double slope = sum_kz / (nd * (nd * nd - 1.0) / 12.0);

    const int d_max = IsHadamard(deviation) ? 3 : 2;
    for (int d = 0;; ++d) {
        // w: the detrended averages differenced d times, made on the fly
        // from the last d + 1 detrended averages.
        std::array<double, 4> last{};
        uint64_t seen = 0;
        double sum = 0.0, sum_sq = 0.0, sum_lag = 0.0, first = 0.0, previous = 0.0;
        uint64_t count = 0;
        double k = 0.0;
        ForEachAverage(s, m, [&](double z) {
            const double detrended = z - z_mean - slope * (k - k_mean);
            k += 1.0;
            for (int i = 0; i < d; ++i) last[static_cast<std::size_t>(i)] = last[static_cast<std::size_t>(i) + 1];
            last[static_cast<std::size_t>(d)] = detrended;
            if (++seen <= static_cast<uint64_t>(d)) return;
            // The d-th difference: sum of (-1)^(d-i) C(d, i) last[i].
            static constexpr int kBinomial[4][4] = {{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 1, 0}, {1, 3, 3, 1}};
            double w = 0.0;
            for (int i = 0; i <= d; ++i) {
                const double c = kBinomial[d][i] * (((d - i) % 2 == 0) ? 1.0 : -1.0);
                w += c * last[static_cast<std::size_t>(i)];
            }
            if (count == 0) {
                first = w;
            } else {
                sum_lag += previous * w;
            }
            previous = w;
            sum += w;
            sum_sq += w * w;
            ++count;
        });
        const double cd = static_cast<double>(count);
        const double mean = sum / cd;
        // Sums about the mean: sum (w_i - mean)^2 and sum (w_i - mean)(w_i+1 - mean).
        const double denominator = sum_sq - cd * mean * mean;
        if (!(denominator > 0.0)) return std::nullopt;
        const double numerator = sum_lag - mean * ((sum - previous) + (sum - first)) + (cd - 1.0) * mean * mean;
        const double r1 = numerator / denominator;
        const double delta = r1 / (1.0 + r1);
        if (delta < 0.25 || d >= d_max) {
            return ClampAlpha(deviation, -static_cast<int>(std::lround(2.0 * delta)) - 2 * d);
        }
    }
}

// Expected B1 ratio with n averages for an Allan variance going as tau^mu.
double ExpectedB1(int mu, double n) {
    switch (mu) {
        case 2: return n * (n + 1.0) / 6.0;
        case 1: return n / 2.0;
        case 0: return n * std::log(n) / (2.0 * (n - 1.0) * std::numbers::ln2);
        case -1: return 1.0;
        case -2: return (n * n - 1.0) / (1.5 * n * (n - 1.0));
        default: {
            const double md = mu;
            return n * (1.0 - std::pow(n, md)) / (2.0 * (n - 1.0) * (1.0 - std::pow(2.0, md)));
        }
    }
}

// The B1 method (and R(n) for phase noise) over fewer than 30 averages.
std::optional<int> B1Alpha(Deviation deviation, const stability::PhaseSums& s, uint64_t m) {
    std::vector<double> z;
    ForEachAverage(s, m, [&](double v) { z.push_back(v); });
    const std::size_t n = z.size();
    if (n < 3) return std::nullopt;
    double mean = 0.0;
    for (double v : z) mean += v;
    mean /= static_cast<double>(n);
    double variance = 0.0, allan = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        variance += (z[i] - mean) * (z[i] - mean);
        if (i + 1 < n) allan += (z[i + 1] - z[i]) * (z[i + 1] - z[i]);
    }
    variance /= static_cast<double>(n - 1);
    allan /= 2.0 * static_cast<double>(n - 1);
    if (!(variance > 0.0 && allan > 0.0)) return std::nullopt;
    const double b1 = variance / allan;

    // The noise type whose expected B1 is nearest on a log scale (the
    // boundary between neighbours at the geometric mean of their values).
    const int highest_mu = IsHadamard(deviation) ? 3 : 1;
    int best_mu = -2;
    double best = std::numeric_limits<double>::infinity();
    for (int mu = -2; mu <= highest_mu; ++mu) {
        const double distance = std::fabs(std::log(b1 / ExpectedB1(mu, static_cast<double>(n))));
        if (distance < best) {
            best = distance;
            best_mu = mu;
        }
    }
    if (best_mu > -2) return ClampAlpha(deviation, -best_mu - 1);  // mu -1 .. 3: alpha 0 .. -4

    // White or flicker PM: R(n) = Mod sigma^2 / sigma^2 at this m, expected 1/m
    // for white PM and [3 ln(256/27) / (8 pi^2)] / [(1.038 + 3 ln(pi m)) /
    // (4 pi^2)] for flicker PM (bandwidth 1 / (2 tau0)).
    const DeviationValue mod = stability::DeviationAt(Deviation::Mdev, s, 1.0, m);
    const DeviationValue avar = stability::DeviationAt(Deviation::Oadev, s, 1.0, m);
    if (mod.terms == 0 || avar.terms == 0 || !(avar.value > 0.0)) return 2;
    const double r = (mod.value * mod.value) / (avar.value * avar.value);
    const double md = static_cast<double>(m);
    const double pi2 = std::numbers::pi * std::numbers::pi;
    const double white = 1.0 / md;
    const double flicker = (3.0 * std::log(256.0 / 27.0) / (8.0 * pi2)) /
                           ((1.038 + 3.0 * std::log(std::numbers::pi * md)) / (4.0 * pi2));
    return std::fabs(std::log(r / white)) <= std::fabs(std::log(r / flicker)) ? 2 : 1;
}

}  // namespace

namespace stability {

NoiseEstimate NoiseAt(Deviation deviation, const PhaseSums& s, uint64_t m) {
    if (m == 0 || m > s.n) return {};
    uint64_t averages = 0;
    ForEachAverage(s, m, [&](double) { ++averages; });
    if (averages >= kLag1MinimumAverages) {
        if (const auto alpha = Lag1Alpha(deviation, s, m, averages)) return {*alpha, NoiseMethod::Lag1};
        return {};
    }
    if (const auto alpha = B1Alpha(deviation, s, m)) return {*alpha, NoiseMethod::B1};
    return {};
}

}  // namespace stability

std::string_view NoiseName(int alpha) {
    switch (alpha) {
        case 2: return "white PM";
        case 1: return "flicker PM";
        case 0: return "white FM";
        case -1: return "flicker FM";
        case -2: return "random-walk FM";
        case -3: return "flicker-walk FM";
        case -4: return "random-run FM";
        default: return "";
    }
}

NoiseEstimate IdentifyNoise(Deviation deviation, std::span<const double> y, uint64_t m) {
    return stability::NoiseAt(deviation, stability::MakePhaseSums(y), m);
}

}  // namespace kt
