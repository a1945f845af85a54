// The stability analysis of a series of fractional frequency values: the
// Allan family of deviations, the Hadamard and total deviations, the noise
// type of each point, its equivalent degrees of freedom and confidence
// interval, the linear frequency drift, and gaps in the data. Pure functions
// over a series: nothing here knows about files or windows, so that the
// command-line analyser and the readings window call the same code.
//
// The series: y[0..N-1], fractional frequency values spaced tau0 apart. A NaN
// stands for a missing reading (a gap in the data, see FillGaps): every term
// of a deviation that would need it is left out and not counted.
// Plain C++: no Qt, no POSIX.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kt {

// ---------------------------------------------------------------- deviations

enum class Deviation : uint8_t { Adev, Oadev, Mdev, Tdev, Hdev, Ohdev, Totdev };

inline constexpr std::array<Deviation, 7> kAllDeviations = {
    Deviation::Adev, Deviation::Oadev, Deviation::Mdev, Deviation::Tdev,
    Deviation::Hdev, Deviation::Ohdev, Deviation::Totdev};

// "adev", "oadev", "mdev", "tdev", "hdev", "ohdev", "totdev".
std::string_view DeviationName(Deviation deviation);
// The inverse of DeviationName (exact, lower case); nullopt for anything else.
std::optional<Deviation> ParseDeviation(std::string_view name);
// Whether the deviation is of the Hadamard kind (insensitive to linear drift).
constexpr bool IsHadamard(Deviation d) { return d == Deviation::Hdev || d == Deviation::Ohdev; }

// Which averaging factors m are analysed.
enum class TauSet : uint8_t {
    Octave,  // 1, 2, 4, 8, ...
    Decade,  // 1, 2, 4, 10, 20, 40, 100, ...
    All,     // every m
};
// "octave", "decade", "all" and back.
std::string_view TauSetName(TauSet set);
std::optional<TauSet> ParseTauSet(std::string_view name);

// The largest averaging factor the deviation is given for with n values (the
// limit the field's tools use; 0 when no point can be given).
uint64_t MaxAveragingFactor(Deviation deviation, uint64_t n);

// The averaging factors of the set, ascending, up to and including max_m.
std::vector<uint64_t> AveragingFactors(TauSet set, uint64_t max_m);

// One deviation at one averaging factor, without its interval.
struct DeviationValue {
    double value = 0.0;  // the deviation; NaN when terms == 0
    uint64_t terms = 0;  // differences averaged (those that touch a gap are not counted)
};

// The deviation of y at averaging factor m (tau = m * tau0). tau0 matters
// only for tdev (seconds) and is ignored by the others. O(N) or better.
DeviationValue ComputeDeviationAt(Deviation deviation, std::span<const double> y, double tau0, uint64_t m);

// --------------------------------------------------- noise type and intervals

// Power-law noise exponent alpha of S_y(f) ~ f^alpha: 2 white PM, 1 flicker
// PM, 0 white FM, -1 flicker FM, -2 random-walk FM (-3, -4 flicker walk and
// random run FM, possible for the Hadamard deviations).
// "white PM", "flicker PM", "white FM", "flicker FM", "random-walk FM",
// "flicker-walk FM", "random-run FM"; "" for any other alpha.
std::string_view NoiseName(int alpha);

// How the noise type of a point was found.
enum class NoiseMethod : uint8_t {
    Lag1,  // lag-1 autocorrelation of the block averages
    B1,    // B1 bias ratio (and R(n) between white and flicker PM)
    None,  // too few averages for either (fewer than 5): IdentifyNoise gives
           // white FM (0); AnalyseDeviation gives the noise type of the point
           // before it, white FM for the first
};

struct NoiseEstimate {
    int alpha = 0;
    NoiseMethod method = NoiseMethod::None;
};

// The noise type of y at averaging factor m, for the given deviation (which
// sets the number of differences the lag-1 method may take).
NoiseEstimate IdentifyNoise(Deviation deviation, std::span<const double> y, uint64_t m);

// Equivalent degrees of freedom of the deviation at averaging factor m with n
// frequency values (n + 1 phase values) and noise type alpha. NaN when none
// can be given.
double EquivalentDegreesOfFreedom(Deviation deviation, int alpha, uint64_t m, uint64_t n);

// The interval of a deviation from its edf at a confidence in (0, 1), from
// the chi-squared distribution. {NaN, NaN} when edf is not a positive number.
struct Interval {
    double low = 0.0;
    double high = 0.0;
};
Interval ConfidenceInterval(double value, double edf, double confidence);

// ------------------------------------------------------------ whole analysis

// One point of a deviation: tau, terms, noise, edf and interval.
struct DevPoint {
    uint64_t m = 0;      // averaging factor ("af")
    double tau = 0.0;    // m * tau0, seconds
    uint64_t terms = 0;
    int alpha = 0;
    NoiseMethod method = NoiseMethod::None;
    double edf = 0.0;
    double low = 0.0;    // the interval at the chosen confidence
    double value = 0.0;
    double high = 0.0;
};

struct AnalysisOptions {
    TauSet taus = TauSet::Octave;
    double confidence = 0.683;  // one sigma
};

// Every point of the deviation at the chosen averaging factors, with its
// noise type and interval. Points without a term are left out. Empty with
// too few values or a tau0 that is not a positive number.
std::vector<DevPoint> AnalyseDeviation(Deviation deviation, std::span<const double> y, double tau0,
                                       const AnalysisOptions& options = {});

// The running count of missing values of a series y[0..N): a byte a value,
// the count since the start of its block of 128, and the count before each
// block (a count of four bytes a value was paged in anew with every analysis
// of a series with a gap). counts[k] is the number missing among y[0..k),
// k <= N, modulo 2^32; the counts never fall while N < 2^32.
class MissingCounts {
public:
    bool empty() const { return within_.empty(); }
    // None, keeping the memory.
    void clear() {
        within_.clear();
        before_.clear();
    }
    // N values, none missing yet (the memory kept from before is used when
    // it is enough). Then SetMissing in ascending order, then Count.
    void Reset(uint64_t n) {
        within_.assign(static_cast<std::size_t>(n + 1), 0);
        before_.assign(static_cast<std::size_t>(n / kBlock + 1), 0);
    }
    void SetMissing(uint64_t i) { ++within_[static_cast<std::size_t>(i + 1)]; }
    void Count() {
        uint32_t total = 0, in_block = 0;
        for (std::size_t k = 0; k < within_.size(); ++k) {
            const uint32_t missing = within_[k];  // 1 when y[k-1] is missing
            total += missing;
            if (k % kBlock == 0) {
                before_[k / kBlock] = total;
                in_block = 0;
            } else {
                in_block += missing;
            }
            within_[k] = static_cast<uint8_t>(in_block);
        }
    }
    uint32_t operator[](uint64_t k) const {
        return before_[static_cast<std::size_t>(k / kBlock)] + within_[static_cast<std::size_t>(k)];
    }

private:
    static constexpr uint64_t kBlock = 128;  // a count within it fits a byte
    std::vector<uint8_t> within_;  // [k]: missing among y[k0 .. k), k0 = k's block start
    std::vector<uint32_t> before_;  // missing among y[0 .. k0) of each block
};

// The same, over values held in buffers that the caller keeps from one run
// to the next (the live series, analysed again every few seconds: ten
// million values are not allocated and paged in anew each time). On entry
// buffers.values holds y[0..N-1] at [1..N] (its [0] is free); the values
// are turned into their phase in place, so on return they are spent.
struct DeviationBuffers {
    std::vector<double> values;
    MissingCounts missing;  // working memory, only with missing values
};
std::vector<DevPoint> AnalyseDeviationInPlace(Deviation deviation, DeviationBuffers& buffers, double tau0,
                                              const AnalysisOptions& options = {});

// -------------------------------------------------------------------- drift

// Least-squares straight line y = intercept + slope * t through the values
// that are not NaN (t in seconds).
struct DriftFit {
    uint64_t count = 0;        // values fitted
    double intercept = 0.0;    // at t = 0
    double slope = 0.0;        // per second (in the unit of y)
    double slope_se = 0.0;     // standard error of slope
    bool valid = false;        // false with fewer than 3 values or all t equal
};
DriftFit FitLinearDrift(std::span<const double> t, std::span<const double> y);
// The same for values spaced tau0 apart (t = i * tau0), NaNs skipped.
DriftFit FitLinearDriftSpaced(std::span<const double> y, double tau0);
// Subtracts slope * t (not the intercept) from every value; NaN stays NaN.
void RemoveDriftSpaced(std::span<double> y, double tau0, const DriftFit& fit);

// --------------------------------------------------------------------- gaps

// Where the spacing of the times is 1.5 tau0 or more, round(spacing / tau0)
// - 1 readings are missing.
struct GapSummary {
    uint64_t gaps = 0;     // holes in the data
    uint64_t missing = 0;  // readings missing in all of them
    uint64_t longest = 0;  // readings missing in the longest
};

// The readings missing between two readings taken spacing seconds apart: 0
// below 1.5 tau0 (and for a time that went back), else round(spacing / tau0)
// - 1. A double, so that an absurd spacing can be told before it is counted.
double MissingReadings(double spacing, double tau0);

// Lays the values on the grid of tau0: values[i] taken at times[i] (seconds,
// ascending) become out, with a NaN for every missing reading. Refuses
// (returns false, out untouched) when the filled series would hold more than
// max_length values, so that a file with one absurd time cannot take all
// memory.
bool FillGaps(std::span<const double> times, std::span<const double> values, double tau0,
              std::vector<double>& out, GapSummary& summary, uint64_t max_length);

}  // namespace kt
