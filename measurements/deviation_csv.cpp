#include "measurements/deviation_csv.h"

#include <cmath>
#include <cstdio>

#include "measurements/csv.h"

namespace kt {

void AppendCsvNumber(std::string& out, double value) {
    if (!std::isfinite(value)) return;
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%.12g", value);
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
}

void AppendDeviationCsvRow(std::string& out, std::string_view function, std::string_view unit, Deviation deviation,
                           const DevPoint& point) {
    AppendCsvField(out, function);
    out += ',';
    AppendCsvField(out, unit);
    out += ',';
    out += DeviationName(deviation);
    out += ',';
    AppendCsvNumber(out, point.tau);
    out += ',';
    out += std::to_string(point.m);
    out += ',';
    out += std::to_string(point.terms);
    out += ',';
    out += std::to_string(point.alpha);
    for (double v : {point.edf, point.low, point.value, point.high}) {
        out += ',';
        AppendCsvNumber(out, v);
    }
    out += '\n';
}

}  // namespace kt
