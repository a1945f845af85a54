#include "measurements/trend_source.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kt {

namespace {

// The float nearest to d from below: a time is never stored later than it is.
float Below(double d) {
    float f = static_cast<float>(d);
    if (static_cast<double>(f) > d) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}

}  // namespace

void TrendSource::Reserve(std::size_t values) {
    values_.reserve(values);
    offsets_.reserve(values);
}

bool TrendSource::Append(double t, double v) {
    if (!std::isfinite(v)) return false;
    if (!std::isfinite(t) || (!Empty() && t < last_t_)) t = Empty() ? 0.0 : last_t_;
    const std::size_t i = values_.size();
    if ((i & ((std::size_t{1} << kSegmentBits) - 1)) == 0) segment_base_.push_back(t);
    offsets_.push_back(Below(t - segment_base_.back()));
    values_.push_back(v);
    last_t_ = t;

    if (i == 0) {
        min_ = max_ = v0_ = v;
    } else {
        min_ = std::min(min_, v);
        max_ = std::max(max_, v);
    }
    // Welford's running mean and his co-moment update for the least-squares
    // fit (B. P. Welford, Technometrics 4 (1962) 419): with n values,
    //   C_n = C_{n-1} + (t_n - mean_t,n-1)(y_n - mean_y,n),
    //   M2_n = M2_{n-1} + (t_n - mean_t,n-1)(t_n - mean_t,n),
    // y being the offset from the first value, which keeps the digits near 10 MHz.
    const double n = static_cast<double>(i + 1);
    const double dv = v - v0_;
    const double dt = t - mean_t_;
    mean_t_ += dt / n;
    mean_dv_ += (dv - mean_dv_) / n;
    m2_t_ += dt * (t - mean_t_);
    c_tv_ += dt * (dv - mean_dv_);

    // The pyramid: a full block goes into level 0, two of a level into the next.
    partial_ = (i % kBlock == 0) ? Extent{v, v} : Extent{std::min(partial_.min, v), std::max(partial_.max, v)};
    if ((i + 1) % kBlock == 0) Push(0, partial_);
    return true;
}

void TrendSource::Push(std::size_t level, Extent e) {
    if (levels_.size() <= level) levels_.emplace_back();
    std::vector<Extent>& l = levels_[level];
    l.push_back(e);
    if (l.size() % 2 == 0) {
        const Extent& a = l[l.size() - 2];
        Push(level + 1, Extent{std::min(a.min, e.min), std::max(a.max, e.max)});
    }
}

double TrendSource::Mean() const { return Empty() ? std::numeric_limits<double>::quiet_NaN() : v0_ + mean_dv_; }

TrendLine TrendSource::Drift() const {
    // The least-squares slope Sxy / Sxx and the line through the means
    // (NIST/SEMATECH e-Handbook of Statistical Methods, 4.1.4.1).
    TrendLine line;
    if (Size() < 2 || !(m2_t_ > 0.0)) return line;
    line.slope = c_tv_ / m2_t_;
    line.intercept = v0_ + (mean_dv_ - line.slope * mean_t_);
    line.valid = true;
    return line;
}

std::size_t TrendSource::IndexAt(double t) const {
    std::size_t lo = 0, hi = Size();
    if (!(t > FirstTime())) return t <= FirstTime() ? 0 : Size();  // NaN: none
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (TimeAt(mid) < t) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

TrendColumn TrendSource::Extremes(std::size_t first, std::size_t last) const {
    last = std::min(last, Size());
    if (first >= last) return {};
    TrendColumn c{values_[first], values_[first], true};
    const auto take = [&c](double lo, double hi) {
        c.min = std::min(c.min, lo);
        c.max = std::max(c.max, hi);
    };
    // The raw values up to whole blocks at both ends (the unfinished last
    // block among them), then at each level the odd block at either end.
    std::size_t lo = first, hi = last;
    while (lo < hi && lo % kBlock != 0) take(values_[lo], values_[lo]), ++lo;
    while (hi > lo && hi % kBlock != 0) --hi, take(values_[hi], values_[hi]);
    std::size_t a = lo / kBlock, b = hi / kBlock;
    for (std::size_t k = 0; a < b; ++k, a /= 2, b /= 2) {
        const std::vector<Extent>& level = levels_[k];
        if (a % 2 == 1) take(level[a].min, level[a].max), ++a;
        if (b % 2 == 1) --b, take(level[b].min, level[b].max);
    }
    return c;
}

void TrendSource::Columns(double t0, double t1, int columns, std::vector<TrendColumn>& out) const {
    out.assign(static_cast<std::size_t>(std::max(columns, 0)), TrendColumn{});
    if (Empty() || columns <= 0 || !(t1 > t0) || !std::isfinite(t1 - t0)) return;
    const double width = (t1 - t0) / columns;
    std::size_t from = IndexAt(t0);
    for (int c = 0; c < columns && from < Size(); ++c) {
        const std::size_t to = c + 1 == columns ? IndexAt(t1) : IndexAt(t0 + (c + 1) * width);
        out[static_cast<std::size_t>(c)] = Extremes(from, to);
        from = std::max(from, to);
    }
}

std::size_t TrendSource::MemoryBytes() const {
    std::size_t bytes = values_.capacity() * sizeof(double) + offsets_.capacity() * sizeof(float) +
                        segment_base_.capacity() * sizeof(double);
    for (const auto& level : levels_) bytes += level.capacity() * sizeof(Extent);
    return bytes;
}

}  // namespace kt
