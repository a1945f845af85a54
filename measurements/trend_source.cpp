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

void TrendSource::SetCapacity(std::size_t values) {
    capacity_ = values == 0 ? 0 : std::max(values, 2 * kBlock);
    while (capacity_ != 0 && Size() > capacity_) DropOldest();
}

bool TrendSource::Append(double t, double v) {
    if (!std::isfinite(v)) return false;
    if (!std::isfinite(t) || (!Empty() && t < last_t_)) t = Empty() ? 0.0 : last_t_;
    if (capacity_ != 0 && Size() == capacity_) DropOldest();
    const uint64_t g = dropped_ + values_.size();  // the value's number since the series began
    if ((g & ((uint64_t{1} << kSegmentBits) - 1)) == 0) segment_base_.push_back(t);
    offsets_.push_back(Below(t - segment_base_.back()));
    values_.push_back(v);
    last_t_ = t;
    if (g == 0) v0_ = v;

    // Welford's running mean and his co-moment update for the least-squares
    // fit (B. P. Welford, Technometrics 4 (1962) 419): with n values,
    //   C_n = C_{n-1} + (t_n - mean_t,n-1)(y_n - mean_y,n),
    //   M2_n = M2_{n-1} + (t_n - mean_t,n-1)(t_n - mean_t,n),
    // y being the offset from the first value, which keeps the digits near 10 MHz.
    // The time as held, so that dropping it takes out exactly what went in.
    const double n = static_cast<double>(values_.size());
    const double held = segment_base_.back() + offsets_.back();
    const double dv = v - v0_;
    const double dt = held - mean_t_;
    mean_t_ += dt / n;
    mean_dv_ += (dv - mean_dv_) / n;
    m2_t_ += dt * (held - mean_t_);
    c_tv_ += dt * (dv - mean_dv_);

    // The pyramid: a full block goes into level 0, two of a level into the next.
    partial_ = (g % kBlock == 0) ? Extent{v, v} : Extent{std::min(partial_.min, v), std::max(partial_.max, v)};
    if ((g + 1) % kBlock == 0) Push(0, partial_);
    return true;
}

void TrendSource::DropOldest() {
    // The same updates backwards (the sums do not depend on the order):
    // with n values before, mean_n-1 = (n mean_n - x) / (n - 1) and
    // C_n-1 = C_n - (t - mean_t,n-1)(y - mean_y,n).
    const double n = static_cast<double>(values_.size());
    const double t = TimeAt(0);
    const double dv = values_.front() - v0_;
    if (n <= 1.0) {
        mean_t_ = mean_dv_ = m2_t_ = c_tv_ = 0.0;
    } else {
        const double mean_t = (n * mean_t_ - t) / (n - 1.0);
        const double mean_dv = (n * mean_dv_ - dv) / (n - 1.0);
        m2_t_ = std::max(0.0, m2_t_ - (t - mean_t) * (t - mean_t_));
        c_tv_ -= (t - mean_t) * (dv - mean_dv_);
        mean_t_ = mean_t;
        mean_dv_ = mean_dv;
    }
    values_.pop_front();
    offsets_.pop_front();
    ++dropped_;
    if ((dropped_ & ((uint64_t{1} << kSegmentBits) - 1)) == 0) {
        segment_base_.pop_front();
        ++first_segment_;
    }
    // Blocks that end before the oldest held value are never read again.
    if (dropped_ % kBlock != 0) return;
    uint64_t span = kBlock;
    for (Level& level : levels_) {
        while (!level.blocks.empty() && (level.first + 1) * span <= dropped_) {
            level.blocks.pop_front();
            ++level.first;
        }
        span *= 2;
    }
}

void TrendSource::Push(std::size_t level, Extent e) {
    if (levels_.size() <= level) levels_.emplace_back();
    Level& l = levels_[level];
    if (l.blocks.empty()) l.first = (dropped_ + values_.size()) / (kBlock << level) - 1;
    l.blocks.push_back(e);
    const uint64_t number = l.first + l.blocks.size() - 1;
    if (number % 2 == 1) {
        // Its partner may be gone with the oldest values: then so is every
        // value the pair covers that a query could ask for, and e stands in.
        const Extent a = l.blocks.size() >= 2 ? l.blocks[l.blocks.size() - 2] : e;
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
    while (lo < hi && (lo + dropped_) % kBlock != 0) take(values_[lo], values_[lo]), ++lo;
    while (hi > lo && (hi + dropped_) % kBlock != 0) --hi, take(values_[hi], values_[hi]);
    // The blocks, numbered from the series' first value ever.
    uint64_t a = (lo + dropped_) / kBlock, b = (hi + dropped_) / kBlock;
    for (std::size_t k = 0; a < b; ++k, a /= 2, b /= 2) {
        const Level& level = levels_[k];
        if (a % 2 == 1) {
            const Extent& e = level.blocks[static_cast<std::size_t>(a - level.first)];
            take(e.min, e.max), ++a;
        }
        if (b % 2 == 1) {
            --b;
            const Extent& e = level.blocks[static_cast<std::size_t>(b - level.first)];
            take(e.min, e.max);
        }
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
    // A deque holds whole blocks of 512 bytes and a pointer to each.
    const auto blocks = [](std::size_t bytes) { return (bytes / 512 + 1) * (512 + sizeof(void*)); };
    std::size_t bytes = blocks(values_.size() * sizeof(double)) + blocks(offsets_.size() * sizeof(float)) +
                        blocks(segment_base_.size() * sizeof(double));
    for (const Level& level : levels_) bytes += blocks(level.blocks.size() * sizeof(Extent));
    return bytes;
}

}  // namespace kt
