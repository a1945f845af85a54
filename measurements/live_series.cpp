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

}  // namespace

LiveSeriesLayout LayOutLiveSeries(const ReadingSnapshot& readings, const SeriesKey& key, uint64_t from_seq,
                                  double tau0, std::vector<double>& values) {
    LiveSeriesLayout out;
    // First pass: the count, the sum of the offsets from the first value (in
    // order, so the mean is the same wherever the series is summed) and the
    // spacings of the times, kept in values for their median.
    SplitValue base;
    int64_t origin = 0;
    double last_time = 0.0;
    double sum = 0.0;
    values.clear();
    readings.VisitSeries(key, from_seq, [&](std::span<const SeriesPoint> run) {
        for (const SeriesPoint& p : run) {
            if (out.count == 0) {
                base = p.parts;
                origin = p.steady_ns;
            } else {
                const double time = Elapsed(p.steady_ns, origin);
                values.push_back(time - last_time);
                last_time = time;
            }
            sum += OffsetFrom(p.parts, base);
            ++out.count;
        }
    });
    const uint64_t n = out.count;
    const double mean_offset = n > 0 ? sum / static_cast<double>(n) : 0.0;
    const double base_value = base.whole + base.fraction;
    out.mean = base_value + mean_offset;
    if (n < 2 || !(out.mean != 0.0) || !std::isfinite(out.mean)) {
        values.clear();
        return out;
    }
    if (!(tau0 > 0.0) || !std::isfinite(tau0)) tau0 = MedianInPlace(values);

    // The gaps: what FillGaps counts reading after reading depends only on
    // each spacing, so the spacings in any order give the same figures.
    bool gapped = tau0 > 0.0 && std::isfinite(tau0);
    if (gapped) {
        const double max_length = 4.0 * static_cast<double>(n) + 1'000'000.0;
        double length = static_cast<double>(n);
        GapSummary gaps;
        for (double spacing : values) {
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

    // Second pass: y on its grid, after the free first place.
    values.resize(static_cast<std::size_t>(out.length) + 1);
    const bool period = key.unit == Unit::Seconds;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    double* y = values.data();
    std::size_t at = 1;
    uint64_t seen = 0;
    last_time = 0.0;
    readings.VisitSeries(key, from_seq, [&](std::span<const SeriesPoint> run) {
        for (const SeriesPoint& p : run) {
            if (seen++ > 0 && gapped) {
                const double time = Elapsed(p.steady_ns, origin);
                const double missing = MissingReadings(time - last_time, tau0);
                last_time = time;
                for (auto k = static_cast<uint64_t>(missing); k > 0; --k) y[at++] = kNaN;
            }
            const double o = OffsetFrom(p.parts, base);
            // Only the ratio is rounded: the difference is of exact offsets.
            y[at++] = period ? (mean_offset - o) / (base_value + o) : (o - mean_offset) / out.mean;
        }
    });
    out.laid_out = true;
    return out;
}

}  // namespace kt
