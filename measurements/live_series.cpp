#include "measurements/live_series.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "measurements/statistics.h"

namespace kt {

namespace {

// Seconds from the series' first reading, as the recording's elapsed times are.
double Elapsed(int64_t steady_ns, int64_t origin_ns) {
    return std::chrono::duration<double>(std::chrono::nanoseconds(steady_ns - origin_ns)).count();
}

// Empties values and gives it room for size values: memory kept from an
// earlier run is used when it is enough.
void Reserve(std::vector<double>& values, std::size_t size) {
    values.clear();
    if (values.capacity() >= size) return;
    std::vector<double>().swap(values);
    values.reserve(size);
}

}  // namespace

LiveSeriesLayout LayOutLiveSeries(const ReadingSnapshot& readings, const SeriesKey& key, SeqRange range, double tau0,
                                  std::vector<double>& values) {
    LiveSeriesLayout out;
    // First pass, over the times alone: the count and the spacings, kept in
    // values for their median.
    int64_t origin = 0;
    double last_time = 0.0;
    // The buffer holds the spacings now and the grid later: room for every
    // reading held in the range (growing it would leave it up to twice as
    // large, and copy it). Memory made for it and never written is never
    // paged in, so a series of a few among many readings costs what it holds.
    Reserve(values, readings.HeldIn(range) + 1);
    readings.VisitSeries(
        key, range,
        [&](std::span<const SeriesPoint> run) {
            for (const SeriesPoint& p : run) {
                if (out.count++ == 0) {
                    origin = p.steady_ns;
                    continue;
                }
                const double time = Elapsed(p.steady_ns, origin);
                values.push_back(time - last_time);
                last_time = time;
            }
        },
        false);
    const uint64_t n = out.count;
    if (n < 2) {
        // The mean of what there is, for the figures beside the chart.
        readings.VisitSeries(key, range, [&](std::span<const SeriesPoint> run) {
            for (const SeriesPoint& p : run) out.mean = p.parts.whole + p.parts.fraction;
        });
        values.clear();
        return out;
    }
    if (!(tau0 > 0.0) || !std::isfinite(tau0)) tau0 = MedianInPlace(values);

    // The gaps: what FillGaps counts reading after reading depends only on
    // each spacing, so the spacings in any order give the same figures.
    bool gapped = tau0 > 0.0 && std::isfinite(tau0);
    const double threshold = 1.5 * tau0;  // below it nothing is missing (MissingReadings)
    if (gapped) {
        const double max_length = 4.0 * static_cast<double>(n) + 1'000'000.0;
        double length = static_cast<double>(n);
        GapSummary gaps;
        for (double spacing : values) {
            if (!(spacing >= threshold)) continue;
            const double missing = MissingReadings(spacing, tau0);
            if (missing <= 0.0) continue;
            length += missing;
            ++gaps.gaps;
            const auto count = static_cast<uint64_t>(missing);
            gaps.missing += count;
            if (count > gaps.longest) gaps.longest = count;
        }
        if (length <= max_length) {
            out.gaps = gaps;
            out.length = static_cast<uint64_t>(length);
        } else {
            gapped = false;  // one absurd time: the readings side by side
        }
    }
    if (!gapped) out.length = n;
    out.tau0 = tau0 > 0.0 && std::isfinite(tau0) ? tau0 : 1.0;

    // Second pass: the offsets from the first value on the grid, after the
    // free first place, and their sum (in order, so the mean is the same
    // wherever the series is summed).
    Reserve(values, static_cast<std::size_t>(out.length) + 1);  // the spacings are spent
    values.resize(static_cast<std::size_t>(out.length) + 1);
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double* y = values.data();
    std::size_t at = 1;
    bool first = true;
    SplitValue base;
    double sum = 0.0;
    last_time = 0.0;
    readings.VisitSeries(key, range, [&](std::span<const SeriesPoint> run) {
        for (const SeriesPoint& p : run) {
            if (first) {
                base = p.parts;
                first = false;
            } else if (gapped) {
                const double time = Elapsed(p.steady_ns, origin);
                const double spacing = time - last_time;
                last_time = time;
                if (spacing >= threshold)
                    for (auto k = static_cast<uint64_t>(MissingReadings(spacing, tau0)); k > 0; --k) y[at++] = kNaN;
            }
            const double o = OffsetFrom(p.parts, base);
            sum += o;
            y[at++] = o;
        }
    });
    const double mean_offset = sum / static_cast<double>(n);
    const double base_value = base.whole + base.fraction;
    out.mean = base_value + mean_offset;
    if (!(out.mean != 0.0) || !std::isfinite(out.mean)) {
        values.clear();
        out.gaps = {};
        out.length = 0;
        out.tau0 = 0.0;
        return out;
    }
    // The offsets become y. Only the ratio is rounded: the difference is of
    // exact offsets. A NaN stays NaN.
    const double mean = out.mean;
    if (key.unit == Unit::Seconds) {
        for (std::size_t i = 1; i < values.size(); ++i) y[i] = (mean_offset - y[i]) / (base_value + y[i]);
    } else {
        for (std::size_t i = 1; i < values.size(); ++i) y[i] = (y[i] - mean_offset) / mean;
    }
    out.laid_out = true;
    return out;
}

}  // namespace kt
