#include "view/stability_series.h"

#include <chrono>
#include <cmath>
#include <utility>

#include "measurements/statistics.h"

namespace kt::view {

std::size_t SeriesSnapshot::Count() const {
    std::size_t n = 0;
    for (const auto& c : chunks) n += c->offsets.size();
    return n;
}

std::shared_ptr<const SeriesSnapshot> SeriesOfReadings(const ReadingSnapshot& readings, std::string_view function,
                                                       Unit unit, uint64_t from_seq) {
    SeriesBuilder builder(std::string(function), unit);
    const std::size_t first = from_seq > readings.FirstSeq() ? static_cast<std::size_t>(from_seq - readings.FirstSeq()) : 0;
    bool started = false;
    SteadyTime origin{};
    for (std::size_t i = first; i < readings.Size(); ++i) {
        const ReadingView r = readings.At(i);
        if (!r.has_value || r.unit != unit || r.function != function) continue;
        if (!started) {
            origin = r.steady;
            started = true;
        }
        builder.Add(r.parts, std::chrono::duration<double>(r.steady - origin).count());
    }
    return builder.Finish();
}

SeriesBuilder::SeriesBuilder(std::string function, Unit unit) : snapshot_(std::make_shared<SeriesSnapshot>()) {
    snapshot_->function = std::move(function);
    snapshot_->unit = unit;
}

void SeriesBuilder::Add(SplitValue value, double time) {
    if (!have_base_) {
        snapshot_->base = value;
        have_base_ = true;
    }
    if (!tail_ || tail_->offsets.size() == SeriesChunk::kSize) {
        tail_ = std::make_shared<SeriesChunk>();
        tail_->offsets.reserve(SeriesChunk::kSize);
        tail_->times.reserve(SeriesChunk::kSize);
        snapshot_->chunks.push_back(tail_);
    }
    tail_->offsets.push_back(OffsetFrom(value, snapshot_->base));
    tail_->times.push_back(time);
}

std::size_t SeriesBuilder::Count() const { return snapshot_->Count(); }

std::shared_ptr<const SeriesSnapshot> SeriesBuilder::Finish() {
    tail_.reset();
    return std::move(snapshot_);
}

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The drift of y (fraction per second) fitted and, when asked, removed; then
// the deviation. scale: the reading's unit per unit of y (f for a frequency,
// -T for a period, 0 when the values have no unit).
void Analyse(std::vector<double>& y, double tau0, double scale, const SeriesAnalysisOptions& options,
             SeriesAnalysis& result) {
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
    result.points = AnalyseDeviation(options.deviation, y, tau0, analysis);
}

}  // namespace

SeriesAnalysis AnalyseSeries(const SeriesSnapshot& series, const SeriesAnalysisOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    SeriesAnalysis result;
    result.thread = std::this_thread::get_id();
    result.function = series.function;
    result.unit = series.unit;
    const std::size_t n = series.Count();
    result.count = n;

    std::vector<double> times;
    std::vector<double> y;
    times.reserve(n);
    y.reserve(n);
    double sum = 0.0;
    for (const auto& c : series.chunks) {
        times.insert(times.end(), c->times.begin(), c->times.end());
        for (double o : c->offsets) sum += o;
    }
    const double mean_offset = n > 0 ? sum / static_cast<double>(n) : 0.0;
    const double base = series.base.whole + series.base.fraction;
    const double mean = base + mean_offset;
    result.mean = mean;
    const bool period = series.unit == Unit::Seconds;
    for (const auto& c : series.chunks) {
        for (double o : c->offsets) {
            // The difference from the mean is taken of the offsets, which keep
            // the counter's digits; only the ratio is rounded.
            y.push_back(period ? (mean_offset - o) / (base + o) : (o - mean_offset) / mean);
        }
    }
    if (n < 2 || !(mean != 0.0) || !std::isfinite(mean)) {
        result.seconds = Since(start);
        return result;
    }
    const double tau0 = options.tau0 > 0.0 ? options.tau0 : MedianSpacing(times);
    std::vector<double> grid;
    if (!(tau0 > 0.0) || !FillGaps(times, y, tau0, grid, result.gaps, 4 * static_cast<uint64_t>(n) + 1'000'000)) {
        grid = std::move(y);  // no usable spacing: the readings side by side
        result.gaps = {};
    }
    Analyse(grid, tau0 > 0.0 ? tau0 : 1.0, period ? -mean : mean, options, result);
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
    std::vector<double> y = series.y;
    const double scale = series.kind == DataKind::Frequency ? series.reference
                         : series.kind == DataKind::Period  ? -series.reference
                                                            : 0.0;
    Analyse(y, tau0, std::isfinite(scale) ? scale : 0.0, options, result);
    result.seconds = Since(start);
    return result;
}

}  // namespace kt::view
