// Statistics of a series of values and its overlapping Allan deviation.
// Values around 10 MHz with millihertz noise keep their digits: sums are kept
// of differences from a shift (the series' first value), never of squares of
// the raw values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "measurements/reading.h"

namespace kt {

// Summary of a series. Fields that need more values than the series has are
// NaN (mean/min/max/span with count 0; std_dev/ppm with count < 2).
struct Stats {
    uint64_t count = 0;
    double mean = 0.0;
    double std_dev = 0.0;  // sample standard deviation (n - 1)
    double min = 0.0;
    double max = 0.0;
    double span = 0.0;     // max - min
    double ppm = 0.0;      // std_dev / |mean| * 1e6 (NaN when mean is 0)
};

// Running statistics, O(1) per value: Welford's update on differences from
// the first value, the differences taken part by part.
class RunningStats {
public:
    // Adds one value.
    void Add(double value) { Add(SplitValue{value, 0.0}); }
    // Adds one value given as its exact decimal's parts.
    void Add(SplitValue value);
    // Forgets every value.
    void Reset();
    // The summary so far.
    Stats Get() const;
    uint64_t Count() const { return count_; }

private:
    uint64_t count_ = 0;
    SplitValue shift_;     // first value
    double mean_d_ = 0.0;  // mean of d = value - shift
    double m2_ = 0.0;      // sum of squared deviations from the mean
    double min_d_ = 0.0;   // least and greatest d
    double max_d_ = 0.0;
};

// Statistics of a whole series.
Stats ComputeStats(std::span<const double> values);

// Median spacing of successive times (seconds); NaN with fewer than 2 times.
// Robust against gaps and restarts (a spacing <= 0 counts like any other).
double MedianSpacing(std::span<const double> times);
// The median of the values (the mean of the two middle ones for an even
// count), reordering them; NaN when there are none.
double MedianInPlace(std::span<double> values);

// One averaging time of an Allan deviation.
struct AdevPoint {
    uint64_t m = 0;       // averaging factor
    double tau = 0.0;     // m * tau0, seconds
    uint64_t terms = 0;   // M - 2m + 1
    double adev = 0.0;    // overlapping Allan deviation of y
};

// Overlapping Allan deviation of the fractional values y = v / mean - 1 of
// frequency readings v spaced tau0 apart, for m = 1, 2, 4, ... while
// M - 2m + 1 >= 1 (M = number of values). The definition is that of NIST
// SP 1065 (W. J. Riley, Handbook of Frequency Stability Analysis, 2008),
// section 5.2.4, the overlapping Allan variance of frequency data, eq. (11):
//   sigma_y^2(m tau0) = 1 / (2 m^2 (M - 2m + 1))
//       * sum_{j=1}^{M-2m+1} ( sum_{i=j}^{j+m-1} (y_{i+m} - y_i) )^2,
// computed in its phase form, eq. (12), with x the prefix sums of y times
// tau0: the inner sum is (x_{j+2m} - 2 x_{j+m} + x_j) / tau0. O(M log M).
// Empty with fewer than 2 values or a mean of 0.
std::vector<AdevPoint> OverlappingAdev(std::span<const double> values, double tau0);

// The same for readings given as offsets from a base (v = base + offset), as
// OffsetFrom makes them: y keeps every digit the counter sent.
std::vector<AdevPoint> OverlappingAdevOfOffsets(std::span<const double> offsets, double base, double tau0);

// The same over fractional values y that are already computed.
std::vector<AdevPoint> OverlappingAdevOfFractions(std::span<const double> y, double tau0);

}  // namespace kt
