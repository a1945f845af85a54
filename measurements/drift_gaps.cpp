// Linear frequency drift and gaps in the data (see stability.h).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "measurements/stability.h"

namespace kt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The straight line through (t(i), y[i]) for the i where y[i] is a number,
// by ordinary least squares (Draper and Smith, "Applied Regression Analysis",
// 3rd ed., 1998, sections 1.2 and 1.4):
//   slope b = Sty / Stt, intercept a = mean(y) - b mean(t),
//   Stt = sum (t - mean t)^2, Sty = sum (t - mean t)(y - mean y),
//   s^2 = sum (y - a - b t)^2 / (n - 2), se(b) = s / sqrt(Stt).
// Sums are taken about the means (two passes, then a third for the
// residuals) so that no square of a large time meets a small one.
template <typename TimeAt>
DriftFit FitLine(std::span<const double> y, TimeAt time_at) {
    DriftFit fit;
    uint64_t n = 0;
    double mean_t = 0.0;
    double mean_y = 0.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (std::isnan(y[i])) continue;
        ++n;
        const double inv = 1.0 / static_cast<double>(n);
        mean_t += (time_at(i) - mean_t) * inv;
        mean_y += (y[i] - mean_y) * inv;
    }
    fit.count = n;
    if (n < 3) return fit;
    double stt = 0.0;
    double sty = 0.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (std::isnan(y[i])) continue;
        const double dt = time_at(i) - mean_t;
        stt += dt * dt;
        sty += dt * (y[i] - mean_y);
    }
    if (!(stt > 0.0) || !std::isfinite(stt) || !std::isfinite(sty)) return fit;
    const double slope = sty / stt;
    double sse = 0.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (std::isnan(y[i])) continue;
        const double r = (y[i] - mean_y) - slope * (time_at(i) - mean_t);
        sse += r * r;
    }
    fit.slope = slope;
    fit.intercept = mean_y - slope * mean_t;
    fit.slope_se = std::sqrt(sse / static_cast<double>(n - 2) / stt);
    fit.valid = std::isfinite(fit.slope) && std::isfinite(fit.slope_se);
    return fit;
}

}  // namespace

DriftFit FitLinearDrift(std::span<const double> t, std::span<const double> y) {
    if (t.size() != y.size()) return {};
    for (double ti : t)
        if (!std::isfinite(ti)) return {};
    return FitLine(y, [&](std::size_t i) { return t[i]; });
}

namespace {

// Four sums, value i added to sum i % 4, named one by one so that they stay
// in registers (in an array indexed by i % 4 they were kept in memory, each
// addition waiting for the last one's store).
struct FourSums {
    double a0 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0;
    template <int L>
    double& At() {
        if constexpr (L == 0) return a0;
        if constexpr (L == 1) return a1;
        if constexpr (L == 2) return a2;
        return a3;
    }
    double Sum() const { return (a0 + a1) + (a2 + a3); }
};

// add<i % 4>(i) for i in [0, size), in order.
template <class Add>
void EachInFour(std::size_t size, Add& add) {
    const std::size_t whole = size - size % 4;
    for (std::size_t i = 0; i < whole; i += 4) {
        add.template operator()<0>(i);
        add.template operator()<1>(i + 1);
        add.template operator()<2>(i + 2);
        add.template operator()<3>(i + 3);
    }
    if (whole + 0 < size) add.template operator()<0>(whole);
    if (whole + 1 < size) add.template operator()<1>(whole + 1);
    if (whole + 2 < size) add.template operator()<2>(whole + 2);
}

}  // namespace

DriftFit FitLinearDriftSpaced(std::span<const double> y, double tau0) {
    if (!(tau0 > 0.0) || !std::isfinite(tau0)) return {};
    // The same line as FitLine's, for ten million values in a fraction of its
    // time: the mean of the indices summed exactly as integers, the sums in
    // four accumulators each (no chain of one running update per value), the
    // time in units of tau0 until the end.
    DriftFit fit;
    const std::size_t size = y.size();
    const double* v = y.data();
    // Value i goes to accumulator i % 4 (FourSums).
    const auto each = [size](auto&& add) { EachInFour(size, add); };
    uint64_t n = 0;
    uint64_t sum_i = 0;  // below 2^64 for any series that fits in memory
    FourSums sy;
    each([&]<int L>(std::size_t i) {
        if (std::isnan(v[i])) return;
        ++n;
        sum_i += i;
        sy.At<L>() += v[i];
    });
    fit.count = n;
    if (n < 3) return fit;
    const double nd = static_cast<double>(n);
    const double mean_k = static_cast<double>(sum_i) / nd;  // in units of tau0
    const double mean_y = sy.Sum() / nd;
    FourSums skk, sky;
    each([&]<int L>(std::size_t i) {
        if (std::isnan(v[i])) return;
        const double dk = static_cast<double>(i) - mean_k;
        skk.At<L>() += dk * dk;
        sky.At<L>() += dk * (v[i] - mean_y);
    });
    const double kk = skk.Sum();
    const double ky = sky.Sum();
    if (!(kk > 0.0) || !std::isfinite(kk) || !std::isfinite(ky)) return fit;
    const double slope_k = ky / kk;  // per tau0
    FourSums se;
    each([&]<int L>(std::size_t i) {
        if (std::isnan(v[i])) return;
        const double r = (v[i] - mean_y) - slope_k * (static_cast<double>(i) - mean_k);
        se.At<L>() += r * r;
    });
    const double sse = se.Sum();
    // t = k tau0: Stt = tau0^2 Skk, slope = slope_k / tau0.
    fit.slope = slope_k / tau0;
    fit.intercept = mean_y - slope_k * mean_k;
    fit.slope_se = std::sqrt(sse / static_cast<double>(n - 2) / kk) / tau0;
    fit.valid = std::isfinite(fit.slope) && std::isfinite(fit.slope_se);
    return fit;
}

void RemoveDriftSpaced(std::span<double> y, double tau0, const DriftFit& fit) {
    if (!fit.valid) return;
    for (std::size_t i = 0; i < y.size(); ++i) y[i] -= fit.slope * (static_cast<double>(i) * tau0);
}

double MissingReadings(double spacing, double tau0) {
    if (!(spacing >= 1.5 * tau0)) return 0.0;  // also NaN and a time that went back
    return std::round(spacing / tau0) - 1.0;
}

bool FillGaps(std::span<const double> times, std::span<const double> values, double tau0, std::vector<double>& out,
              GapSummary& summary, uint64_t max_length) {
    if (times.size() != values.size() || !(tau0 > 0.0) || !std::isfinite(tau0)) return false;
    GapSummary s;
    double length = static_cast<double>(values.size());
    for (std::size_t i = 1; i < times.size(); ++i) {
        const double missing = MissingReadings(times[i] - times[i - 1], tau0);
        if (missing <= 0.0) continue;
        length += missing;
        if (!(length <= static_cast<double>(max_length))) return false;
        ++s.gaps;
        const auto count = static_cast<uint64_t>(missing);
        s.missing += count;
        if (count > s.longest) s.longest = count;
    }
    if (!(length <= static_cast<double>(max_length))) return false;
    out.clear();
    out.reserve(static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            const double missing = MissingReadings(times[i] - times[i - 1], tau0);
            out.insert(out.end(), static_cast<std::size_t>(missing), kNaN);
        }
        out.push_back(values[i]);
    }
    summary = s;
    return true;
}

}  // namespace kt
