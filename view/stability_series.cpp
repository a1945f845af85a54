#include "view/stability_series.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>
#include <utility>

#include "measurements/statistics.h"

namespace kt::view {

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The drift of y (fraction per second) fitted and, when asked, removed; then
// the deviation. y is buffers.values[1..]. scale: the reading's unit per unit
// of y (f for a frequency, -T for a period, 0 when the values have no unit).
void Analyse(DeviationBuffers& buffers, double tau0, double scale, const SeriesAnalysisOptions& options,
             SeriesAnalysis& result) {
    const std::span<double> y = std::span<double>(buffers.values).subspan(1);
    result.tau0 = tau0;
    result.drift = FitLinearDriftSpaced(y, tau0);
    if (result.drift.valid) {
        result.drift_per_day = result.drift.slope * 86400.0;
        result.drift_per_day_se = result.drift.slope_se * 86400.0;
        result.drift_unit_per_s = result.drift.slope * scale;
        result.drift_unit_per_s_se = result.drift.slope_se * std::abs(scale);
        if (options.remove_drift) {
            RemoveDriftSpaced(y, tau0, result.drift);
            result.drift_removed = true;
        }
    }
    AnalysisOptions analysis;
    analysis.taus = options.taus;
    analysis.confidence = options.confidence;
    result.points = AnalyseDeviationInPlace(options.deviation, buffers, tau0, analysis);
}

}  // namespace

SeriesAnalysis AnalyseLiveReadings(const LiveSeriesSource& source, const SeriesAnalysisOptions& options,
                                   DeviationBuffers& buffers) {
    const auto start = std::chrono::steady_clock::now();
    SeriesAnalysis result;
    result.thread = std::this_thread::get_id();
    result.function = source.function;
    result.unit = source.unit;
    if (!source.readings) return result;
    const LiveSeriesLayout layout = LayOutLiveSeries(*source.readings, SeriesKey{source.function, source.unit},
                                                     source.seqs, options.tau0, buffers.values);
    result.count = layout.count;
    result.mean = layout.mean;
    if (layout.laid_out) {
        result.gaps = layout.gaps;
        const double scale = source.unit == Unit::Seconds ? -layout.mean : layout.mean;
        Analyse(buffers, layout.tau0, scale, options, result);
    }
    result.seconds = Since(start);
    return result;
}

SeriesAnalysis AnalyseDataSeries(const DataSeries& series, const SeriesAnalysisOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    SeriesAnalysis result;
    result.thread = std::this_thread::get_id();
    result.function = series.function;
    result.unit = series.unit == "Hz" ? Unit::Hz : series.unit == "s" ? Unit::Seconds : Unit::None;
    result.count = series.stats.count;
    result.mean = series.stats.mean;
    result.gaps = series.gaps;
    const double tau0 = options.tau0 > 0.0 ? options.tau0 : series.tau0;
    if (!series.problem.empty() || series.y.size() < 2 || !(tau0 > 0.0)) {
        result.seconds = Since(start);
        return result;
    }
    // A buffer of its own: a recording is analysed now and then, not every second.
    DeviationBuffers buffers;
    buffers.values.resize(series.y.size() + 1);
    std::copy(series.y.begin(), series.y.end(), buffers.values.begin() + 1);
    const double scale = series.kind == DataKind::Frequency ? series.reference
                         : series.kind == DataKind::Period  ? -series.reference
                                                            : 0.0;
    Analyse(buffers, tau0, std::isfinite(scale) ? scale : 0.0, options, result);
    result.seconds = Since(start);
    return result;
}

}  // namespace kt::view
