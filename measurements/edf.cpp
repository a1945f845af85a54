// Equivalent degrees of freedom and confidence intervals of the deviations.
//
// For the Allan and Hadamard variances, overlapping or not, modified or not:
// the algorithm of C. A. Greenhall and W. J. Riley, "Uncertainty of stability
// variances based on finite differences" (Proc. 35th PTTI Meeting, 2003),
// which sums the covariances of the d-th differences of a power-law phase
// noise (BasicSum) and falls back on its rational approximations (its
// tables) once more than J_max = 100 covariances would be summed.
//
// For the total deviation: the edf b T / tau - c of SP 1065 section 5.2.11
// (its table of b and c for white, flicker and random-walk FM), and the
// handbook's simple formulas for the overlapping Allan variance (section
// 5.3, after Howe, Allan and Barnes 1981) for phase noise.
//
// The interval: sigma^2 nu / chi^2(1 - p; nu) to sigma^2 nu / chi^2(p; nu),
// p = (1 - confidence) / 2 (SP 1065 section 5.3, the chi-squared interval).
#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <limits>

#include "measurements/stability.h"

namespace kt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinite = std::numeric_limits<double>::infinity();
constexpr double kJMax = 100.0;

// sw(t, alpha): the generalised autocovariance of the power-law phase noise.
double Sw(double t, int alpha) {
    const double a = std::fabs(t);
    auto t_log = [&](int power) { return a == 0.0 ? 0.0 : std::pow(a, power) * std::log(a); };
    switch (alpha) {
        case 2: return -a;
        case 1: return t_log(2);
        case 0: return a * a * a;
        case -1: return t_log(4);
        case -2: return std::pow(a, 5);
        case -3: return t_log(6);
        case -4: return std::pow(a, 7);
        default: return kNaN;
    }
}

// sx(t, F, alpha): sw filtered by the averaging of the phase over 1/F (an
// infinite F: no filter, the next noise type's sw).
double Sx(double t, double f, int alpha) {
    if (std::isinf(f)) return Sw(t, alpha + 2);
    return f * f * (2.0 * Sw(t, alpha) - Sw(t - 1.0 / f, alpha) - Sw(t + 1.0 / f, alpha));
}

double Binomial(int n, int k) {
    double c = 1.0;
    for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
    return c;
}

// sz(t, F, alpha, d): the covariance of the d-th differences at lag t.
double Sz(double t, double f, int alpha, int d) {
    double sum = 0.0;
    for (int k = -d; k <= d; ++k) {
        const double sign = (k % 2 == 0) ? 1.0 : -1.0;
        sum += sign * Binomial(2 * d, d + k) * Sx(t + k, f, alpha);
    }
    return sum;
}

double BasicSum(double j_count, double m_count, double stride, double f, int alpha, int d) {
    auto sq = [](double v) { return v * v; };
    double sum = sq(Sz(0.0, f, alpha, d)) + (1.0 - j_count / m_count) * sq(Sz(j_count / stride, f, alpha, d));
    const auto last = static_cast<uint64_t>(j_count);
    for (uint64_t j = 1; j < last; ++j) {
        const double jd = static_cast<double>(j);
        sum += 2.0 * (1.0 - jd / m_count) * sq(Sz(jd / stride, f, alpha, d));
    }
    return sum;
}

// BasicSum for white PM (alpha 2), over the lags where sz is not zero. Its
// sw, -|t|, is a straight line on each side of 0, so sx(t, F) vanishes for
// |t| >= 1/F and sz(t) everywhere but within 1/F of the integers -d .. d:
// with the lags j / stride, only the j within stride / F of a multiple of
// stride count. Summed over all of them (up to the number of terms, millions
// at the longest averaging times) the sum adds nothing but rounding.
double WhitePmBasicSum(double j_count, double m_count, double stride, double f, int d) {
    auto sq = [](double v) { return v * v; };
    double sum = sq(Sz(0.0, f, 2, d)) + (1.0 - j_count / m_count) * sq(Sz(j_count / stride, f, 2, d));
    const auto last = static_cast<uint64_t>(j_count);
    const double reach = stride / f;  // lags j with |j - K stride| < reach
    uint64_t next = 1;                // the lags below it are summed
    for (int k = 0; k <= d; ++k) {
        const double centre = k * stride;
        const auto from = static_cast<uint64_t>(std::max(1.0, std::floor(centre - reach)));
        const auto to = static_cast<uint64_t>(std::min(static_cast<double>(last), std::ceil(centre + reach) + 1.0));
        for (uint64_t j = std::max(from, next); j < to; ++j) {
            const double jd = static_cast<double>(j);
            sum += 2.0 * (1.0 - jd / m_count) * sq(Sz(jd / stride, f, 2, d));
        }
        next = std::max(next, to);
    }
    return sum;
}

struct Coefficients {
    double a0, a1;
};

// Table 1 of the paper (modified variances), d = 2 and 3, alpha 2 .. -4.
Coefficients ModifiedTable(int alpha, int d) {
    static constexpr Coefficients kD2[] = {{7.0 / 9.0, 0.5}, {0.997, 0.616}, {1.033, 0.607}, {1.048, 0.534}, {1.302, 0.535}};
    static constexpr Coefficients kD3[] = {{22.0 / 25.0, 2.0 / 3.0}, {1.141, 0.843}, {1.184, 0.848}, {1.180, 0.816},
                                           {1.175, 0.777},           {1.194, 0.703}, {1.489, 0.702}};
    const auto row = static_cast<std::size_t>(2 - alpha);
    return d == 2 ? kD2[row] : kD3[row];
}

// Table 2 of the paper (unmodified variances), d = 2 and 3, alpha 2 .. -4.
Coefficients UnmodifiedTable(int alpha, int d) {
    static constexpr Coefficients kD2[] = {{35.0 / 18.0, 1.0}, {790.0, 410.0}, {2.0 / 3.0, 1.0 / 3.0}, {0.852, 0.375}, {1.079, 0.368}};
    static constexpr Coefficients kD3[] = {{231.0 / 100.0, 1.5}, {9950.0, 6520.0}, {7.0 / 9.0, 0.5}, {0.997, 0.617},
                                           {1.033, 0.607},       {1.053, 0.553},   {1.302, 0.535}};
    const auto row = static_cast<std::size_t>(2 - alpha);
    return d == 2 ? kD2[row] : kD3[row];
}

// Table 3 of the paper (unmodified, flicker PM), d = 2 and 3.
Coefficients FlickerPmTable(int d) { return d == 2 ? Coefficients{15.23, 12.0} : Coefficients{47.8, 40.0}; }

// 1 / edf by Greenhall's algorithm: d the order of the differences, f the
// filter factor (1 for the modified variance, m for the others), stride the
// stride factor (m overlapping, 1 not), n_phase the phase values.
double InverseEdf(int alpha, int d, double m, double f, double stride, double n_phase) {
    const double l = m / f + m * d;
    if (n_phase < l) return kNaN;
    const double terms = 1.0 + std::floor(stride * (n_phase - l) / m);  // M
    const double j = std::min(terms, (d + 1) * stride);
    const double r = terms / stride;
    auto sq = [](double v) { return v * v; };

    if (f == 1.0) {  // modified
        if (j <= kJMax) return BasicSum(j, terms, stride, 1.0, alpha, d) / (terms * sq(Sz(0.0, 1.0, alpha, d)));
        if (r > d + 1) {
            const Coefficients c = ModifiedTable(alpha, d);
            return (c.a0 - c.a1 / r) / r;
        }
        const double m_prime = kJMax / r;
        return BasicSum(kJMax, kJMax, m_prime, 1.0, alpha, d) / (kJMax * sq(Sz(0.0, 1.0, alpha, d)));
    }
    if (alpha <= 0) {
        if (j <= kJMax) {
            const double m_prime = m * (d + 1) <= kJMax ? m : kInfinite;
            return BasicSum(j, terms, stride, m_prime, alpha, d) / (terms * sq(Sz(0.0, m_prime, alpha, d)));
        }
        if (r > d + 1) {
            const Coefficients c = UnmodifiedTable(alpha, d);
            return (c.a0 - c.a1 / r) / r;
        }
        const double m_prime = kJMax / r;
        return BasicSum(kJMax, kJMax, m_prime, kInfinite, alpha, d) / (kJMax * sq(Sz(0.0, kInfinite, alpha, d)));
    }
    if (alpha == 1) {
        if (j <= kJMax) return BasicSum(j, terms, stride, m, 1, d) / (terms * sq(Sz(0.0, m, 1, d)));
        const Coefficients b = FlickerPmTable(d);
        const double scale = sq(b.a0 + b.a1 * std::log(m));
        if (r > d + 1) {
            const Coefficients c = UnmodifiedTable(1, d);
            return (c.a0 - c.a1 / r) / (scale * r);
        }
        const double m_prime = kJMax / r;
        return BasicSum(kJMax, kJMax, m_prime, m_prime, 1, d) / (scale * kJMax);
    }
    // White PM.
    if (std::ceil(r) > d) {
        const double a0 = Binomial(4 * d, 2 * d) / sq(Binomial(2 * d, d));
        const double a1 = d / 2.0;
        return (a0 - a1 / r) / terms;
    }
    // So few terms that the approximation does not hold: the sum itself.
    return WhitePmBasicSum(j, terms, stride, m, d) / (terms * sq(Sz(0.0, m, 2, d)));
}

// The handbook's simple edf formulas of the overlapping Allan variance, for
// N phase values.
double SimpleOverlappingEdf(int alpha, double m, double n_phase) {
    const double n = n_phase;
    switch (alpha) {
        case 2: return (n + 1.0) * (n - 2.0 * m) / (2.0 * (n - m));
        case 1: return std::exp(std::sqrt(std::log((n - 1.0) / (2.0 * m)) * std::log((2.0 * m + 1.0) * (n - 1.0) / 4.0)));
        case 0: return (3.0 * (n - 1.0) / (2.0 * m) - 2.0 * (n - 2.0) / n) * 4.0 * m * m / (4.0 * m * m + 5.0);
        case -1:
            if (m == 1.0) return 2.0 * (n - 2.0) / (2.3 * n - 4.9);
            return 5.0 * n * n / (4.0 * m * (n + 3.0 * m));
        case -2: return (n - 2.0) / m * ((n - 1.0) * (n - 1.0) - 3.0 * m * (n - 1.0) + 4.0 * m * m) / ((n - 3.0) * (n - 3.0));
        default: return kNaN;
    }
}

}  // namespace

double EquivalentDegreesOfFreedom(Deviation deviation, int alpha, uint64_t m, uint64_t n) {
    const int lowest = IsHadamard(deviation) ? -4 : -2;
    if (m == 0 || n == 0 || alpha > 2 || alpha < lowest) return kNaN;
    const double md = static_cast<double>(m);
    const double nd = static_cast<double>(n);
    double edf = kNaN;
    switch (deviation) {
        case Deviation::Adev: edf = 1.0 / InverseEdf(alpha, 2, md, md, 1.0, nd + 1.0); break;
        case Deviation::Oadev: edf = 1.0 / InverseEdf(alpha, 2, md, md, md, nd + 1.0); break;
        case Deviation::Mdev:
        case Deviation::Tdev: edf = 1.0 / InverseEdf(alpha, 2, md, 1.0, md, nd + 1.0); break;
        case Deviation::Hdev: edf = 1.0 / InverseEdf(alpha, 3, md, md, 1.0, nd + 1.0); break;
        case Deviation::Ohdev: edf = 1.0 / InverseEdf(alpha, 3, md, md, md, nd + 1.0); break;
        case Deviation::Totdev: {
            if (2 * m > n) break;
            // At m = 1 no term reaches beyond the data: the estimate is the
            // overlapping Allan deviation's, and so is its edf (b T / tau - c
            // is a large-tau formula, twice too high there for white FM).
            if (m == 1) {
                edf = 1.0 / InverseEdf(alpha, 2, md, md, md, nd + 1.0);
                break;
            }
            // b T / tau - c, T / tau = N tau0 / (m tau0).
            const double ratio = nd / md;
            switch (alpha) {
                case 0: edf = 1.50 * ratio; break;
                case -1: edf = 1.17 * ratio - 0.22; break;
                case -2: edf = 0.93 * ratio - 0.36; break;
                default: edf = SimpleOverlappingEdf(alpha, md, nd + 1.0); break;
            }
            break;
        }
    }
    return std::isfinite(edf) && edf > 0.0 ? edf : kNaN;
}

Interval ConfidenceInterval(double value, double edf, double confidence) {
    if (!(std::isfinite(value) && std::isfinite(edf) && edf > 0.0 && confidence > 0.0 && confidence < 1.0)) {
        return {kNaN, kNaN};
    }
    using namespace boost::math::policies;
    using Policy = policy<domain_error<errno_on_error>, overflow_error<errno_on_error>,
                          evaluation_error<errno_on_error>, pole_error<errno_on_error>>;
    const boost::math::chi_squared_distribution<double, Policy> chi2(edf);
    const double p = (1.0 - confidence) / 2.0;
    const double upper_quantile = boost::math::quantile(chi2, 1.0 - p);
    const double lower_quantile = boost::math::quantile(chi2, p);
    if (!(upper_quantile > 0.0 && lower_quantile > 0.0)) return {kNaN, kNaN};
    return {value * std::sqrt(edf / upper_quantile), value * std::sqrt(edf / lower_quantile)};
}

}  // namespace kt
