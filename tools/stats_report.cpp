#include "tools/stats_report.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string_view>

#include "measurements/csv.h"
#include "measurements/statistics.h"

namespace kt {

namespace {

constexpr const char* kUsage =
    "usage: kt46290-stats [--tau0 SECONDS] [--csv] [--adev] LOG.csv\n"
    "  Statistics of a recording of readings, per function and unit.\n"
    "  --csv         print function,unit,count,mean,std_dev,min,max\n"
    "  --adev        the overlapping Allan deviation of each group\n"
    "                (with --csv: function,unit,tau_s,terms,adev)\n"
    "  --tau0 S      spacing of the readings in seconds (default: the median\n"
    "                spacing of elapsed_s in each group)\n";

struct Group {
    std::string function;
    std::string unit;
    RunningStats stats;
    SplitValue base;              // the first value
    std::vector<double> offsets;  // value - base, kept only for the Allan deviation
    std::vector<double> elapsed;
};

// A decimal as the recorder writes it: [-]digits[.digits].
bool ParseDecimal(std::string_view text, double& value) {
    std::size_t i = text.substr(0, 1) == "-" ? 1 : 0;
    const std::size_t int_begin = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == int_begin) return false;
    if (i < text.size() && text[i] == '.') {
        const std::size_t frac_begin = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == frac_begin) return false;
    }
    if (i != text.size()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) return false;
    return ec == std::errc();
}

// 12 significant digits; empty for a number that does not exist (NaN).
std::string Number(double v) {
    if (std::isnan(v)) return "";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
}

std::string Readable(double v, const char* format = "%.15g") {
    if (std::isnan(v)) return "-";
    char buf[40];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string GroupName(const Group& g) {
    return g.function.empty() ? "(no function)" : g.function + (g.unit.empty() ? "" : " [" + g.unit + "]");
}

std::string CsvStart(const Group& g) {
    std::string line;
    AppendCsvField(line, g.function);
    line += ',';
    AppendCsvField(line, g.unit);
    return line;
}

double Tau0Of(const Group& g, const StatsOptions& options) {
    return options.tau0 > 0.0 ? options.tau0 : MedianSpacing(g.elapsed);
}

void PrintAdevTable(const Group& g, const StatsOptions& options, std::ostream& out, std::ostream& err) {
    const double tau0 = Tau0Of(g, options);
    if (g.offsets.size() < 2) {
        (options.csv ? err : out) << (options.csv ? "kt46290-stats: " + GroupName(g) + ": " : "  ")
                                  << "no Allan deviation: fewer than 2 readings\n";
        return;
    }
    if (!(tau0 > 0.0) || !std::isfinite(tau0)) {
        (options.csv ? err : out) << (options.csv ? "kt46290-stats: " + GroupName(g) + ": " : "  ")
                                  << "no Allan deviation: the readings' spacing is not positive; give --tau0\n";
        return;
    }
    const auto points = OverlappingAdevOfOffsets(g.offsets, g.base.whole + g.base.fraction, tau0);
    if (points.empty()) {
        (options.csv ? err : out) << (options.csv ? "kt46290-stats: " + GroupName(g) + ": " : "  ")
                                  << "no Allan deviation: the mean is 0\n";
        return;
    }
    if (options.csv) {
        for (const AdevPoint& p : points)
            out << CsvStart(g) << ',' << Number(p.tau) << ',' << p.terms << ',' << Number(p.adev) << '\n';
        return;
    }
    out << "  Allan deviation (overlapping, tau0 " << Readable(tau0, "%.6g") << " s):\n";
    char line[96];
    std::snprintf(line, sizeof line, "  %14s %10s %14s\n", "tau_s", "terms", "adev");
    out << line;
    for (const AdevPoint& p : points) {
        std::snprintf(line, sizeof line, "  %14.6g %10llu %14.6g\n", p.tau, static_cast<unsigned long long>(p.terms),
                      p.adev);
        out << line;
    }
}

void PrintSummary(const Group& g, std::ostream& out) {
    const Stats s = g.stats.Get();
    out << GroupName(g) << ": " << s.count << (s.count == 1 ? " reading" : " readings") << '\n';
    if (s.count == 0) {
        out << "  no readings with a value\n";
        return;
    }
    const std::string unit = g.unit.empty() ? "" : " " + g.unit;
    out << "  mean     " << Readable(s.mean) << unit << '\n'
        << "  std dev  " << Readable(s.std_dev, "%.6g") << unit << " (" << Readable(s.ppm, "%.6g")
        << " ppm of the mean)\n"
        << "  min      " << Readable(s.min) << unit << '\n'
        << "  max      " << Readable(s.max) << unit << '\n'
        << "  span     " << Readable(s.span, "%.6g") << unit << '\n';
}

}  // namespace

int AnalyseRecording(std::istream& in, const std::string& name, const StatsOptions& options, std::ostream& out,
                     std::ostream& err) {
    CsvReader reader(in);
    std::vector<std::string> fields;
    auto malformed = [&](const std::string& why) {
        err << "kt46290-stats: " << name << ": line " << reader.RecordLine() << ": " << why << '\n';
        return kStatsBadInput;
    };
    const std::vector<std::string> header = {"time", "elapsed_s", "reading", "value", "unit", "function"};
    if (!reader.Next(fields)) {
        if (!reader.Error().empty()) return malformed(reader.Error());
        err << "kt46290-stats: " << name << ": the file is empty\n";
        return kStatsBadInput;
    }
    if (fields != header)
        return malformed("not a recording of readings (the first line must be time,elapsed_s,reading,value,unit,function)");

    std::vector<Group> groups;
    while (reader.Next(fields)) {
        if (fields.size() != header.size())
            return malformed("expected 6 fields, found " + std::to_string(fields.size()));
        const std::string& value_text = fields[3];
        const std::string& unit = fields[4];
        const std::string& function = fields[5];
        if (unit != "" && unit != "Hz" && unit != "s") return malformed("unknown unit \"" + unit + "\"");
        double elapsed = 0.0;
        if (!ParseDecimal(fields[1], elapsed)) return malformed("elapsed_s \"" + fields[1] + "\" is not a number");
        double value = 0.0;
        if (!value_text.empty() && !ParseDecimal(value_text, value))
            return malformed("value \"" + value_text + "\" is not a number");

        Group* group = nullptr;
        for (Group& g : groups)
            if (g.function == function && g.unit == unit) group = &g;
        if (group == nullptr) group = &groups.emplace_back(Group{function, unit, {}, {}, {}, {}});
        if (value_text.empty()) continue;  // a line that was not a number
        const SplitValue split = SplitDecimal(value_text);
        if (group->stats.Count() == 0) group->base = split;
        group->stats.Add(split);
        if (options.adev) {
            group->offsets.push_back(OffsetFrom(split, group->base));
            group->elapsed.push_back(elapsed);
        }
    }
    if (!reader.Error().empty()) return malformed(reader.Error());
    if (in.bad()) {
        err << "kt46290-stats: " << name << ": read error\n";
        return kStatsCannotRead;
    }

    if (groups.empty()) {
        if (options.csv) {
            out << (options.adev ? "function,unit,tau_s,terms,adev\n" : "function,unit,count,mean,std_dev,min,max\n");
            err << "kt46290-stats: " << name << ": no readings\n";
        } else {
            out << name << ": no readings\n";
        }
        return kStatsOk;
    }
    if (options.csv && options.adev) {
        out << "function,unit,tau_s,terms,adev\n";
        for (const Group& g : groups) PrintAdevTable(g, options, out, err);
    } else if (options.csv) {
        out << "function,unit,count,mean,std_dev,min,max\n";
        for (const Group& g : groups) {
            const Stats s = g.stats.Get();
            out << CsvStart(g) << ',' << s.count << ',' << Number(s.mean) << ',' << Number(s.std_dev) << ','
                << Number(s.min) << ',' << Number(s.max) << '\n';
        }
    } else {
        for (std::size_t i = 0; i < groups.size(); ++i) {
            if (i > 0) out << '\n';
            PrintSummary(groups[i], out);
            if (options.adev && groups[i].stats.Count() > 0) PrintAdevTable(groups[i], options, out, err);
        }
    }
    return kStatsOk;
}

int RunStatsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    StatsOptions options;
    std::string path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return kStatsOk;
        } else if (a == "--csv") {
            options.csv = true;
        } else if (a == "--adev") {
            options.adev = true;
        } else if (a == "--tau0") {
            double tau0 = 0.0;
            const std::string_view text = i + 1 < args.size() ? std::string_view(args[i + 1]) : std::string_view();
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tau0);
            if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(tau0 > 0.0) ||
                !std::isfinite(tau0)) {
                err << "kt46290-stats: --tau0 needs a positive number of seconds\n" << kUsage;
                return kStatsBadInput;
            }
            options.tau0 = tau0;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "kt46290-stats: unknown option " << a << '\n' << kUsage;
            return kStatsBadInput;
        } else if (path.empty()) {
            path = a;
        } else {
            err << "kt46290-stats: one file at a time\n" << kUsage;
            return kStatsBadInput;
        }
    }
    if (path.empty()) {
        err << kUsage;
        return kStatsBadInput;
    }
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
