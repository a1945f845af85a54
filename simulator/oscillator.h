// The oscillator on the counter's input, as its readings show it: the
// fractional frequency y of each reading made of white phase noise at the
// counter's resolution, white and flicker frequency noise, random-walk
// frequency noise and linear drift, with the figures of four kinds of
// oscillator.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string_view>

namespace ktsim {

// One kind of oscillator, each figure its share of the Allan deviation
// sigma_y(tau) (tau in seconds).
struct OscillatorModel {
    const char* name;
    double whiteFm;      // white FM: whiteFm / sqrt(tau)
    double flickerFm;    // flicker FM: the floor, flickerFm at every tau
    double randomWalk;   // random-walk FM: randomWalk * sqrt(tau)
    double driftPerDay;  // linear drift of y per day: drift * tau / sqrt(2)
};

// quartz, tcxo, ocxo and rubidium; null for any other name.
const OscillatorModel* FindOscillator(std::string_view name);
// "quartz|tcxo|ocxo|rubidium".
const char* OscillatorNames();

// The counter's time-stamp noise: each reading's gate starts and ends on a
// time stamp with this rms error (white phase noise, sigma_y = sqrt(3) x /
// tau). At a 100 ms gate it is 1.4 counts of the 11th digit.
inline constexpr double kCounterPhaseNoiseSeconds = 10e-12;

// The overlapping Allan deviation the model predicts for readings of a gate
// of tau0 spaced tau0, at tau = m tau0, the counter's phase noise included:
// the five variances added (the flicker floor as the sum of Markov processes
// approximates it).
double PredictedAdev(const OscillatorModel& model, double tau);

class Oscillator {
public:
    Oscillator(const OscillatorModel& model, uint32_t seed);
    // y of the next reading: a gate of `gate` seconds measured `interval`
    // seconds after the previous reading's (interval >= 0).
    double Next(double interval, double gate);

private:
    // Flicker FM as a sum of first-order Markov processes whose time
    // constants are spaced two to a decade from 0.1 s to 10^6 s: each has a
    // Lorentzian spectrum, and Lorentzians of equal variance spread evenly
    // over log f add up to h_-1 / f with h_-1 = variance / ln(spacing).
    static constexpr int kMarkov = 15;
    OscillatorModel model_;
    std::mt19937_64 engine_;
    std::normal_distribution<double> normal_{0.0, 1.0};
    std::array<double, kMarkov> markov_{};
    double markovVariance_ = 0.0;
    double walk_ = 0.0;      // random-walk FM, y
    double elapsed_ = 0.0;   // seconds since the first reading (drift)
    double phase_ = 0.0;     // the counter's time-stamp error at the last gate's end, s
    bool first_ = true;
};

}  // namespace ktsim
