#include "oscillator.h"

#include <cmath>
#include <string>

namespace ktsim {

namespace {

constexpr double kSecondsPerDay = 86'400.0;
constexpr double kMarkovSpacing = 3.1622776601683795;  // sqrt(10): two time constants a decade
constexpr double kFirstTimeConstant = 0.1;              // seconds

// Figures at tau = 1 s, chosen from typical data sheets: an uncompensated
// crystal oscillator (XO), a temperature-compensated one, an oven-controlled
// one and a rubidium standard.
constexpr OscillatorModel kModels[] = {
    {"quartz", 2e-11, 1e-10, 5e-12, 1e-8},
    {"tcxo", 5e-11, 3e-10, 5e-12, 2e-9},
    {"ocxo", 3e-13, 1e-12, 5e-15, 5e-11},
    {"rubidium", 3e-12, 5e-14, 1e-16, 2e-12},
};

}  // namespace

const OscillatorModel* FindOscillator(std::string_view name) {
    for (const OscillatorModel& m : kModels)
        if (name == m.name) return &m;
    return nullptr;
}

const char* OscillatorNames() { return "quartz|tcxo|ocxo|rubidium"; }

double PredictedAdev(const OscillatorModel& model, double tau) {
    // Allan variances of the five noises, from the power-law relations of
    // NIST SP 1065 between sigma_y^2(tau) and S_y(f) = h_alpha f^alpha:
    // white FM h0 / (2 tau) = W^2 / tau, flicker FM 2 ln2 h-1 = F^2,
    // random-walk FM (2 pi^2 / 3) h-2 tau = R^2 tau, and a linear drift D
    // gives D^2 tau^2 / 2. White PM of independent time stamps x: each
    // average over tau is a difference of two stamps over tau, so the second
    // difference of three stamps, variance 6 x^2, over 2 tau^2: 3 x^2 / tau^2.
    const double x = kCounterPhaseNoiseSeconds;
    const double drift = model.driftPerDay / kSecondsPerDay;
    const double variance = 3.0 * x * x / (tau * tau) + model.whiteFm * model.whiteFm / tau +
                            model.flickerFm * model.flickerFm + model.randomWalk * model.randomWalk * tau +
                            drift * drift * tau * tau / 2.0;
    return std::sqrt(variance);
}

Oscillator::Oscillator(const OscillatorModel& model, uint32_t seed) : model_(model), engine_(seed) {
    // sigma_y^2 = 2 ln2 h-1 (flicker FM), h-1 = variance / ln(spacing).
    markovVariance_ = model.flickerFm * model.flickerFm * std::log(kMarkovSpacing) / (2.0 * std::log(2.0));
    // Started in their steady state.
    for (double& m : markov_) m = std::sqrt(markovVariance_) * normal_(engine_);
}

double Oscillator::Next(double interval, double gate) {
    if (!(gate > 0.0)) gate = 1e-3;
    if (!(interval >= 0.0) || first_) interval = 0.0;
    elapsed_ += interval;

    double flicker = 0.0;
    double timeConstant = kFirstTimeConstant;
    for (double& m : markov_) {
        // x(t + dt) = phi x(t) + sqrt(1 - phi^2) sigma n: a Markov process of
        // variance sigma^2 and autocorrelation exp(-dt / T), sampled exactly.
        const double phi = std::exp(-interval / timeConstant);
        m = phi * m + std::sqrt((1.0 - phi * phi) * markovVariance_) * normal_(engine_);
        // A reading averages the process over its gate: a process much
        // faster than the gate mostly averages out. The variance of the
        // average of a Markov process over g is 2 (T/g)^2 (g/T - 1 + e^(-g/T))
        // times its own.
        const double r = gate / timeConstant;
        flicker += m * (r < 1e-6 ? 1.0 : std::sqrt(2.0 * (r - 1.0 + std::exp(-r)) / (r * r)));
        timeConstant *= kMarkovSpacing;
    }
    // Random walk: the variance grows by q per second; q = 3 a^2 gives a^2 tau
    // as the Allan variance of readings spaced tau0 (for m >> 1).
    walk_ += model_.randomWalk * std::sqrt(3.0 * interval) * normal_(engine_);
    // White FM averaged over the gate.
    const double white = model_.whiteFm / std::sqrt(gate) * normal_(engine_);
    const double drift = model_.driftPerDay / kSecondsPerDay * elapsed_;
    // The gate opens on the time stamp that closed the previous one when
    // readings follow back to back, on a fresh one after a gap.
    const double start = first_ || interval > gate * 1.5 ? kCounterPhaseNoiseSeconds * normal_(engine_) : phase_;
    phase_ = kCounterPhaseNoiseSeconds * normal_(engine_);
    first_ = false;
    return white + flicker + walk_ + drift + (phase_ - start) / gate;
}

}  // namespace ktsim
