#include "view/trend_columns.h"

#include <algorithm>
#include <cmath>

namespace kt::view {

namespace {
constexpr double kFirstSpan = 1.0;  // seconds
}

TrendColumns::TrendColumns(std::size_t buckets) : buckets_(std::max<std::size_t>(buckets, 2)) { Reset(); }

void TrendColumns::Reset() {
    std::fill(buckets_.begin(), buckets_.end(), Bucket{0.0, 0.0, false});
    span_ = kFirstSpan;
    lastT_ = 0.0;
    min_ = max_ = 0.0;
    count_ = 0;
}

void TrendColumns::Widen() {
    const std::size_t n = buckets_.size();
    for (std::size_t i = 0; i < n / 2; ++i) {
        const Bucket& a = buckets_[2 * i];
        const Bucket& b = buckets_[2 * i + 1];
        Bucket merged = a.used ? a : b;
        if (a.used && b.used) merged = {std::min(a.min, b.min), std::max(a.max, b.max), true};
        buckets_[i] = merged;
    }
    std::fill(buckets_.begin() + static_cast<std::ptrdiff_t>(n / 2), buckets_.end(), Bucket{0.0, 0.0, false});
    span_ *= 2.0;
}

void TrendColumns::Add(double t, double v) {
    if (!std::isfinite(v)) return;
    if (!(t > 0.0)) t = 0.0;  // also NaN
    while (t >= span_ && std::isfinite(span_)) Widen();
    const std::size_t n = buckets_.size();
    const auto index = std::min(n - 1, static_cast<std::size_t>(t / span_ * static_cast<double>(n)));
    Bucket& b = buckets_[index];
    if (!b.used) {
        b = {v, v, true};
    } else {
        b.min = std::min(b.min, v);
        b.max = std::max(b.max, v);
    }
    min_ = count_ == 0 ? v : std::min(min_, v);
    max_ = count_ == 0 ? v : std::max(max_, v);
    lastT_ = std::max(lastT_, t);
    ++count_;
}

void TrendColumns::Columns(int columns, std::vector<Point>& out) const {
    out.clear();
    if (count_ == 0 || columns <= 0) return;
    const std::size_t n = buckets_.size();
    const double bucketWidth = span_ / static_cast<double>(n);
    const double columnWidth = lastT_ > 0.0 ? lastT_ / columns : 1.0;
    long column = -1;
    Bucket acc{0.0, 0.0, false};
    const auto close = [&] {
        if (!acc.used) return;
        const double t = std::min(lastT_, (static_cast<double>(column) + 0.5) * columnWidth);
        out.push_back({t, acc.min});
        if (acc.max != acc.min) out.push_back({t, acc.max});
    };
    for (std::size_t i = 0; i < n; ++i) {
        const Bucket& b = buckets_[i];
        if (!b.used) continue;
        const long c = std::min<long>(columns - 1, static_cast<long>(static_cast<double>(i) * bucketWidth / columnWidth));
        if (c != column) {
            close();
            column = c;
            acc = b;
        } else {
            acc.min = std::min(acc.min, b.min);
            acc.max = std::max(acc.max, b.max);
        }
    }
    close();
}

}  // namespace kt::view
