// What the deviations and the noise identification of stability.h share: the
// phase of a series of fractional frequency values, kept as running sums so
// that any average over a span of values costs two subtractions, and the
// running count of missing values, so that a span that touches one is told
// at once. Internal to measurements/.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "measurements/stability.h"

namespace kt::stability {

struct PhaseSums {
    // x[k] = sum of (y[i] - mean) over i < k, a missing value counted as 0;
    // N + 1 entries. In units of tau0: the phase is tau0 * x.
    std::vector<double> x;
    // missing[k] = number of missing values among y[0..k), modulo 2^32 (a
    // span's count is a difference, exact for spans shorter than 2^32);
    // empty when no value is missing.
    MissingCounts missing;
    uint64_t n = 0;      // values, missing ones included
    uint64_t valid = 0;  // values present

    // Whether y[begin..end) holds no missing value.
    bool Complete(uint64_t begin, uint64_t end) const {
        return missing.empty() || missing[end] == missing[begin];
    }
    // The sum of the centred values y[begin..end).
    double Sum(uint64_t begin, uint64_t end) const { return x[end] - x[begin]; }
};

// Sums of y (a NaN or infinity is a missing value). The mean is taken as the
// first value present plus the mean of the differences from it, so that raw
// readings near 10 MHz keep their micro-hertz digits in the differences.
PhaseSums MakePhaseSums(std::span<const double> y);
// The same in place: x holds y[0..N-1] at [1..N] and becomes the sums' x;
// missing lends its memory to the sums' count of missing values.
PhaseSums MakePhaseSumsInPlace(std::vector<double>&& x, MissingCounts&& missing);

DeviationValue DeviationAt(Deviation deviation, const PhaseSums& sums, double tau0, uint64_t m);
NoiseEstimate NoiseAt(Deviation deviation, const PhaseSums& sums, uint64_t m);
// NoiseAt at each of the factors, with the passes over the sums made for all
// of them together.
std::vector<NoiseEstimate> NoiseAtEach(Deviation deviation, const PhaseSums& sums, const std::vector<uint64_t>& factors);

}  // namespace kt::stability
