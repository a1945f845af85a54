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
// The averages come from the phase sums (one subtraction each) and every
// pass is made over them afresh, so nothing of size N/m is kept: O(N/m) per
// point. They are taken as block sums, m times the averages: r1 and B1 are
// ratios of sums of their products, which the factor m does not change (for
// a power of two not even in the last bit), and a division per average is
// saved. The lag-1 passes, each made for all the points of a deviation at
// once: one for the line, one for the averages themselves and, only for the
// points where those say the noise is redder, one for all the differences.
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
constexpr std::size_t kB1MinimumAverages = 5;

// Blocks taken together when a missing value is looked for.
constexpr uint64_t kBlockRun = 64;

// Calls f(b) for every block b in [begin, end) of m values that has no
// missing value, in order. Runs of blocks that hold none are visited
// without a look at each block's counts.
template <class F>
void ForEachCompleteBlock(const stability::PhaseSums& s, uint64_t m, uint64_t begin, uint64_t end, F&& f) {
    if (s.missing.empty()) {
        for (uint64_t b = begin; b < end; ++b) f(b);
        return;
    }
    const MissingCounts& c = s.missing;
    for (uint64_t run = begin; run < end;) {
        const uint64_t run_end = std::min(end, run + kBlockRun);
        if (c[run_end * m] == c[run * m]) {
            for (uint64_t b = run; b < run_end; ++b) f(b);
        } else {
            for (uint64_t b = run; b < run_end; ++b) {
                if (c[(b + 1) * m] == c[b * m]) f(b);
            }
        }
        run = run_end;
    }
}

// Calls f(S) for every block b in [begin, end) of m values that has no
// missing value, in order, S the sum of its (centred) values: m times its
// average.
template <class F>
void ForEachBlockSum(const stability::PhaseSums& s, uint64_t m, uint64_t begin, uint64_t end, F&& f) {
    const double* x = s.x.data();
    ForEachCompleteBlock(s, m, begin, end, [&](uint64_t b) { f(x[(b + 1) * m] - x[b * m]); });
}

template <class F>
void ForEachBlockSum(const stability::PhaseSums& s, uint64_t m, F&& f) {
    ForEachBlockSum(s, m, 0, s.n / m, f);
}

// The series is longer than the cache, and at the short averaging factors
// each pass over it reads all of it from memory. So one pass serves every
// factor at once: the series is taken in stretches of kStretch values, and
// each factor's blocks that end within a stretch are visited while the
// stretch is in the cache. visit(f, begin, end) is given the blocks
// [begin, end) of factor f, each factor's blocks in order.
constexpr uint64_t kStretch = 16384;

template <class Visit>
void ForEachStretch(const stability::PhaseSums& s, const std::vector<uint64_t>& factors, Visit&& visit) {
    std::vector<uint64_t> next(factors.size(), 0);
    for (uint64_t limit = 0; limit < s.n;) {
        limit = std::min(s.n, limit + kStretch);
        for (std::size_t f = 0; f < factors.size(); ++f) {
            const uint64_t end = limit / factors[f];  // the blocks that end by limit
            if (end > next[f]) visit(f, next[f], end);
            next[f] = std::max(next[f], end);
        }
    }
}

// The running sums of one differenced series w for its lag-1
// autocorrelation.
struct Lag1Sums {
    double sum = 0.0, sum_sq = 0.0, sum_lag = 0.0, first = 0.0, previous = 0.0;
    uint64_t count = 0;

    void Add(double w) {
        if (count == 0) {
            first = w;
        } else {
            sum_lag += previous * w;
        }
        previous = w;
        sum += w;
        sum_sq += w * w;
        ++count;
    }
    // delta = r1 / (1 + r1); nullopt for a series without variation.
    std::optional<double> Delta() const {
        const double cd = static_cast<double>(count);
        const double mean = sum / cd;
        // Sums about the mean: sum (w_i - mean)^2 and sum (w_i - mean)(w_i+1 - mean).
        const double denominator = sum_sq - cd * mean * mean;
        if (!(denominator > 0.0)) return std::nullopt;
        const double numerator = sum_lag - mean * ((sum - previous) + (sum - first)) + (cd - 1.0) * mean * mean;
        const double r1 = numerator / denominator;
        return r1 / (1.0 + r1);
    }
};

int ClampAlpha(Deviation deviation, int alpha) {
    const int lowest = IsHadamard(deviation) ? -4 : -2;
    return std::max(lowest, std::min(2, alpha));
}

// The lag-1 method at each factor with n >= 30 averages, all of them in
// the same passes over the series.
class Lag1 {
public:
    Lag1(Deviation deviation, const stability::PhaseSums& s) : deviation_(deviation), s_(s) {}

    void Add(std::size_t point, uint64_t m, uint64_t n) {
        Factor f;
        f.point = point;
        f.m = m;
        f.n = static_cast<double>(n);
        f.k_mean = (f.n - 1.0) / 2.0;
        factors_.push_back(f);
    }

    // Sets the noise of each factor added at its point of out.
    void Run(std::vector<NoiseEstimate>& out);

private:
    struct Factor {
        std::size_t point = 0;
        uint64_t m = 0;
        double n = 0.0, k_mean = 0.0;
        double z_mean = 0.0, slope = 0.0;  // the least-squares line through (k, z_k)
    };
    void Finish(const Factor& f, std::optional<double> delta, int d, std::vector<NoiseEstimate>& out) const {
        if (!delta) {
            out[f.point] = {};  // a series without variation
            return;
        }
        const int alpha = ClampAlpha(deviation_, -static_cast<int>(std::lround(2.0 * *delta)) - 2 * d);
        out[f.point] = {alpha, NoiseMethod::Lag1};
    }
    std::vector<uint64_t> Ms(const std::vector<Factor>& factors) const {
        std::vector<uint64_t> ms;
        for (const Factor& f : factors) ms.push_back(f.m);
        return ms;
    }

    Deviation deviation_;
    const stability::PhaseSums& s_;
    std::vector<Factor> factors_;
};

void Lag1::Run(std::vector<NoiseEstimate>& out) {
    if (factors_.empty()) return;
    const std::vector<uint64_t> ms = Ms(factors_);

    // The line: slope over the centred k.
    struct LineSums {
        double sum_z = 0.0, sum_kz = 0.0, k = 0.0;
    };
    std::vector<LineSums> line(factors_.size());
    ForEachStretch(s_, ms, [&](std::size_t i, uint64_t begin, uint64_t end) {
        LineSums l = line[i];
        const double k_mean = factors_[i].k_mean;
        ForEachBlockSum(s_, ms[i], begin, end, [&](double z) {
            l.sum_z += z;
            l.sum_kz += (l.k - k_mean) * z;
            l.k += 1.0;
        });
        line[i] = l;
    });
    for (std::size_t i = 0; i < factors_.size(); ++i) {
        Factor& f = factors_[i];
        f.z_mean = line[i].sum_z / f.n;
        f.slope = line[i].sum_kz / (f.n * (f.n * f.n - 1.0) / 12.0);
    }

    // d = 0: the detrended averages themselves.
    struct Detrended {
        Lag1Sums w;
        double k = 0.0;
    };
    std::vector<Detrended> zero(factors_.size());
    ForEachStretch(s_, ms, [&](std::size_t i, uint64_t begin, uint64_t end) {
        Detrended t = zero[i];
        const Factor& f = factors_[i];
        ForEachBlockSum(s_, ms[i], begin, end, [&](double z) {
            t.w.Add(z - f.z_mean - f.slope * (t.k - f.k_mean));
            t.k += 1.0;
        });
        zero[i] = t;
    });
    std::vector<Factor> redder;
    for (std::size_t i = 0; i < factors_.size(); ++i) {
        const std::optional<double> delta = zero[i].w.Delta();
        if (!delta || *delta < 0.25) {
            Finish(factors_[i], delta, 0, out);
        } else {
            redder.push_back(factors_[i]);
        }
    }
    if (redder.empty()) return;

    // d = 1 .. d_max in one pass, each the d-th difference of the last d + 1
    // detrended averages (the oldest first), sum of (-1)^(d-i) C(d, i) v[i].
    const int d_max = IsHadamard(deviation_) ? 3 : 2;
    struct Differences {
        std::array<Lag1Sums, 4> w{};
        double v0 = 0.0, v1 = 0.0, v2 = 0.0, v3 = 0.0;  // v3 the newest
        uint64_t seen = 0;
        double k = 0.0;
    };
    std::vector<Differences> more(redder.size());
    ForEachStretch(s_, Ms(redder), [&](std::size_t i, uint64_t begin, uint64_t end) {
        Differences t = more[i];
        const Factor& f = redder[i];
        ForEachBlockSum(s_, f.m, begin, end, [&](double z) {
            t.v0 = t.v1;
            t.v1 = t.v2;
            t.v2 = t.v3;
            t.v3 = z - f.z_mean - f.slope * (t.k - f.k_mean);
            t.k += 1.0;
            ++t.seen;
            if (t.seen > 1) t.w[1].Add(-t.v2 + t.v3);
            if (t.seen > 2) t.w[2].Add((t.v1 + -2.0 * t.v2) + t.v3);
            if (d_max == 3 && t.seen > 3) t.w[3].Add(((-t.v0 + 3.0 * t.v1) + -3.0 * t.v2) + t.v3);
        });
        more[i] = t;
    });
    for (std::size_t i = 0; i < redder.size(); ++i) {
        for (int d = 1;; ++d) {
            const std::optional<double> delta = more[i].w[static_cast<std::size_t>(d)].Delta();
            if (!delta || *delta < 0.25 || d >= d_max) {
                Finish(redder[i], delta, d, out);
                break;
            }
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
    ForEachBlockSum(s, m, [&](double v) { z.push_back(v); });
    const std::size_t n = z.size();
    // With three or four averages the expected ratios of neighbouring noise
    // types lie closer together than B1 scatters: white FM is then taken for
    // white PM as often as not, and the interval drawn from that is far too
    // narrow. Such a point has no noise type of its own.
    if (n < kB1MinimumAverages) return std::nullopt;
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

std::vector<NoiseEstimate> NoiseAtEach(Deviation deviation, const PhaseSums& s, const std::vector<uint64_t>& factors) {
    std::vector<NoiseEstimate> out(factors.size());
    // The complete averages of each factor; without a missing value, all.
    std::vector<uint64_t> usable, averages;
    std::vector<std::size_t> points;
    for (std::size_t p = 0; p < factors.size(); ++p) {
        if (factors[p] == 0 || factors[p] > s.n) continue;
        usable.push_back(factors[p]);
        points.push_back(p);
        averages.push_back(s.n / factors[p]);
    }
    if (!s.missing.empty()) {
        std::fill(averages.begin(), averages.end(), 0);
        ForEachStretch(s, usable, [&](std::size_t i, uint64_t begin, uint64_t end) {
            const uint64_t m = usable[i];
            uint64_t complete = 0;
            ForEachCompleteBlock(s, m, begin, end, [&](uint64_t) { ++complete; });
            averages[i] += complete;
        });
    }
    Lag1 lag1(deviation, s);
    for (std::size_t i = 0; i < usable.size(); ++i) {
        if (averages[i] >= kLag1MinimumAverages) {
            lag1.Add(points[i], usable[i], averages[i]);
        } else if (const auto alpha = B1Alpha(deviation, s, usable[i])) {
            out[points[i]] = {*alpha, NoiseMethod::B1};
        }
    }
    lag1.Run(out);
    return out;
}

NoiseEstimate NoiseAt(Deviation deviation, const PhaseSums& s, uint64_t m) {
    return NoiseAtEach(deviation, s, {m})[0];
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
