#include "measurements/trend_source.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "measurements/store.h"

namespace kt {

namespace {

// The float nearest to d from below: a time is never stored later than it is.
float Below(double d) {
    float f = static_cast<float>(d);
    if (static_cast<double>(f) > d) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}

}  // namespace

// Welford's running mean and his co-moment update for the least-squares
// fit (B. P. Welford, Technometrics 4 (1962) 419): with n values,
//   C_n = C_{n-1} + (t_n - mean_t,n-1)(y_n - mean_y,n),
//   M2_n = M2_{n-1} + (t_n - mean_t,n-1)(t_n - mean_t,n),
// y being the offset from the first value, which keeps the digits near 10 MHz.
void TrendSource::Moments::Add(double t, double dv) {
    n += 1.0;
    const double dt = t - mean_t;
    mean_t += dt / n;
    mean_dv += (dv - mean_dv) / n;
    m2_t += dt * (t - mean_t);
    c_tv += dt * (dv - mean_dv);
}

// Two sets of values as one (T. F. Chan, G. H. Golub, R. J. LeVeque, "Updating
// formulae and a pairwise algorithm for computing sample variances", 1979):
// the co-moments add, plus the product of the means' distances weighted by
// n_a n_b / n.
void TrendSource::Moments::Merge(const Moments& o) {
    if (o.n == 0.0) return;
    if (n == 0.0) {
        *this = o;
        return;
    }
    const double total = n + o.n;
    const double dt = o.mean_t - mean_t;
    const double dv = o.mean_dv - mean_dv;
    const double weight = n * o.n / total;
    mean_t += dt * (o.n / total);
    mean_dv += dv * (o.n / total);
    m2_t += o.m2_t + dt * dt * weight;
    c_tv += o.c_tv + dt * dv * weight;
    n = total;
}

void TrendSource::SetCapacity(std::size_t values) {
    if (record_ != nullptr) return;  // the record bounds it
    capacity_ = values == 0 ? 0 : std::max(values, 2 * kBlock);
    while (capacity_ != 0 && Size() > capacity_) DropOldest();
}

bool TrendSource::Append(double t, double v) {
    if (record_ != nullptr || !std::isfinite(v)) return false;
    if (!std::isfinite(t) || (!Empty() && t < last_t_)) t = Empty() ? 0.0 : last_t_;
    if (capacity_ != 0 && Size() == capacity_) DropOldest();
    if ((count_ & (kSegment - 1)) == 0) segment_base_.push_back(t);
    offsets_.push_back(Below(t - segment_base_.back()));
    values_.push_back(v);
    last_t_ = t;
    // The time as held, so that the sums are those of what is read back.
    Take(segment_base_.back() + offsets_.back(), v);
    return true;
}

bool TrendSource::Append(const ReadingView& r) {
    if (record_ == nullptr || !r.has_value || !std::isfinite(r.value)) return false;
    if (count_ == 0) origin_steady_ = r.steady;
    if (runs_.empty() || r.seq != last_seq_ + 1) runs_.push_back({count_, r.seq});
    last_seq_ = r.seq;
    // As RecordTime reads it back.
    Take(std::chrono::duration<double>(r.steady - origin_steady_).count(), r.value);
    return true;
}

void TrendSource::Take(double t, double v) {
    const uint64_t g = count_;
    if (g == 0) v0_ = v;
    open_.Add(t, v - v0_);
    // The pyramid: a full block goes into level 0, two of a level into the next.
    partial_ = (g % kBlock == 0) ? Extent{v, v} : Extent{std::min(partial_.min, v), std::max(partial_.max, v)};
    ++count_;
    if (count_ % kBlock == 0) Push(0, partial_);
    if (count_ % kSegment == 0) {
        if (closed_.empty()) first_closed_ = count_ / kSegment - 1;
        closed_.push_back(open_);
        open_ = {};
    }
}

void TrendSource::Push(std::size_t level, Extent e) {
    if (levels_.size() <= level) levels_.emplace_back();
    Level& l = levels_[level];
    if (l.blocks.empty()) l.first = count_ / (kBlock << level) - 1;
    l.blocks.push_back(e);
    const uint64_t number = l.first + l.blocks.size() - 1;
    if (number % 2 == 1) {
        // Its partner may be gone with the oldest values: then so is every
        // value the pair covers that a query could ask for, and e stands in.
        const Extent a = l.blocks.size() >= 2 ? l.blocks[l.blocks.size() - 2] : e;
        Push(level + 1, Extent{std::min(a.min, e.min), std::max(a.max, e.max)});
    }
}

void TrendSource::DropOldest() {
    values_.pop_front();
    offsets_.pop_front();
    ++dropped_;
    if ((dropped_ & (kSegment - 1)) == 0) {
        segment_base_.pop_front();
        ++first_segment_;
    }
    if (dropped_ % kBlock == 0) DropBefore(dropped_);
}

void TrendSource::DropBefore(uint64_t first) {
    // Blocks and segments that end before the oldest held value are never read again.
    uint64_t span = kBlock;
    for (Level& level : levels_) {
        while (!level.blocks.empty() && (level.first + 1) * span <= first) {
            level.blocks.pop_front();
            ++level.first;
        }
        span *= 2;
    }
    while (!closed_.empty() && (first_closed_ + 1) * kSegment <= first) {
        closed_.pop_front();
        ++first_closed_;
    }
}

void TrendSource::Trim() {
    if (record_ == nullptr) return;
    const uint64_t first = First();
    DropBefore(first);
    while (runs_.size() > 1 && runs_[1].g <= first) runs_.pop_front();
    run_hint_ = 0;
}

uint64_t TrendSource::FirstInRecord() const {
    // Values taken later have later seqs: the first held is the first whose
    // reading the record still holds. Found again only when the record
    // dropped some (a value taken since cannot change it).
    const uint64_t first_seq = record_->FirstSeq();
    if (first_seq == seen_first_seq_) return first_g_;
    seen_first_seq_ = first_seq;
    if (runs_.empty()) return first_g_ = count_;
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), first_seq,
                                        [](uint64_t seq, const Run& r) { return seq < r.seq; });
    if (after == runs_.begin()) return first_g_ = runs_.front().g;
    const Run& run = *(after - 1);
    const uint64_t end = after == runs_.end() ? count_ : after->g;
    return first_g_ = std::min(end, run.g + (first_seq - run.seq));
}

uint64_t TrendSource::SeqOf(uint64_t g) const {
    if (runs_.empty()) return 0;
    std::size_t k = run_hint_;
    if (k >= runs_.size() || runs_[k].g > g || (k + 1 < runs_.size() && runs_[k + 1].g <= g)) {
        const auto after =
            std::upper_bound(runs_.begin(), runs_.end(), g, [](uint64_t x, const Run& r) { return x < r.g; });
        k = after == runs_.begin() ? 0 : static_cast<std::size_t>(after - runs_.begin()) - 1;
        run_hint_ = k;
    }
    return runs_[k].seq + (g - runs_[k].g);
}

double TrendSource::RecordTime(uint64_t g) const {
    return std::chrono::duration<double>(record_->SteadyOfSeq(SeqOf(g)) - origin_steady_).count();
}

double TrendSource::RecordValue(uint64_t g) const { return record_->ValueOfSeq(SeqOf(g)); }

TrendSource::Moments TrendSource::HeldMoments() const {
    // The oldest held segment's held values, the closed segments after it
    // (merged once and extended as segments close) and the one being filled.
    const uint64_t f = First();
    Moments m;
    if (f >= count_) return m;
    const uint64_t s0 = f / kSegment;
    const uint64_t open = count_ / kSegment;
    if (f % kSegment == 0) {
        m = s0 < open ? closed_[static_cast<std::size_t>(s0 - first_closed_)] : open_;
    } else {
        const uint64_t end = std::min(count_, (s0 + 1) * kSegment);
        if (head_from_ != f || head_to_ > end) {
            head_ = {};
            head_from_ = head_to_ = f;
        }
        for (; head_to_ < end; ++head_to_) head_.Add(TimeOf(head_to_), ValueOf(head_to_) - v0_);
        m = head_;
    }
    if (s0 + 1 < open) {
        if (middle_from_ != s0 + 1 || middle_to_ > open) {
            middle_ = {};
            middle_from_ = middle_to_ = s0 + 1;
        }
        for (; middle_to_ < open; ++middle_to_) middle_.Merge(closed_[static_cast<std::size_t>(middle_to_ - first_closed_)]);
        m.Merge(middle_);
    }
    if (s0 < open) m.Merge(open_);
    return m;
}

double TrendSource::Mean() const {
    if (Empty()) return std::numeric_limits<double>::quiet_NaN();
    return v0_ + HeldMoments().mean_dv;
}

TrendLine TrendSource::Drift() const {
    // The least-squares slope Sxy / Sxx and the line through the means
    // (NIST/SEMATECH e-Handbook of Statistical Methods, 4.1.4.1).
    TrendLine line;
    if (Size() < 2) return line;
    const Moments m = HeldMoments();
    if (!(m.m2_t > 0.0)) return line;
    line.slope = m.c_tv / m.m2_t;
    line.intercept = v0_ + (m.mean_dv - line.slope * m.mean_t);
    line.valid = true;
    return line;
}

std::size_t TrendSource::IndexAt(double t) const {
    const uint64_t f = First();
    const std::size_t size = static_cast<std::size_t>(count_ - f);
    if (size == 0) return 0;
    const double first = TimeOf(f);
    if (!(t > first)) return t <= first ? 0 : size;  // NaN: none
    const double last = TimeOf(f + size - 1);
    if (t > last) return size;
    // Readings come at a steady pace: where t falls between the first and
    // the last time is where to start looking.
    const double at = (t - first) / (last - first) * static_cast<double>(size - 1);
    return Search(t, 1, size - 1, static_cast<std::size_t>(std::clamp(at, 0.0, static_cast<double>(size - 1))));
}

std::size_t TrendSource::Search(double t, std::size_t lo, std::size_t hi, std::size_t guess) const {
    // The index sought is in [lo, hi]: every time before lo is before t and
    // the time at hi (if held) is not. Steps doubling away from the guess
    // bracket it, a bisection ends it: 2 log2(d) + 1 times read when the
    // guess is d values off, never more than about twice a bisection.
    const uint64_t f = First();
    if (lo >= hi) return lo;
    const std::size_t g = std::clamp(guess, lo, hi - 1);
    if (TimeOf(f + g) < t) {
        lo = g + 1;
        for (std::size_t step = 1; lo < hi; step *= 2) {
            const std::size_t p = std::min(g + step, hi - 1);
            if (TimeOf(f + p) >= t) {
                hi = p;
                break;
            }
            lo = p + 1;
        }
    } else {
        hi = g;
        for (std::size_t step = 1; lo < hi; step *= 2) {
            const std::size_t p = g - std::min(step, g - lo);
            if (TimeOf(f + p) < t) {
                lo = p + 1;
                break;
            }
            hi = p;
        }
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (TimeOf(f + mid) < t) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

TrendColumn TrendSource::Extremes(std::size_t first, std::size_t last) const {
    const uint64_t f = First();
    last = std::min(last, static_cast<std::size_t>(count_ - f));
    if (first >= last) return {};
    // Numbered from the series' first value ever, as the blocks are.
    uint64_t lo = f + first, hi = f + last;
    const double v = ValueOf(lo);
    TrendColumn c{v, v, true};
    const auto take = [&c](double low, double high) {
        c.min = std::min(c.min, low);
        c.max = std::max(c.max, high);
    };
    // The raw values up to whole blocks at both ends (the unfinished last
    // block among them), then at each level the odd block at either end.
    while (lo < hi && lo % kBlock != 0) {
        const double x = ValueOf(lo++);
        take(x, x);
    }
    while (hi > lo && hi % kBlock != 0) {
        const double x = ValueOf(--hi);
        take(x, x);
    }
    uint64_t a = lo / kBlock, b = hi / kBlock;
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
    ColumnCache& k = columns_;
    if (Empty() || columns <= 0 || !(t1 > t0) || !std::isfinite(t1 - t0)) {
        k.count = 0;  // nothing kept
        return;
    }
    const double width = (t1 - t0) / columns;
    const auto edge = [&](int c) { return c + 1 == columns ? t1 : t0 + (c + 1) * width; };
    const uint64_t f = First();
    if (k.count == 0 || k.t0 != t0 || k.t1 != t1 || k.ends.size() != static_cast<std::size_t>(columns)) {
        // Each column's end is looked for from the one before, where the
        // last column that held values says it should be: a few times read
        // near the edge (which Extremes reads anyway), not a search of the
        // whole series.
        const std::size_t size = Size();
        k.t0 = t0;
        k.t1 = t1;
        k.ends.assign(static_cast<std::size_t>(columns), count_);
        k.columns.assign(static_cast<std::size_t>(columns), TrendColumn{});
        std::size_t from = IndexAt(t0);
        k.start = f + from;
        std::size_t expect = 0;
        for (int c = 0; c < columns && from < size; ++c) {
            const std::size_t to = expect == 0 ? IndexAt(edge(c)) : Search(edge(c), from, size, from + expect);
            k.columns[static_cast<std::size_t>(c)] = Extremes(from, to);
            if (to > from) expect = to - from;
            from = std::max(from, to);
            k.ends[static_cast<std::size_t>(c)] = f + from;
        }
    } else if (k.first != f || k.count != count_) {
        // The same columns again, after values were dropped or taken: the
        // times of the values held stay, so an end moves only up to the
        // oldest value held, or, where no value reached it, into the values
        // taken since. Only the columns whose ends moved are read again.
        const uint64_t taken = k.count;
        const double latest = count_ > taken ? TimeOf(count_ - 1) : 0.0;
        const auto moved = [&](uint64_t end, double at) {
            if (end < taken || count_ == taken) return std::max(end, f);
            // None of the values before reached it.
            const uint64_t lo = std::max(taken, f);
            if (lo >= count_ || at > latest) return count_;
            return f + Search(at, static_cast<std::size_t>(lo - f), static_cast<std::size_t>(count_ - f),
                              static_cast<std::size_t>(lo - f));
        };
        uint64_t from = moved(k.start, t0);
        const bool startMoved = from != k.start;
        k.start = from;
        bool previousMoved = startMoved;
        for (int c = 0; c < columns; ++c) {
            uint64_t& end = k.ends[static_cast<std::size_t>(c)];
            const uint64_t to = std::max(from, moved(end, edge(c)));
            const bool endMoved = to != end;
            if (previousMoved || endMoved) {
                k.columns[static_cast<std::size_t>(c)] =
                    Extremes(static_cast<std::size_t>(from - f), static_cast<std::size_t>(to - f));
            }
            end = to;
            from = to;
            previousMoved = endMoved;
        }
    }
    k.first = f;
    k.count = count_;
    out = k.columns;
}

std::size_t TrendSource::MemoryBytes() const {
    // A deque holds whole blocks of 512 bytes (or one element when larger) and a pointer to each.
    const auto blocks = [](std::size_t bytes) { return (bytes / 512 + 1) * (512 + sizeof(void*)); };
    std::size_t bytes = blocks(values_.size() * sizeof(double)) + blocks(offsets_.size() * sizeof(float)) +
                        blocks(segment_base_.size() * sizeof(double)) + blocks(closed_.size() * sizeof(Moments)) +
                        blocks(runs_.size() * sizeof(Run));
    for (const Level& level : levels_) bytes += blocks(level.blocks.size() * sizeof(Extent));
    return bytes + columns_.ends.capacity() * sizeof(uint64_t) + columns_.columns.capacity() * sizeof(TrendColumn);
}

}  // namespace kt
