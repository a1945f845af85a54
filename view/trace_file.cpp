#include "view/trace_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>

#include "measurements/csv.h"

namespace kt::view {

namespace {

constexpr std::string_view kRecordingHeader = "time,elapsed_s,reading,value,unit,function";

// A decimal keeps its digits as whole part and fraction; a number in
// exponent notation goes through a double (its digits are a double's anyway).
std::optional<SplitValue> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::string_view plain = text;
    if (plain.front() == '+') plain.remove_prefix(1);
    bool decimal = !plain.empty();
    bool digit = false;
    int points = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const char c = plain[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && points == 0) {
            ++points;
        } else if (!(c == '-' && i == 0)) {
            decimal = false;
            break;
        }
    }
    if (decimal && digit) {
        std::string exact(plain);
        if (exact.front() == '.' || (exact.front() == '-' && exact.size() > 1 && exact[1] == '.'))
            exact.insert(exact.front() == '-' ? 1 : 0, "0");
        if (exact.back() == '.') exact.pop_back();
        return SplitDecimal(exact);
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v)) return std::nullopt;
    const double whole = std::trunc(v);
    return SplitValue{whole, v - whole};
}

struct Reader {
    std::ifstream in;
    double size = 1.0;
    std::atomic<double>* progress = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    uint64_t count = 0;
    // Every 4096 rows: how far, and whether to stop.
    bool Step() {
        if ((++count & 4095) != 0) return true;
        if (progress != nullptr) {
            const auto at = in.tellg();
            if (at >= 0) progress->store(static_cast<double>(at) / size, std::memory_order_relaxed);
        }
        return cancel == nullptr || !cancel->load(std::memory_order_relaxed);
    }
};

std::string AtLine(uint64_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

void ReadRecording(Reader& r, TraceFile& out) {
    CsvReader csv(r.in);
    std::vector<std::string> fields;
    csv.Next(fields);  // the header
    struct Group {
        std::string function;
        Unit unit;
        SeriesBuilder builder;
    };
    std::vector<Group> groups;
    std::size_t total = 0;
    while (csv.Next(fields)) {
        if (!r.Step()) {
            out.cancelled = true;
            return;
        }
        if (fields.size() < 6) {
            out.error = AtLine(csv.RecordLine(), "expected 6 fields, found " + std::to_string(fields.size()));
            return;
        }
        if (fields[3].empty()) continue;  // a line that was no number
        const std::optional<SplitValue> value = ParseNumber(fields[3]);
        const std::optional<SplitValue> elapsed = ParseNumber(fields[1]);
        if (!value || !elapsed) {
            out.error = AtLine(csv.RecordLine(), "not a number: \"" + (value ? fields[1] : fields[3]) + "\"");
            return;
        }
        const Unit unit = fields[4] == "Hz" ? Unit::Hz : fields[4] == "s" ? Unit::Seconds : Unit::None;
        Group* g = nullptr;
        for (Group& candidate : groups)
            if (candidate.function == fields[5] && candidate.unit == unit) g = &candidate;
        if (g == nullptr) g = &groups.emplace_back(Group{fields[5], unit, SeriesBuilder(fields[5], unit)});
        if (++total > TraceFile::kMaxValues) {
            out.error = "more than " + std::to_string(TraceFile::kMaxValues) + " readings";
            return;
        }
        g->builder.Add(*value, elapsed->whole + elapsed->fraction);
    }
    if (!csv.Error().empty()) {
        out.error = AtLine(csv.RecordLine(), csv.Error());
        return;
    }
    for (Group& g : groups) out.series.push_back(g.builder.Finish());
    if (out.series.empty()) out.error = "no readings with a value";
}

void ReadNumbers(Reader& r, TraceFile& out, std::string first) {
    SeriesBuilder builder("", Unit::None, true);
    std::string line = std::move(first);
    uint64_t number = 1;
    bool header_allowed = true;
    do {
        if (!r.Step()) {
            out.cancelled = true;
            return;
        }
        std::string_view text = line;
        std::size_t start = text.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) continue;
        text.remove_prefix(start);
        if (text.front() == '#' || text.front() == '%') continue;
        const std::size_t end = text.find_first_of(",;\t ");
        const std::optional<SplitValue> value = ParseNumber(text.substr(0, end));
        if (!value) {
            if (header_allowed) {
                header_allowed = false;
                continue;
            }
            out.error = AtLine(number, "not a number: \"" + std::string(text.substr(0, end)) + "\"");
            return;
        }
        header_allowed = false;
        if (builder.Count() >= TraceFile::kMaxValues) {
            out.error = "more than " + std::to_string(TraceFile::kMaxValues) + " values";
            return;
        }
        builder.Add(*value, static_cast<double>(builder.Count()));
    } while (++number, std::getline(r.in, line));
    if (builder.Count() == 0) {
        out.error = "no numbers";
        return;
    }
    out.series.push_back(builder.Finish());
    out.needs_tau0 = true;
}

}  // namespace

TraceFile ReadTraceFile(const std::string& path, std::atomic<double>* progress, const std::atomic<bool>* cancel) {
    TraceFile out;
    Reader r;
    r.progress = progress;
    r.cancel = cancel;
    r.in.open(path, std::ios::binary);
    if (!r.in) {
        out.error = "cannot be opened";
        return out;
    }
    r.in.seekg(0, std::ios::end);
    const auto size = r.in.tellg();
    r.size = size > 0 ? static_cast<double>(size) : 1.0;
    r.in.seekg(0);
    std::string first;
    std::getline(r.in, first);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first == kRecordingHeader) {
        r.in.clear();
        r.in.seekg(0);
        ReadRecording(r, out);
    } else {
        ReadNumbers(r, out, std::move(first));
    }
    if (r.in.bad()) out.error = "cannot be read";
    if (progress != nullptr) progress->store(1.0);
    return out;
}

}  // namespace kt::view
