#include "tools/stats_report.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <ostream>
#include <string_view>

#include "measurements/csv.h"
#include "measurements/deviation_csv.h"
#include "measurements/statistics.h"

namespace kt {

namespace {

constexpr const char* kUsage =
    "usage: kt46290-stats [--dev LIST] [--taus octave|decade|all] [--confidence P] [--remove-drift]\n"
    "                     [--data KIND] [--column N] [--nominal F] [--tau0 S] [--csv] FILE\n"
    "  Statistics, drift, gaps and stability of a file of readings: the panel's\n"
    "  recording (per function and unit) or a text, CSV or TSV file of numbers.\n"
    "  --dev LIST      deviations, comma-separated, or all: adev oadev mdev tdev\n"
    "                  hdev ohdev totdev (--adev is --dev oadev)\n"
    "  --taus SET      averaging factors: octave (1, 2, 4, ...; the default),\n"
    "                  decade (1, 2, 4, 10, 20, 40, ...) or all\n"
    "  --confidence P  of the intervals, between 0 and 1 (default 0.683, one sigma)\n"
    "  --remove-drift  take the linear frequency drift out before the deviations\n"
    "  --data KIND     frequency, fractional, period or phase (seconds); a\n"
    "                  recording's unit says it (Hz frequency, s period)\n"
    "  --column N      the column of the readings, from 1 (a file of several)\n"
    "  --nominal F     frequency (period) values relative to F instead of their mean\n"
    "  --tau0 S        spacing of the readings in seconds (default: the median\n"
    "                  spacing of elapsed_s; required for a file without times)\n"
    "  --csv           function,unit,count,mean,std_dev,min,max; with --dev\n"
    "                  function,unit,deviation,tau_s,af,terms,alpha,edf,low,value,high\n";


// 12 significant digits; empty for a number that does not exist.
std::string Number(double v) {
    if (!std::isfinite(v)) return "";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
}

std::string Readable(double v, const char* format = "%.15g") {
    if (!std::isfinite(v)) return "-";
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string GroupName(const DataSeries& s) {
    if (s.function.empty() && s.unit.empty()) return "readings";
    return (s.function.empty() ? "(no function)" : s.function) + (s.unit.empty() ? "" : " [" + s.unit + "]");
}

std::string CsvStart(const DataSeries& s) {
    std::string line;
    AppendCsvField(line, s.function);
    line += ',';
    AppendCsvField(line, s.unit);
    return line;
}

std::string_view DeviationTitle(Deviation d) {
    switch (d) {
    case Deviation::Adev: return "Allan deviation";
    case Deviation::Oadev: return "overlapping Allan deviation";
    case Deviation::Mdev: return "modified Allan deviation";
    case Deviation::Tdev: return "time deviation (seconds)";
    case Deviation::Hdev: return "Hadamard deviation";
    case Deviation::Ohdev: return "overlapping Hadamard deviation";
    case Deviation::Totdev: return "total deviation";
    }
    return "";
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Why the group has no stability analysis; empty when it has one.
std::string NoAnalysis(const DataSeries& s) {
    if (s.stats.count == 0) return "no readings with a value";
    if (!s.problem.empty()) return s.problem;
    if (!std::isfinite(s.tau0))
        return s.stats.count < 2 ? "one reading: no spacing, no drift, no deviation"
                                 : "the readings' spacing is not positive; give --tau0";
    return "";
}

void PrintSummary(const DataSeries& s, std::ostream& out) {
    const Stats& st = s.stats;
    out << GroupName(s) << ": " << st.count << (st.count == 1 ? " reading" : " readings");
    if (st.count > 0) out << " (" << DataKindName(s.kind) << ")";
    out << '\n';
    if (st.count == 0) {
        out << "  no readings with a value\n";
        return;
    }
    const std::string unit = s.unit.empty() ? "" : " " + s.unit;
    out << "  mean     " << Readable(st.mean) << unit << '\n'
        << "  std dev  " << Readable(st.std_dev, "%.6g") << unit << " (" << Readable(st.ppm, "%.6g")
        << " ppm of the mean)\n"
        << "  min      " << Readable(st.min) << unit << '\n'
        << "  max      " << Readable(st.max) << unit << '\n'
        << "  span     " << Readable(st.span, "%.6g") << unit << '\n';
    if (std::isfinite(s.tau0))
        out << "  tau0     " << Readable(s.tau0, "%.6g") << " s"
            << (s.tau0_measured ? " (the median spacing of elapsed_s)" : "") << '\n';
    if (s.has_times && std::isfinite(s.tau0)) {
        out << "  gaps     ";
        if (s.gaps.gaps == 0) {
            out << "none\n";
        } else {
            out << s.gaps.gaps << (s.gaps.gaps == 1 ? " gap, " : " gaps, ") << s.gaps.missing
                << (s.gaps.missing == 1 ? " reading" : " readings") << " missing, the longest " << s.gaps.longest
                << "; terms that need a missing reading are left out\n";
        }
        if (s.restarts > 0)
            out << "           elapsed_s went back " << s.restarts << (s.restarts == 1 ? " time" : " times")
                << " (recordings appended): joined without a gap\n";
    }
}

void PrintDrift(const DataSeries& s, const DriftFit& fit, bool removed, std::ostream& out) {
    out << "  drift    ";
    if (!fit.valid) {
        out << "not given: fewer than 3 readings\n";
        return;
    }
    char buf[160];
    std::snprintf(buf, sizeof buf, "%+.4g ± %.2g per day (fractional frequency)", fit.slope * 86400.0,
                  fit.slope_se * 86400.0);
    out << buf;
    if (std::isfinite(s.reference) && (s.kind == DataKind::Frequency || s.kind == DataKind::Period)) {
        // y = f / F - 1 moves as f; for a period y = T / T_i - 1 moves against T.
        const double scale = s.kind == DataKind::Frequency ? s.reference : -s.reference;
        std::snprintf(buf, sizeof buf, ", %+.4g ± %.2g %s/s", fit.slope * scale, fit.slope_se * std::fabs(scale),
                      s.kind == DataKind::Frequency ? "Hz" : "s");
        out << buf;
    }
    out << '\n';
    if (removed) out << "           removed before the deviations\n";
}

void PrintDeviationTable(Deviation d, const std::vector<DevPoint>& points, std::ostream& out) {
    out << "  " << DeviationName(d) << ": " << DeviationTitle(d);
    if (IsHadamard(d)) out << "; ignores linear frequency drift by its construction";
    out << '\n';
    char line[200];
    std::snprintf(line, sizeof line, "  %12s %8s %10s %6s %-15s %9s %12s %12s %12s\n", "tau_s", "af", "terms", "alpha",
                  "noise", "edf", "low", "value", "high");
    out << line;
    for (const DevPoint& p : points) {
        std::snprintf(line, sizeof line, "  %12.6g %8llu %10llu %6d %-15s %9s %12s %12.6g %12s\n", p.tau,
                      static_cast<unsigned long long>(p.m), static_cast<unsigned long long>(p.terms), p.alpha,
                      std::string(NoiseName(p.alpha)).c_str(), Readable(p.edf, "%.1f").c_str(),
                      Readable(p.low, "%.6g").c_str(), p.value, Readable(p.high, "%.6g").c_str());
        out << line;
    }
}

bool ParseNumber(std::string_view text, double& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

int AnalyseRecording(std::istream& in, const std::string& name, const StatsOptions& options, std::ostream& out,
                     std::ostream& err) {
    DataFileOptions read;
    read.kind = options.kind;
    read.column = options.column;
    read.tau0 = options.tau0;
    read.nominal = options.nominal;
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    DataFile file = ReadDataFile(in, read);
    const auto t1 = std::chrono::steady_clock::now();
    if (options.timing) {
        char buf[160];
        const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        std::snprintf(buf, sizeof buf, "timing: read %.1f MB in %.3f s (%.0f MB/s), CPU %.3f s (%.0f MB/s)\n",
                      static_cast<double>(file.bytes) / 1e6, Seconds(t1 - t0),
                      static_cast<double>(file.bytes) / 1e6 / Seconds(t1 - t0), cpu,
                      static_cast<double>(file.bytes) / 1e6 / cpu);
        err << buf;
    }
    if (file.status == DataFileStatus::Unreadable || in.bad()) {
        err << "kt46290-stats: " << name << ": " << (file.error.empty() ? "read error" : file.error) << '\n';
        return kStatsCannotRead;
    }
    if (file.status != DataFileStatus::Ok) {
        err << "kt46290-stats: " << name << ": ";
        if (file.error_line > 0) err << "line " << file.error_line << ": ";
        err << file.error << '\n';
        return kStatsBadInput;
    }
    const bool deviations = !options.deviations.empty();
    if (!file.recording && !(options.tau0 > 0.0) && (deviations || !options.csv)) {
        err << "kt46290-stats: " << name
            << ": the file has no times: give the spacing of its readings with --tau0 SECONDS\n";
        return kStatsBadInput;
    }

    if (file.series.empty()) {
        if (options.csv) {
            out << (deviations ? kDeviationCsvHeader : std::string_view("function,unit,count,mean,std_dev,min,max\n"));
            err << "kt46290-stats: " << name << ": no readings\n";
        } else {
            out << name << ": no readings\n";
        }
        return kStatsOk;
    }
    if (options.csv && !deviations) {
        out << "function,unit,count,mean,std_dev,min,max\n";
        for (const DataSeries& s : file.series) {
            const Stats& st = s.stats;
            out << CsvStart(s) << ',' << st.count << ',' << Number(st.mean) << ',' << Number(st.std_dev) << ','
                << Number(st.min) << ',' << Number(st.max) << '\n';
        }
        return kStatsOk;
    }

    if (options.csv) out << kDeviationCsvHeader;
    AnalysisOptions analysis;
    analysis.taus = options.taus;
    analysis.confidence = options.confidence;
    for (std::size_t g = 0; g < file.series.size(); ++g) {
        DataSeries& s = file.series[g];
        if (!options.csv) {
            if (g > 0) out << '\n';
            PrintSummary(s, out);
        }
        const std::string why = NoAnalysis(s);
        if (!why.empty()) {
            if (options.csv) {
                err << "kt46290-stats: " << GroupName(s) << ": " << why << '\n';
            } else if (s.stats.count > 0) {
                out << "  " << why << '\n';
            }
            continue;
        }
        const DriftFit fit = FitLinearDriftSpaced(s.y, s.tau0);
        if (!options.csv) PrintDrift(s, fit, options.remove_drift && fit.valid, out);
        if (options.remove_drift) RemoveDriftSpaced(s.y, s.tau0, fit);
        if (!options.csv && deviations) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "  intervals at %.4g %% confidence; alpha: the noise type\n",
                          options.confidence * 100.0);
            out << buf;
        }
        for (Deviation d : options.deviations) {
            const auto d0 = std::chrono::steady_clock::now();
            const std::clock_t dc0 = std::clock();
            const std::vector<DevPoint> points = AnalyseDeviation(d, s.y, s.tau0, analysis);
            if (options.timing) {
                char buf[120];
                std::snprintf(buf, sizeof buf, "timing: %s %.3f s, CPU %.3f s (%zu points, %zu values)\n",
                              std::string(DeviationName(d)).c_str(), Seconds(std::chrono::steady_clock::now() - d0),
                              static_cast<double>(std::clock() - dc0) / CLOCKS_PER_SEC, points.size(), s.y.size());
                err << buf;
            }
            if (points.empty()) {
                const std::string msg = std::string(DeviationName(d)) + ": too few readings for any point";
                if (options.csv)
                    err << "kt46290-stats: " << GroupName(s) << ": " << msg << '\n';
                else
                    out << "  " << msg << '\n';
                continue;
            }
            if (!options.csv) {
                PrintDeviationTable(d, points, out);
                continue;
            }
            // The row the readings window's table export writes too.
            std::string rows;
            for (const DevPoint& p : points) AppendDeviationCsvRow(rows, s.function, s.unit, d, p);
            out << rows;
        }
    }
    return kStatsOk;
}

int RunStatsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StatsOptions options;
    std::string path;
    auto bad = [&](const std::string& why) {
        err << "kt46290-stats: " << why << '\n' << kUsage;
        return kStatsBadInput;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takes_value = a == "--dev" || a == "--taus" || a == "--confidence" || a == "--data" ||
                                 a == "--column" || a == "--nominal" || a == "--tau0";
        if (takes_value && i + 1 >= args.size()) return bad(a + " needs a value");
        const std::string_view value = takes_value ? std::string_view(args[++i]) : std::string_view();
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return kStatsOk;
        } else if (a == "--csv") {
            options.csv = true;
        } else if (a == "--adev") {
            options.deviations = {Deviation::Oadev};
        } else if (a == "--remove-drift") {
            options.remove_drift = true;
        } else if (a == "--timing") {
            options.timing = true;
        } else if (a == "--dev") {
            options.deviations.clear();
            if (value == "all") {
                options.deviations.assign(kAllDeviations.begin(), kAllDeviations.end());
                continue;
            }
            std::size_t start = 0;
            for (;;) {
                const std::size_t comma = value.find(',', start);
                const std::string_view item = value.substr(start, comma == std::string_view::npos ? comma : comma - start);
                const auto d = ParseDeviation(item);
                if (!d) return bad("unknown deviation \"" + std::string(item) + "\" (adev oadev mdev tdev hdev ohdev totdev or all)");
                options.deviations.push_back(*d);
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
        } else if (a == "--taus") {
            const auto set = ParseTauSet(value);
            if (!set) return bad("--taus is octave, decade or all");
            options.taus = *set;
        } else if (a == "--confidence") {
            double p = 0.0;
            if (!ParseNumber(value, p) || !(p > 0.0 && p < 1.0)) return bad("--confidence needs a number between 0 and 1");
            options.confidence = p;
        } else if (a == "--data") {
            options.kind = ParseDataKind(value);
            if (!options.kind) return bad("--data is frequency, fractional, period or phase");
        } else if (a == "--column") {
            uint32_t column = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), column);
            if (value.empty() || ec != std::errc() || end != value.data() + value.size() || column == 0)
                return bad("--column needs a column number from 1");
            options.column = column;
        } else if (a == "--nominal") {
            ExactDecimal nominal;
            if (!ParseExactDecimal(value, nominal) || !DecimalInRange(nominal) || nominal.negative ||
                nominal.digits == 0)
                return bad("--nominal needs a positive number (Hz for frequency, s for period)");
            options.nominal = nominal;
        } else if (a == "--tau0") {
            double tau0 = 0.0;
            if (!ParseNumber(value, tau0) || !(tau0 > 0.0)) return bad("--tau0 needs a positive number of seconds");
            options.tau0 = tau0;
        } else if (a.size() > 1 && a[0] == '-') {
            return bad("unknown option " + a);
        } else if (path.empty()) {
            path = a;
        } else {
            return bad("one file at a time");
        }
    }
    if (path.empty()) {
        err << kUsage;
        return kStatsBadInput;
    }
    if (options.nominal && options.kind && (*options.kind == DataKind::Fractional || *options.kind == DataKind::Phase))
        return bad("--nominal is for frequency or period data");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "kt46290-stats: cannot open " << path;
        if (errno != 0) err << ": " << std::strerror(errno);
        err << '\n';
        return kStatsCannotRead;
    }
    return AnalyseRecording(in, path, options, out, err);
}

}  // namespace kt
