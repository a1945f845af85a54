#include "measurements/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kt {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

void RunningStats::Add(SplitValue value) {
    if (count_ == 0) shift_ = value;
    ++count_;
    // Welford on d = value - shift: near 10 MHz the whole parts cancel
    // exactly and the fractions keep their digits, so d is the small
    // difference the counter saw, and no square meets the large raw values.
    const double d = OffsetFrom(value, shift_);
    const double delta = d - mean_d_;
    mean_d_ += delta / static_cast<double>(count_);
    m2_ += delta * (d - mean_d_);
    if (count_ == 1 || d < min_d_) min_d_ = d;
    if (count_ == 1 || d > max_d_) max_d_ = d;
}

void RunningStats::Reset() { *this = RunningStats{}; }

Stats RunningStats::Get() const {
    Stats s;
    s.count = count_;
    if (count_ == 0) {
        s.mean = s.std_dev = s.min = s.max = s.span = s.ppm = kNaN;
        return s;
    }
    auto plus_shift = [&](double d) { return shift_.whole + (shift_.fraction + d); };
    s.mean = plus_shift(mean_d_);
    s.min = plus_shift(min_d_);
    s.max = plus_shift(max_d_);
    s.span = max_d_ - min_d_;
    if (count_ < 2) {
        s.std_dev = s.ppm = kNaN;
        return s;
    }
    s.std_dev = std::sqrt(std::max(m2_, 0.0) / static_cast<double>(count_ - 1));
    s.ppm = s.mean == 0.0 ? kNaN : s.std_dev / std::fabs(s.mean) * 1e6;
    return s;
}

Stats ComputeStats(std::span<const double> values) {
    RunningStats running;
    for (double v : values) running.Add(v);
    return running.Get();
}

double MedianSpacing(std::span<const double> times) {
    if (times.size() < 2) return kNaN;
    std::vector<double> spacing(times.size() - 1);
    for (std::size_t i = 1; i < times.size(); ++i) spacing[i - 1] = times[i] - times[i - 1];
    return MedianInPlace(spacing);
}

double MedianInPlace(std::span<double> values) {
    const std::size_t n = values.size();
    if (n == 0) return kNaN;
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(values.begin(), mid, values.end());
    if (n % 2 == 1) return *mid;
    const double upper = *mid;
    const double lower = *std::max_element(values.begin(), mid);
    return (lower + upper) / 2.0;
}

std::vector<AdevPoint> OverlappingAdevOfFractions(std::span<const double> y, double tau0) {
    std::vector<AdevPoint> points;
    const std::size_t count = y.size();
    if (count < 2) return points;
    // Prefix sums of y (the phase in units of tau0): phase[k] = y[0] + ... + y[k-1].
    // The sum over i = j..j+m-1 of (y[i+m] - y[i]) is
    // phase[j+2m] - 2 phase[j+m] + phase[j].
    std::vector<double> phase(count + 1);
    phase[0] = 0.0;
    for (std::size_t k = 0; k < count; ++k) phase[k + 1] = phase[k] + y[k];
    for (std::size_t m = 1; 2 * m <= count; m *= 2) {
        const std::size_t terms = count - 2 * m + 1;
        double sum = 0.0;
        for (std::size_t j = 0; j < terms; ++j) {
            const double d = phase[j + 2 * m] - 2.0 * phase[j + m] + phase[j];
            sum += d * d;
        }
        const double md = static_cast<double>(m);
        const double avar = sum / (2.0 * md * md * static_cast<double>(terms));
        points.push_back({m, md * tau0, terms, std::sqrt(avar)});
    }
    return points;
}

std::vector<AdevPoint> OverlappingAdevOfOffsets(std::span<const double> offsets, double base, double tau0) {
    if (offsets.size() < 2) return {};
    const double mean_offset = ComputeStats(offsets).mean;
    const double mean = base + mean_offset;
    if (!(std::isfinite(mean) && mean != 0.0)) return {};  // no fractional values of a zero mean
    std::vector<double> y(offsets.size());
    // (v - mean) / mean rather than v / mean - 1: the same number without the
    // cancellation against 1, and the large base never enters the difference.
    for (std::size_t i = 0; i < offsets.size(); ++i) y[i] = (offsets[i] - mean_offset) / mean;
    return OverlappingAdevOfFractions(y, tau0);
}

std::vector<AdevPoint> OverlappingAdev(std::span<const double> values, double tau0) {
    return OverlappingAdevOfOffsets(values, 0.0, tau0);
}

}  // namespace kt
