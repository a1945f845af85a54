// The deviations of a series of fractional frequency values y[0..N-1],
// spaced tau0 apart, at averaging factor m (tau = m tau0). Equations from
// NIST Special Publication 1065, "Handbook of Frequency Stability Analysis"
// (W. J. Riley, 2008), chapter 5.
//
// Every deviation is written with the phase x (in units of tau0, x[k] the sum
// of the first k values, see phase_sums.h): an average of y over a span is a
// difference of two phase values, so each term costs O(1) and a deviation
// O(N) per averaging factor. A term is used only when its span holds no
// missing value; `terms` counts the terms used.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "measurements/phase_sums.h"
#include "measurements/stability.h"

namespace kt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Accumulated {
    double sum = 0.0;  // of the squared differences used
    uint64_t terms = 0;
};

DeviationValue FromVariance(const Accumulated& a, double divisor) {
    if (a.terms == 0) return {kNaN, 0};
    return {std::sqrt(a.sum / (divisor * static_cast<double>(a.terms))), a.terms};
}

// The sums below are bound by the latency of an addition, not by the
// arithmetic: each is kept in eight accumulators that do not wait for one
// another, added together at the end (a different rounding of the same sum).
constexpr int kLanes = 8;

// The sum of term(i)^2 over i in [begin, end).
// (The accumulators are named one by one: kept in an array, the compiler
// left them in memory, each addition waiting for the store of the last.)
template <class Term>
double SquaresSum(uint64_t begin, uint64_t end, const Term& term) {
    static_assert(kLanes == 8);
    double l0 = 0.0, l1 = 0.0, l2 = 0.0, l3 = 0.0, l4 = 0.0, l5 = 0.0, l6 = 0.0, l7 = 0.0;
    auto square = [&term](uint64_t i) {
        const double d = term(i);
        return d * d;
    };
    uint64_t i = begin;
    for (; i + kLanes <= end; i += kLanes) {
        l0 += square(i);
        l1 += square(i + 1);
        l2 += square(i + 2);
        l3 += square(i + 3);
        l4 += square(i + 4);
        l5 += square(i + 5);
        l6 += square(i + 6);
        l7 += square(i + 7);
    }
    for (; i < end; ++i) l0 += square(i);
    return ((l0 + l1) + (l2 + l3)) + ((l4 + l5) + (l6 + l7));
}

// Terms taken together when a run of missing values is looked for: a run
// of them that touches none is summed without a look at the counts.
constexpr uint64_t kRun = 256;

// The sum of term(i)^2 over the terms i in [first, count) whose span of
// values y[i step .. i step + width) holds no missing value.
template <class Term>
Accumulated CompleteSquaresSum(const stability::PhaseSums& s, uint64_t first, uint64_t count, uint64_t step,
                               uint64_t width, const Term& term) {
    if (first >= count) return {};
    if (s.missing.empty()) return {SquaresSum(first, count, term), count - first};
    const MissingCounts& c = s.missing;
    Accumulated a;
    for (uint64_t begin = first; begin < count; begin += kRun) {
        const uint64_t end = std::min(count, begin + kRun);
        // The spans of the run together: y[begin step .. (end - 1) step + width).
        if (c[(end - 1) * step + width] == c[begin * step]) {
            a.sum += SquaresSum(begin, end, term);
            a.terms += end - begin;
            continue;
        }
        for (uint64_t i = begin; i < end; ++i) {
            if (c[i * step + width] != c[i * step]) continue;
            const double d = term(i);
            a.sum += d * d;
            ++a.terms;
        }
    }
    return a;
}

template <class Term>
Accumulated CompleteSquaresSum(const stability::PhaseSums& s, uint64_t count, uint64_t step, uint64_t width,
                               const Term& term) {
    return CompleteSquaresSum(s, 0, count, step, width, term);
}

// Allan variance, SP 1065 section 5.2.2, eq. (6) (frequency) and (7)
// (phase): sigma^2 = 1 / (2 (M - 1)) sum (ybar[i+1] - ybar[i])^2 over the
// M = floor(N/m) non-overlapping averages of m values;
// m ybar[i] = x[(i+1)m] - x[im].
Accumulated AllanSums(const stability::PhaseSums& s, uint64_t m) {
    const uint64_t blocks = s.n / m;
    if (blocks < 2) return {};
    const double* x = s.x.data();
    return CompleteSquaresSum(s, blocks - 1, m, 2 * m, [x, m](uint64_t i) {
        const double* p = x + i * m;
        return p[2 * m] - 2.0 * p[m] + p[0];
    });
}

// Overlapping Allan variance, SP 1065 section 5.2.4, eq. (8) (phase) and (9)
// (frequency): sigma^2 = 1 / (2 m^2 tau^2 (N - 2m)) sum over i of
// (x[i+2m] - 2 x[i+m] + x[i])^2, N - 2m + 1 terms for N frequency values.
// Overlapping Hadamard variance, SP 1065 section 5.2.9, eq. (15) (phase)
// and (16) (frequency): H sigma^2 = 1 / (6 m^2 tau^2 (N - 3m)) sum over i of
// (x[i+3m] - 3 x[i+2m] + 3 x[i+m] - x[i])^2, N - 3m + 1 terms for N
// frequency values.
// Term i of either uses y[i .. i + order m); these are its terms [first, end).
Accumulated OverlappingSums(const stability::PhaseSums& s, int order, uint64_t m, uint64_t first, uint64_t end) {
    const double* x0 = s.x.data();
    const double* x1 = x0 + m;
    const double* x2 = x0 + 2 * m;
    if (order == 2) {
        return CompleteSquaresSum(s, first, end, 1, 2 * m,
                                  [x0, x1, x2](uint64_t i) { return x2[i] - 2.0 * x1[i] + x0[i]; });
    }
    const double* x3 = x0 + 3 * m;
    return CompleteSquaresSum(s, first, end, 1, 3 * m, [x0, x1, x2, x3](uint64_t i) {
        return x3[i] - 3.0 * x2[i] + 3.0 * x1[i] - x0[i];
    });
}

// The terms of an overlapping sum: N - order m + 1.
uint64_t OverlappingTerms(const stability::PhaseSums& s, int order, uint64_t m) {
    const uint64_t width = static_cast<uint64_t>(order) * m;
    return s.n < width ? 0 : s.n - width + 1;
}

Accumulated OverlappingAllanSums(const stability::PhaseSums& s, uint64_t m) {
    return OverlappingSums(s, 2, m, 0, OverlappingTerms(s, 2, m));
}

// The overlapping sums at several factors in one pass over the phase: at
// the short factors a pass reads all of the phase from memory, longer than
// the cache. The phase is taken in stretches of kStretch values, and each
// factor's terms that end within a stretch are summed while it (and, at
// the octave factors, the stretches m and 2m further on, which the next
// factors read again) is in the cache.
constexpr uint64_t kStretch = 16384;

std::vector<Accumulated> OverlappingSumsEach(const stability::PhaseSums& s, int order,
                                             const std::vector<uint64_t>& factors) {
    std::vector<Accumulated> sums(factors.size());
    std::vector<uint64_t> next(factors.size(), 0);
    for (uint64_t limit = 0; limit < s.n;) {
        limit = std::min(s.n, limit + kStretch);
        for (std::size_t f = 0; f < factors.size(); ++f) {
            const uint64_t width = static_cast<uint64_t>(order) * factors[f];
            if (limit < width) continue;
            // The terms whose span ends by limit: i + width <= limit.
            const uint64_t end = std::min(OverlappingTerms(s, order, factors[f]), limit - width + 1);
            if (end <= next[f]) continue;
            const Accumulated a = OverlappingSums(s, order, factors[f], next[f], end);
            sums[f].sum += a.sum;
            sums[f].terms += a.terms;
            next[f] = end;
        }
    }
    return sums;
}

// Modified Allan variance, SP 1065 section 5.2.5, eq. (10) (phase) and (11)
// (frequency): Mod sigma^2 = 1 / (2 m^2 tau^2 (N - 3m + 1)) sum over j of
// (sum over i = j..j+m-1 of (x[i+2m] - 2 x[i+m] + x[i]))^2, N - 3m + 2
// terms for N frequency values. The inner sum is kept running: the next j
// adds one second difference and drops one, together the third difference
// x[j+3m] - x[j] - 3 (x[j+2m] - x[j+m]). Each running sum waits for the
// one before it, so the terms are cut into up to kChains stretches of j,
// each with a running sum of its own begun by summing its first m second
// differences, and the stretches are walked side by side.
constexpr uint64_t kChains = 4;

// The terms j in [first, end) of the modified sum (of terms in all), inner
// the running sum at j = first; returns the running sum at j = end (when
// end < terms). c: the counts of missing values, or null when none of these
// terms has a missing value in its span.
double ModifiedStretch(const stability::PhaseSums& s, uint64_t m, uint64_t terms, uint64_t first, uint64_t end,
                       double running, Accumulated& a, const MissingCounts* c) {
    const double* x = s.x.data();
    auto second = [x, m](uint64_t i) { return x[i + 2 * m] - 2.0 * x[i + m] + x[i]; };
    // What the running sum moves by from j to j + 1, second(j + m) -
    // second(j): the third difference.
    auto third = [x, m](uint64_t j) { return (x[j + 3 * m] - x[j]) - 3.0 * (x[j + 2 * m] - x[j + m]); };
    const uint64_t count = end - first;
    // A stretch costs m second differences to begin: worth it only when it
    // is several times longer than that.
    const uint64_t chains = std::clamp<uint64_t>(count / (4 * m), 1, kChains);
    const uint64_t length = count / chains;  // the last stretch takes the rest
    const uint64_t width = 3 * m - 1;        // term j uses y[j .. j+3m-2]

    double inner[kChains] = {running}, sum[kChains] = {};
    uint64_t used[kChains] = {};
    uint64_t start[kChains] = {first};
    for (uint64_t k = 1; k < chains; ++k) start[k] = first + k * length;
    if (chains == kChains) {
        // The three stretches after the first begun side by side.
        double b1 = 0.0, b2 = 0.0, b3 = 0.0;
        for (uint64_t i = 0; i < m; ++i) {
            b1 += second(start[1] + i);
            b2 += second(start[2] + i);
            b3 += second(start[3] + i);
        }
        inner[1] = b1, inner[2] = b2, inner[3] = b3;
    } else {
        for (uint64_t k = 1; k < chains; ++k) {
            double b = 0.0;
            for (uint64_t i = start[k]; i < start[k] + m; ++i) b += second(i);
            inner[k] = b;
        }
    }
    auto add = [&](uint64_t k, uint64_t j) {
        if (c == nullptr || (*c)[j + width] == (*c)[j]) {
            sum[k] += inner[k] * inner[k];
            ++used[k];
        }
    };
    // Every stretch but the last ends where the next begins, so its running
    // sum is moved on to j = start + length only by the last stretch.
    if (c == nullptr && chains == kChains) {
        // The usual case, without a look at the counts; each stretch's sums
        // in registers of their own.
        const double* p0 = x + start[0];
        const double* p1 = x + start[1];
        const double* p2 = x + start[2];
        const double* p3 = x + start[3];
        const uint64_t m2 = 2 * m, m3 = 3 * m;
        auto move = [m, m2, m3](const double* p, uint64_t t) {
            // second(j + m) - second(j), j = p - x + t: the third
            // difference, x[j+3m] - x[j] - 3 (x[j+2m] - x[j+m])
            const double* q = p + t;
            return (q[m3] - q[0]) - 3.0 * (q[m2] - q[m]);
        };
        double in0 = inner[0], in1 = inner[1], in2 = inner[2], in3 = inner[3];
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        for (uint64_t t = 0; t + 1 < length; ++t) {
            s0 += in0 * in0;
            s1 += in1 * in1;
            s2 += in2 * in2;
            s3 += in3 * in3;
            in0 += move(p0, t);
            in1 += move(p1, t);
            in2 += move(p2, t);
            in3 += move(p3, t);
        }
        inner[0] = in0, inner[1] = in1, inner[2] = in2, inner[3] = in3;
        sum[0] = s0, sum[1] = s1, sum[2] = s2, sum[3] = s3;
        for (uint64_t k = 0; k < kChains; ++k) used[k] = length - 1;
    } else {
        for (uint64_t t = 0; t + 1 < length; ++t) {
            for (uint64_t k = 0; k < chains; ++k) {
                const uint64_t j = start[k] + t;
                add(k, j);
                inner[k] += third(j);
            }
        }
    }
    // The last term of each stretch but the last, then the rest of the last.
    for (uint64_t k = 0; k + 1 < chains; ++k) add(k, start[k] + length - 1);
    const uint64_t tail = chains - 1;
    for (uint64_t j = start[tail] + length - 1; j < end; ++j) {
        add(tail, j);
        if (j + 1 < terms) inner[tail] += third(j);
    }
    for (uint64_t k = 0; k < chains; ++k) {
        a.sum += sum[k];
        a.terms += used[k];
    }
    return inner[tail];
}

// The terms of the modified sum: N - 3m + 2.
uint64_t ModifiedTerms(const stability::PhaseSums& s, uint64_t m) { return s.n + 1 < 3 * m ? 0 : s.n + 2 - 3 * m; }

// The running sum at term j (j < terms).
double InnerAt(const stability::PhaseSums& s, uint64_t m, uint64_t j) {
    const double* x = s.x.data() + j;
    double inner = 0.0;
    for (uint64_t i = 0; i < m; ++i) inner += x[i + 2 * m] - 2.0 * x[i + m] + x[i];
    return inner;
}

double FirstInner(const stability::PhaseSums& s, uint64_t m) { return InnerAt(s, m, 0); }

// The counts of missing values never fall (a series is far shorter than
// 2^32 values), so where they change is found by halving.
// The first k in [lo, hi) with c[k] > value (hi when none).
uint64_t FirstAbove(const MissingCounts& c, uint64_t lo, uint64_t hi, uint32_t value) {
    while (lo < hi) {
        const uint64_t mid = lo + (hi - lo) / 2;
        if (c[mid] > value) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}
// The first missing value among y[from .. to), to when none is.
uint64_t FirstMissing(const MissingCounts& c, uint64_t from, uint64_t to) {
    return FirstAbove(c, from + 1, to + 1, c[from]) - 1;
}
// The first k in [from, to] with none of y[k .. to) missing.
uint64_t PresentFrom(const MissingCounts& c, uint64_t from, uint64_t to) {
    const uint32_t last = c[to];
    return last == 0 ? from : FirstAbove(c, from, to + 1, last - 1);
}

// ModifiedStretch over any terms: the stretches of complete terms between
// the missing values are summed without a look at the counts, and the
// running sum is carried over the terms between them (walked when that is
// shorter than m, else begun again).
double ModifiedRange(const stability::PhaseSums& s, uint64_t m, uint64_t terms, uint64_t first, uint64_t end,
                     double running, Accumulated& a) {
    if (s.missing.empty()) return ModifiedStretch(s, m, terms, first, end, running, a, nullptr);
    const MissingCounts& c = s.missing;
    const double* x = s.x.data();
    const uint64_t width = 3 * m - 1;      // term j uses y[j .. j+width)
    const uint64_t limit = end - 1 + width;  // the last term's span ends there (<= N)
    uint64_t j = first;
    double inner = running;
    while (j < end) {
        // The terms from j whose spans end before the first missing value.
        const uint64_t p = FirstMissing(c, j, limit);
        const uint64_t complete = p == limit ? end : (p + 1 >= j + width ? p + 1 - width : j);
        if (complete > j) {
            inner = ModifiedStretch(s, m, terms, j, complete, inner, a, nullptr);
            j = complete;
            if (j >= end) break;
        }
        // Term j has a missing value in its span: the next term without one.
        uint64_t next = j;
        while (next < end) {
            const uint64_t k = PresentFrom(c, next, next + width);
            if (k == next) break;
            next = k;
        }
        next = std::min(next, end);
        if (next >= terms) break;
        if (next - j <= m) {
            for (; j < next; ++j) inner += (x[j + 3 * m] - x[j]) - 3.0 * (x[j + 2 * m] - x[j + m]);
        } else {
            j = next;
            inner = InnerAt(s, m, j);
        }
    }
    return inner;
}

Accumulated ModifiedAllanSums(const stability::PhaseSums& s, uint64_t m) {
    Accumulated a;
    const uint64_t terms = ModifiedTerms(s, m);
    if (terms > 0) ModifiedRange(s, m, terms, 0, terms, FirstInner(s, m), a);
    return a;
}

// Hadamard variance, SP 1065 section 5.2.8, eq. (13) (frequency) and (14)
// (phase): H sigma^2 = 1 / (6 (M - 2)) sum (ybar[i+2] - 2 ybar[i+1] +
// ybar[i])^2 over the M = floor(N/m) non-overlapping averages.
Accumulated HadamardSums(const stability::PhaseSums& s, uint64_t m) {
    const uint64_t blocks = s.n / m;
    if (blocks < 3) return {};
    const double* x = s.x.data();
    return CompleteSquaresSum(s, blocks - 2, m, 3 * m, [x, m](uint64_t i) {
        const double* p = x + i * m;
        return p[3 * m] - 3.0 * p[2 * m] + 3.0 * p[m] - p[0];
    });
}

Accumulated OverlappingHadamardSums(const stability::PhaseSums& s, uint64_t m) {
    return OverlappingSums(s, 3, m, 0, OverlappingTerms(s, 3, m));
}

// The modified sums at several factors (ascending) in one pass, a stretch
// of the phase at a time as OverlappingSumsEach; each factor's running sum
// is carried from one stretch to the next.
std::vector<Accumulated> ModifiedSumsEach(const stability::PhaseSums& s, const std::vector<uint64_t>& all) {
    // Only the factors short enough for four running sums within a stretch;
    // the longer ones walk the whole phase in four stretches of their own.
    std::vector<uint64_t> factors;
    for (uint64_t m : all) {
        if (64 * m <= kStretch) factors.push_back(m);
    }
    std::vector<Accumulated> sums(factors.size());
    std::vector<uint64_t> next(factors.size(), 0);
    std::vector<double> inner(factors.size(), 0.0);
    for (std::size_t f = 0; f < factors.size(); ++f) {
        if (ModifiedTerms(s, factors[f]) > 0) inner[f] = FirstInner(s, factors[f]);
    }
    for (uint64_t limit = 0; limit < s.n;) {
        limit = std::min(s.n, limit + kStretch);
        for (std::size_t f = 0; f < factors.size(); ++f) {
            const uint64_t m = factors[f];
            const uint64_t terms = ModifiedTerms(s, m);
            // The terms whose running sum moves on within limit (j + 3m <
            // = limit); the last stretch takes the rest.
            uint64_t end = limit == s.n ? terms : (limit >= 3 * m ? std::min(terms, limit - 3 * m + 1) : 0);
            if (end <= next[f]) continue;
            inner[f] = ModifiedRange(s, m, terms, next[f], end, inner[f], sums[f]);
            next[f] = end;
        }
    }
    for (std::size_t f = factors.size(); f < all.size(); ++f) sums.push_back(ModifiedAllanSums(s, all[f]));
    return sums;
}

// Total variance, SP 1065 section 5.2.11, eq. (25): Tot var = 1 / (2 tau^2
// (N - 2)) sum over the interior phase points i = 2..N-1 of (x*[i-m] -
// 2 x*[i] + x*[i+m])^2, where x* extends the N phase values by reflection
// about both ends, x*[1-j] = 2 x[1] - x[1+j] and x*[N+j] = 2 x[N] - x[N-j].
// In frequency terms the reflection mirrors y at each end, so the extended
// phase is a difference of two entries of x and nothing is copied. The
// points whose terms stay within the data, p = m .. N-m, are the terms of
// the overlapping Allan variance; only the m - 1 points at each end reach
// into the reflection.
// The terms of the points that reach into the reflection: all of them when
// 2m > N, else p = 1 .. m-1 and N-m+1 .. N-1.
Accumulated TotalEdgeSums(const stability::PhaseSums& s, uint64_t m) {
    Accumulated a;
    const int64_t n = static_cast<int64_t>(s.n);
    const int64_t mm = static_cast<int64_t>(m);
    if (n < 2 || mm > n + 1) return a;
    const double* x = s.x.data();
    auto phase = [&](int64_t k) {
        if (k < 0) return -x[-k];
        if (k > n) return 2.0 * x[n] - x[2 * n - k];
        return x[k];
    };
    auto missing_to = [&](int64_t k) -> uint32_t {
        const MissingCounts& c = s.missing;
        if (k < 0) return 0u - c[-k];
        if (k > n) return 2u * c[n] - c[2 * n - k];
        return c[k];
    };
    auto edge = [&](int64_t p) {
        // Term p uses the extended y[p-m .. p+m-1].
        if (!s.missing.empty() && missing_to(p + mm) != missing_to(p - mm)) return;
        const double d = phase(p + mm) - 2.0 * phase(p) + phase(p - mm);
        a.sum += d * d;
        ++a.terms;
    };
    if (2 * mm > n) {  // no point has its terms within the data
        for (int64_t p = 1; p < n; ++p) edge(p);
        return a;
    }
    // Each end reaches into its own reflection only: at the start x*[p-m] =
    // -x[m-p], at the end x*[p+m] = 2 x[N] - x[2N-p-m].
    const MissingCounts* c = s.missing.empty() ? nullptr : &s.missing;
    for (int64_t p = 1; p < mm; ++p) {
        if (c != nullptr && (*c)[p + mm] != 0u - (*c)[mm - p]) continue;
        const double d = x[p + mm] - 2.0 * x[p] + -x[mm - p];
        a.sum += d * d;
        ++a.terms;
    }
    for (int64_t p = n - mm + 1; p < n; ++p) {
        if (c != nullptr && 2u * (*c)[n] - (*c)[2 * n - p - mm] != (*c)[p - mm]) continue;
        const double d = (2.0 * x[n] - x[2 * n - p - mm]) - 2.0 * x[p] + x[p - mm];
        a.sum += d * d;
        ++a.terms;
    }
    return a;
}

Accumulated TotalSums(const stability::PhaseSums& s, uint64_t m) {
    Accumulated a = TotalEdgeSums(s, m);
    if (s.n >= 2 && 2 * m <= s.n) {
        const Accumulated interior = OverlappingAllanSums(s, m);
        a.sum += interior.sum;
        a.terms += interior.terms;
    }
    return a;
}

DeviationValue ValueOf(Deviation deviation, const Accumulated& a, double tau0, uint64_t m) {
    const double md = static_cast<double>(m);
    switch (deviation) {
        case Deviation::Adev:
        case Deviation::Oadev:
        case Deviation::Totdev: return FromVariance(a, 2.0 * md * md);
        case Deviation::Mdev: return FromVariance(a, 2.0 * md * md * md * md);
        case Deviation::Tdev: {
            // Time variance, SP 1065 section 5.2.6, eq. (12): sigma_x^2 =
            // tau^2 / 3 Mod sigma_y^2; in seconds.
            if (!(std::isfinite(tau0) && tau0 > 0.0)) return {kNaN, 0};
            DeviationValue v = FromVariance(a, 2.0 * md * md * md * md);
            v.value *= md * tau0 / std::sqrt(3.0);
            return v;
        }
        case Deviation::Hdev:
        case Deviation::Ohdev: return FromVariance(a, 6.0 * md * md);
    }
    return {kNaN, 0};
}

Accumulated SumsAt(Deviation deviation, const stability::PhaseSums& s, uint64_t m) {
    switch (deviation) {
        case Deviation::Adev: return AllanSums(s, m);
        case Deviation::Oadev: return OverlappingAllanSums(s, m);
        case Deviation::Mdev:
        case Deviation::Tdev: return ModifiedAllanSums(s, m);
        case Deviation::Hdev: return HadamardSums(s, m);
        case Deviation::Ohdev: return OverlappingHadamardSums(s, m);
        case Deviation::Totdev: return TotalSums(s, m);
    }
    return {};
}

// DeviationAt at each factor (each within 1 .. N), the overlapping sums in
// one pass for all of them.
std::vector<DeviationValue> DeviationsAt(Deviation deviation, const stability::PhaseSums& s, double tau0,
                                         const std::vector<uint64_t>& factors) {
    std::vector<Accumulated> sums;
    switch (deviation) {
        case Deviation::Oadev: sums = OverlappingSumsEach(s, 2, factors); break;
        case Deviation::Ohdev: sums = OverlappingSumsEach(s, 3, factors); break;
        case Deviation::Mdev:
        case Deviation::Tdev: sums = ModifiedSumsEach(s, factors); break;
        case Deviation::Totdev: {
            std::vector<uint64_t> interior;  // the factors with points within the data
            for (uint64_t m : factors) {
                if (s.n >= 2 && 2 * m <= s.n) interior.push_back(m);
            }
            const std::vector<Accumulated> inner = OverlappingSumsEach(s, 2, interior);
            for (std::size_t i = 0; i < factors.size(); ++i) {
                Accumulated a = TotalEdgeSums(s, factors[i]);
                if (i < inner.size()) {  // the factors ascend: the interior ones come first
                    a.sum += inner[i].sum;
                    a.terms += inner[i].terms;
                }
                sums.push_back(a);
            }
            break;
        }
        default:
            for (uint64_t m : factors) sums.push_back(SumsAt(deviation, s, m));
            break;
    }
    std::vector<DeviationValue> values;
    for (std::size_t i = 0; i < factors.size(); ++i) values.push_back(ValueOf(deviation, sums[i], tau0, factors[i]));
    return values;
}

}  // namespace

namespace stability {

PhaseSums MakePhaseSums(std::span<const double> y) {
    std::vector<double> x;
    x.reserve(y.size() + 1);  // not filled with zeros first: the values go straight in
    x.push_back(0.0);
    x.insert(x.end(), y.begin(), y.end());
    return MakePhaseSumsInPlace(std::move(x), {});
}

PhaseSums MakePhaseSumsInPlace(std::vector<double>&& values, MissingCounts&& missing_buffer) {
    PhaseSums s;
    s.x = std::move(values);
    s.missing = std::move(missing_buffer);
    if (s.x.empty()) s.x.push_back(0.0);
    s.n = s.x.size() - 1;
    double* x = s.x.data();
    // The mean of the values present: the first one plus the mean of the
    // differences from it.
    double base = 0.0;
    bool have_base = false;
    double sum_d = 0.0;
    for (uint64_t i = 1; i <= s.n; ++i) {
        const double v = x[i];
        if (!std::isfinite(v)) continue;
        if (!have_base) {
            base = v;
            have_base = true;
        }
        sum_d += v - base;
        ++s.valid;
    }
    const double mean_d = s.valid > 0 ? sum_d / static_cast<double>(s.valid) : 0.0;
    const bool gapped = s.valid < s.n;
    if (gapped) {
        s.missing.Reset(s.n);
    } else {
        s.missing.clear();  // none missing; the memory stays lent
    }
    double sum = 0.0;
    x[0] = 0.0;
    for (uint64_t i = 1; i <= s.n; ++i) {
        const double v = x[i];
        if (std::isfinite(v)) {
            sum += (v - base) - mean_d;
        } else {
            s.missing.SetMissing(i - 1);
        }
        x[i] = sum;
    }
    if (gapped) s.missing.Count();
    return s;
}

DeviationValue DeviationAt(Deviation deviation, const PhaseSums& s, double tau0, uint64_t m) {
    if (m == 0 || m > s.n) return {kNaN, 0};
    return ValueOf(deviation, SumsAt(deviation, s, m), tau0, m);
}

}  // namespace stability

std::string_view DeviationName(Deviation deviation) {
    switch (deviation) {
        case Deviation::Adev: return "adev";
        case Deviation::Oadev: return "oadev";
        case Deviation::Mdev: return "mdev";
        case Deviation::Tdev: return "tdev";
        case Deviation::Hdev: return "hdev";
        case Deviation::Ohdev: return "ohdev";
        case Deviation::Totdev: return "totdev";
    }
    return "";
}

std::optional<Deviation> ParseDeviation(std::string_view name) {
    for (Deviation d : kAllDeviations) {
        if (DeviationName(d) == name) return d;
    }
    return std::nullopt;
}

std::string_view TauSetName(TauSet set) {
    switch (set) {
        case TauSet::Octave: return "octave";
        case TauSet::Decade: return "decade";
        case TauSet::All: return "all";
    }
    return "";
}

std::optional<TauSet> ParseTauSet(std::string_view name) {
    for (TauSet s : {TauSet::Octave, TauSet::Decade, TauSet::All}) {
        if (TauSetName(s) == name) return s;
    }
    return std::nullopt;
}

uint64_t MaxAveragingFactor(Deviation deviation, uint64_t n) {
    // The limit of the field's tools (see README.md), but never below 1 while
    // the deviation has a term at m = 1.
    uint64_t limit = 0;
    uint64_t needed_at_1 = 0;  // values for one term at m = 1
    switch (deviation) {
        case Deviation::Adev:
        case Deviation::Oadev: limit = n / 4; needed_at_1 = 2; break;
        case Deviation::Mdev:
        case Deviation::Tdev: limit = n / 3; needed_at_1 = 2; break;
        case Deviation::Hdev:
        case Deviation::Ohdev: limit = n / 4; needed_at_1 = 3; break;
        case Deviation::Totdev: limit = n / 2; needed_at_1 = 2; break;
    }
    if (limit == 0 && n >= needed_at_1) limit = 1;
    return limit;
}

std::vector<uint64_t> AveragingFactors(TauSet set, uint64_t max_m) {
    std::vector<uint64_t> factors;
    switch (set) {
        case TauSet::Octave:
            for (uint64_t m = 1; m <= max_m; m *= 2) {
                factors.push_back(m);
                if (m > max_m / 2) break;
            }
            break;
        case TauSet::Decade:
            for (uint64_t decade = 1; decade <= max_m; decade *= 10) {
                for (uint64_t step : {1, 2, 4}) {
                    if (step > max_m / decade) break;
                    factors.push_back(step * decade);
                }
                if (decade > max_m / 10) break;
            }
            break;
        case TauSet::All:
            factors.reserve(max_m);
            for (uint64_t m = 1; m <= max_m; ++m) factors.push_back(m);
            break;
    }
    return factors;
}

namespace {

std::vector<DevPoint> AnalysePhaseSums(Deviation deviation, const stability::PhaseSums& sums, double tau0,
                                       const AnalysisOptions& options) {
    std::vector<DevPoint> points;
    // The edf is that of a series without gaps with as many terms as were
    // used: the same as the series' own length when nothing is missing.
    auto length_for = [&](uint64_t terms, uint64_t m) -> uint64_t {
        switch (deviation) {
            case Deviation::Adev: return (terms + 1) * m;
            case Deviation::Oadev: return terms + 2 * m - 1;
            case Deviation::Mdev:
            case Deviation::Tdev: return terms + 3 * m - 2;
            case Deviation::Hdev: return (terms + 2) * m;
            case Deviation::Ohdev: return terms + 3 * m - 1;
            case Deviation::Totdev: return std::max(terms + 1, 2 * m);
        }
        return 0;
    };
    // The values first, then the noise of every point that has one, in
    // passes shared by all of them.
    std::vector<uint64_t> factors;
    std::vector<DeviationValue> values;
    {
        const std::vector<uint64_t> all = AveragingFactors(options.taus, MaxAveragingFactor(deviation, sums.n));
        const std::vector<DeviationValue> all_values = DeviationsAt(deviation, sums, tau0, all);
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all_values[i].terms == 0) continue;
            factors.push_back(all[i]);
            values.push_back(all_values[i]);
        }
    }
    const std::vector<NoiseEstimate> noises = stability::NoiseAtEach(deviation, sums, factors);
    for (std::size_t i = 0; i < factors.size(); ++i) {
        const uint64_t m = factors[i];
        const DeviationValue& v = values[i];
        DevPoint p;
        p.m = m;
        p.tau = static_cast<double>(m) * tau0;
        p.terms = v.terms;
        p.value = v.value;
        NoiseEstimate noise = noises[i];
        // The last points have too few averages to tell their noise: they
        // keep the type found at the shorter tau before them.
        if (noise.method == NoiseMethod::None && !points.empty()) noise.alpha = points.back().alpha;
        p.alpha = noise.alpha;
        p.method = noise.method;
        p.edf = EquivalentDegreesOfFreedom(deviation, noise.alpha, m, length_for(v.terms, m));
        const Interval interval = ConfidenceInterval(v.value, p.edf, options.confidence);
        p.low = interval.low;
        p.high = interval.high;
        points.push_back(p);
    }
    return points;
}

}  // namespace

std::vector<DevPoint> AnalyseDeviation(Deviation deviation, std::span<const double> y, double tau0,
                                       const AnalysisOptions& options) {
    if (!(std::isfinite(tau0) && tau0 > 0.0)) return {};  // no tau to give
    return AnalysePhaseSums(deviation, stability::MakePhaseSums(y), tau0, options);
}

std::vector<DevPoint> AnalyseDeviationInPlace(Deviation deviation, DeviationBuffers& buffers, double tau0,
                                              const AnalysisOptions& options) {
    if (!(std::isfinite(tau0) && tau0 > 0.0)) return {};
    stability::PhaseSums sums = stability::MakePhaseSumsInPlace(std::move(buffers.values), std::move(buffers.missing));
    std::vector<DevPoint> points = AnalysePhaseSums(deviation, sums, tau0, options);
    // The memory goes back to its keeper for the next run.
    buffers.values = std::move(sums.x);
    buffers.missing = std::move(sums.missing);
    return points;
}

DeviationValue ComputeDeviationAt(Deviation deviation, std::span<const double> y, double tau0, uint64_t m) {
    if (m == 0 || m > y.size()) return {kNaN, 0};
    return stability::DeviationAt(deviation, stability::MakePhaseSums(y), tau0, m);
}

}  // namespace kt
