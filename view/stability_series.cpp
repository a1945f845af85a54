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

void LiveSeries::Reset() { *this = LiveSeries(); }

void LiveSeries::Add(const std::string& function, Unit unit, SplitValue value, double time, uint64_t seq) {
    if (count_ == 0) {
        function_ = function;
        unit_ = unit;
        base_ = value;
    }
    if (tail_.offsets.capacity() < SeriesChunk::kSize) {
        tail_.offsets.reserve(SeriesChunk::kSize);
        tail_.times.reserve(SeriesChunk::kSize);
    }
    tail_.offsets.push_back(OffsetFrom(value, base_));
    tail_.times.push_back(time);
    tail_.last_seq = seq;
    ++count_;
    if (tail_.offsets.size() == SeriesChunk::kSize) {
        full_.push_back(std::make_shared<const SeriesChunk>(std::move(tail_)));
        tail_ = SeriesChunk();
    }
}

void LiveSeries::DropBefore(uint64_t first_seq) {
    std::size_t drop = dropped_chunks_;
    while (drop < full_.size() && full_[drop]->last_seq < first_seq) {
        count_ -= full_[drop]->offsets.size();
        full_[drop].reset();
        ++drop;
    }
    dropped_chunks_ = drop;
    // Compact the list now and then, not at every drop.
    if (dropped_chunks_ > 64 && dropped_chunks_ * 2 > full_.size()) {
        full_.erase(full_.begin(), full_.begin() + static_cast<std::ptrdiff_t>(dropped_chunks_));
        dropped_chunks_ = 0;
    }
}

std::shared_ptr<const SeriesSnapshot> LiveSeries::Snapshot() const {
    auto s = std::make_shared<SeriesSnapshot>();
    s->function = function_;
    s->unit = unit_;
    s->base = base_;
    s->chunks.assign(full_.begin() + static_cast<std::ptrdiff_t>(dropped_chunks_), full_.end());
    if (!tail_.offsets.empty()) s->chunks.push_back(std::make_shared<const SeriesChunk>(tail_));
    return s;
}

SeriesBuilder::SeriesBuilder(std::string function, Unit unit, bool indexed)
    : snapshot_(std::make_shared<SeriesSnapshot>()) {
    snapshot_->function = std::move(function);
    snapshot_->indexed = indexed;
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

SeriesAnalysis AnalyseSeries(const SeriesSnapshot& series, const SeriesAnalysisOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    SeriesAnalysis result;
    result.thread = std::this_thread::get_id();
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
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    }

    const double tau0 = options.tau0 > 0.0 ? options.tau0 : series.indexed ? 1.0 : MedianSpacing(times);
    result.tau0 = tau0;
    std::vector<double> grid;
    if (series.indexed) {
        grid = std::move(y);
    } else if (!(tau0 > 0.0) || !FillGaps(times, y, tau0, grid, result.gaps, 4 * static_cast<uint64_t>(n) + 1'000'000)) {
        grid = std::move(y);  // no usable spacing: the readings side by side
        result.gaps = {};
    }
    const double step = tau0 > 0.0 ? tau0 : 1.0;

    result.drift = FitLinearDriftSpaced(grid, step);
    if (result.drift.valid) {
        result.drift_per_day = result.drift.slope * 86400.0;
        result.drift_per_day_se = result.drift.slope_se * 86400.0;
        // A fractional frequency's drift in the reading's unit: f' = y' f for
        // a frequency, T' = -y' T for a period.
        const double scale = period ? -mean : mean;
        result.drift_unit_per_s = result.drift.slope * scale;
        result.drift_unit_per_s_se = result.drift.slope_se * std::abs(mean);
        if (options.remove_drift && !IsHadamard(options.deviation)) {
            RemoveDriftSpaced(grid, step, result.drift);
            result.drift_removed = true;
        }
    }
    AnalysisOptions analysis;
    analysis.taus = options.taus;
    analysis.confidence = options.confidence;
    result.points = AnalyseDeviation(options.deviation, grid, step, analysis);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace kt::view
