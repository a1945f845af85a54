#include "measurements/data_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <utility>

namespace kt {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kRecordingHeader = "time,elapsed_s,reading,value,unit,function";
constexpr std::size_t kReadBlock = std::size_t{1} << 20;  // bytes read at a time
constexpr std::size_t kMaxGroups = 4096;
constexpr double kMaxElapsed = 1e12;  // seconds: some 30,000 years

// Values in blocks of at most kSize: growing never copies more than one
// block, and a block can be let go as soon as it has been used.
class Blocks {
public:
    static constexpr std::size_t kSize = std::size_t{1} << 16;
    void Push(double v) {
        if (blocks_.empty() || blocks_.back().size() == kSize) blocks_.emplace_back();
        blocks_.back().push_back(v);
        ++size_;
    }
    std::size_t Size() const { return size_; }
    double operator[](std::size_t i) const { return blocks_[i / kSize][i % kSize]; }
    // Lets block b go (its values must not be read again).
    void Release(std::size_t b) {
        if (b < blocks_.size()) std::vector<double>().swap(blocks_[b]);
    }
    void Clear() {
        blocks_.clear();
        size_ = 0;
    }

private:
    std::vector<std::vector<double>> blocks_;
    std::size_t size_ = 0;
};

double Pow10(int k) {  // 10^k for 0 <= k <= 308, exact up to 10^22
    static constexpr std::array<double, 23> kExact = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (k <= 22) return kExact[static_cast<std::size_t>(k)];
    return std::pow(10.0, k);
}

constexpr std::array<uint64_t, 20> kPow10u = {1ull,
                                              10ull,
                                              100ull,
                                              1000ull,
                                              10000ull,
                                              100000ull,
                                              1000000ull,
                                              10000000ull,
                                              100000000ull,
                                              1000000000ull,
                                              10000000000ull,
                                              100000000000ull,
                                              1000000000000ull,
                                              10000000000000ull,
                                              100000000000000ull,
                                              1000000000000000ull,
                                              10000000000000000ull,
                                              100000000000000000ull,
                                              1000000000000000000ull,
                                              10000000000000000000ull};

int SignificantDigits(uint64_t digits) {
    int n = 1;
    while (n < 20 && digits >= kPow10u[static_cast<std::size_t>(n)]) ++n;
    return n;
}

double ToDouble(const ExactDecimal& v) {
    // Up to 2^53 digits and 10^22 both are exact doubles, so one division
    // or product rounds correctly (Clinger, "How to read floating point
    // numbers accurately", 1990: the fast path).
    if (v.digits <= (uint64_t{1} << 53) && v.exponent >= -22 && v.exponent <= 22) {
        const double d = static_cast<double>(v.digits);
        const double r = v.exponent < 0 ? d / Pow10(-v.exponent) : d * Pow10(v.exponent);
        return v.negative ? -r : r;
    }
    const SplitValue s = SplitExact(v);
    return s.whole + s.fraction;
}

// digits / 10^K and digits % 10^K with K a constant: the compiler turns the
// division into a multiplication.
template <int K>
void DivideByPow10(uint64_t digits, uint64_t& q, uint64_t& r) {
    constexpr uint64_t p = kPow10u[K];
    q = digits / p;
    r = digits % p;
}

template <int... K>
void DivideByPow10(int k, uint64_t digits, uint64_t& q, uint64_t& r, std::integer_sequence<int, K...>) {
    (void)((k == K ? (DivideByPow10<K>(digits, q, r), true) : false) || ...);
}

// A double as a key whose unsigned order is the order of the doubles.
uint64_t OrderKey(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}
double FromOrderKey(uint64_t key) {
    const uint64_t bits = (key >> 63) != 0 ? key & ~(uint64_t{1} << 63) : ~key;
    double v = 0.0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The spacing of rank `rank` (from 0, ascending) among t[i] - t[i-1], by a
// radix selection 16 bits at a time: four passes over the times, no copy.
double SelectSpacing(const Blocks& t, uint64_t rank) {
    std::vector<uint64_t> count(65536);
    uint64_t prefix = 0;
    for (int pass = 0; pass < 4; ++pass) {
        const int shift = 48 - 16 * pass;
        std::fill(count.begin(), count.end(), 0);
        for (std::size_t i = 1; i < t.Size(); ++i) {
            const uint64_t key = OrderKey(t[i] - t[i - 1]);
            if (pass == 0 || (key >> (shift + 16)) == prefix) ++count[(key >> shift) & 0xffff];
        }
        std::size_t bin = 0;
        while (bin + 1 < count.size() && rank >= count[bin]) rank -= count[bin++];
        prefix = (prefix << 16) | bin;
    }
    return FromOrderKey(prefix);
}

// The median of t[i] - t[i-1] (the mean of the middle two for an even count).
double MedianSpacingOf(const Blocks& t) {
    const uint64_t m = t.Size() - 1;
    if (m <= 4096) {  // a copy costs less than the passes
        std::vector<double> times(t.Size());
        for (std::size_t i = 0; i < t.Size(); ++i) times[i] = t[i];
        return MedianSpacing(times);
    }
    const double lower = SelectSpacing(t, (m - 1) / 2);
    if (m % 2 == 1) return lower;
    // The next one up: the same value when it occurs often enough, else the
    // least above it.
    uint64_t at_most = 0;
    double above = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < t.Size(); ++i) {
        const double spacing = t[i] - t[i - 1];
        if (OrderKey(spacing) <= OrderKey(lower)) ++at_most;
        else if (spacing < above) above = spacing;
    }
    return (lower + (at_most > m / 2 ? lower : above)) / 2.0;
}

// Kahan-compensated mean of the held values.
double MeanOf(const Blocks& d) {
    double sum = 0.0;
    double carry = 0.0;
    for (std::size_t i = 0; i < d.Size(); ++i) {
        const double v = d[i] - carry;
        const double next = sum + v;
        carry = (next - sum) - v;
        sum = next;
    }
    return sum / static_cast<double>(d.Size());
}

// The next field of a CSV record (RFC 4180) from i: its text without the
// enclosing quotes (doubled quotes still doubled) and whether it was quoted;
// last after the record's final field. An error's words, or nullptr.
const char* NextCsvField(std::string_view rec, std::size_t& i, std::string_view& field, bool& quoted,
                         bool& last) {
    if (i < rec.size() && rec[i] == '"') {
        std::size_t j = i + 1;
        std::size_t close = 0;
        for (;;) {
            close = rec.find('"', j);
            if (close == std::string_view::npos) return "a quoted field is not closed";
            if (close + 1 < rec.size() && rec[close + 1] == '"') {
                j = close + 2;
                continue;
            }
            break;
        }
        field = rec.substr(i + 1, close - i - 1);
        quoted = true;
        const std::size_t after = close + 1;
        if (after == rec.size()) {
            last = true;
            i = after;
        } else if (rec[after] == ',') {
            i = after + 1;
        } else {
            return "characters after the closing quote of a field";
        }
        return nullptr;
    }
    const std::size_t comma = rec.find(',', i);
    field = rec.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i);
    quoted = false;
    if (field.find('"') != std::string_view::npos) return "a quote inside an unquoted field";
    if (comma == std::string_view::npos) {
        last = true;
        i = rec.size();
    } else {
        i = comma + 1;
    }
    return nullptr;
}

void Unquote(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        out += field[i];
        if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s, bool tabs) {
    auto blank = [tabs](char c) { return c == ' ' || (tabs && c == '\t'); };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

// The columns of a line of a text file: split by tab, else semicolon, else
// comma (each one a separator, blanks around a field dropped, a final empty
// field after a trailing separator not counted), else by runs of blanks.
// Returns how many there are and sets field to column `want` (from 0).
std::size_t Columns(std::string_view line, std::size_t want, std::string_view& field) {
    char sep = ' ';
    if (line.find('\t') != std::string_view::npos) sep = '\t';
    else if (line.find(';') != std::string_view::npos) sep = ';';
    else if (line.find(',') != std::string_view::npos) sep = ',';
    std::size_t count = 0;
    std::size_t i = 0;
    if (sep == ' ') {
        for (;;) {
            while (i < line.size() && IsBlank(line[i])) ++i;
            if (i == line.size()) break;
            const std::size_t begin = i;
            while (i < line.size() && !IsBlank(line[i])) ++i;
            if (count == want) field = Trim(line.substr(begin, i - begin), true);
            ++count;
        }
        return count;
    }
    for (;;) {
        const std::size_t at = line.find(sep, i);
        const std::string_view raw = line.substr(i, at == std::string_view::npos ? std::string_view::npos : at - i);
        const bool final_empty = at == std::string_view::npos && count > 0 && Trim(raw, sep != '\t').empty();
        if (!final_empty) {
            if (count == want) field = Trim(raw, sep != '\t');
            ++count;
        }
        if (at == std::string_view::npos) break;
        i = at + 1;
    }
    return count;
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    out += text.substr(0, kShown);
    if (text.size() > kShown) out += "...";
    out += '"';
    return out;
}

std::string Format(const char* format, double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

}  // namespace

std::string_view DataKindName(DataKind kind) {
    switch (kind) {
    case DataKind::Frequency: return "frequency";
    case DataKind::Fractional: return "fractional";
    case DataKind::Period: return "period";
    case DataKind::Phase: return "phase";
    }
    return "";
}

std::optional<DataKind> ParseDataKind(std::string_view name) {
    for (DataKind k : {DataKind::Frequency, DataKind::Fractional, DataKind::Period, DataKind::Phase})
        if (DataKindName(k) == name) return k;
    return std::nullopt;
}

bool ParseExactDecimal(std::string_view s, ExactDecimal& out) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    uint64_t digits = 0;
    int kept = 0;            // significant digits in digits
    int64_t exponent = 0;    // value = digits * 10^exponent
    bool any = false;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        const auto d = static_cast<uint64_t>(s[i++] - '0');
        any = true;
        if (digits == 0 && d == 0) continue;  // a leading zero
        if (kept < 19) {
            digits = digits * 10 + d;
            ++kept;
        } else {
            ++exponent;  // a digit beyond those kept: its place still counts
        }
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') {
            const auto d = static_cast<uint64_t>(s[i++] - '0');
            any = true;
            if (digits == 0 && d == 0) {
                --exponent;
            } else if (kept < 19) {
                digits = digits * 10 + d;
                ++kept;
                --exponent;
            }
        }
    }
    if (!any) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool exp_negative = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
        const std::size_t begin = i;
        int64_t e = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') {
            if (e < 1'000'000) e = e * 10 + (s[i] - '0');
            ++i;
        }
        if (i == begin) return false;
        exponent += exp_negative ? -e : e;
    }
    if (i != n) return false;
    out.negative = negative;
    out.digits = digits;
    out.exponent = digits == 0 ? 0 : static_cast<int32_t>(std::clamp<int64_t>(exponent, -2'000'000, 2'000'000));
    return true;
}

bool DecimalInRange(const ExactDecimal& v) {
    if (v.digits == 0) return true;
    const int64_t order = int64_t{v.exponent} + SignificantDigits(v.digits) - 1;
    return order >= -300 && order <= 299;
}

SplitValue SplitExact(const ExactDecimal& v) {
    SplitValue out;
    if (v.digits == 0 || !DecimalInRange(v)) return out;
    if (v.exponent >= 0) {
        out.whole = static_cast<double>(v.digits) * Pow10(v.exponent);
    } else if (v.exponent >= -19) {
        uint64_t q = 0;
        uint64_t r = 0;
        DivideByPow10(-v.exponent, v.digits, q, r, std::make_integer_sequence<int, 20>{});
        out.whole = static_cast<double>(q);
        out.fraction = static_cast<double>(r) / Pow10(-v.exponent);
    } else if (v.exponent >= -300) {
        out.fraction = static_cast<double>(v.digits) / Pow10(-v.exponent);
    } else {
        out.fraction = static_cast<double>(v.digits) / 1e20 / Pow10(-v.exponent - 20);
    }
    if (v.negative) {
        out.whole = -out.whole;
        out.fraction = -out.fraction;
    }
    return out;
}

// ------------------------------------------------------------------ reader

struct DataFileReader::Impl {
    struct Group {
        std::string function;
        std::string unit;
        DataKind kind = DataKind::Frequency;
        RunningStats stats;
        SplitValue base;        // the first value
        double base_value = 0.0;
        Blocks offsets;         // value - base
        Blocks times;           // elapsed_s (a recording)
        uint64_t no_value = 0;
        double widest = -1.0;   // the widest spacing of the times and its line
        uint64_t widest_line = 0;
    };

    explicit Impl(DataFileOptions o) : options(std::move(o)) {}

    DataFileOptions options;
    enum class Mode : uint8_t { Start, Recording, Text } mode = Mode::Start;
    uint64_t line = 0;         // physical lines begun
    uint64_t record_line = 0;  // where the record being read began
    bool open = false;         // a record has begun and not ended
    bool in_quotes = false;    // ... inside a quoted field (a recording)
    std::string pending;       // the record so far, when it spans a block or lines
    bool failed = false;
    bool finished = false;
    DataFile result;
    std::vector<std::unique_ptr<Group>> groups;
    std::unordered_map<std::string, std::size_t> index;  // function '\0' unit -> group
    std::size_t last = 0;
    std::string scratch;
    std::string key;
    bool header_seen = false;  // a text file's header line
    bool data_seen = false;

    bool Fail(uint64_t at, std::string what) {
        if (!failed) {
            failed = true;
            result.status = DataFileStatus::Malformed;
            result.error_line = at;
            result.error = std::move(what);
        }
        return false;
    }

    static std::size_t Quotes(std::string_view s) {
        std::size_t count = 0;
        const char* p = s.data();
        const char* end = p + s.size();
        while ((p = static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end - p)))) != nullptr) {
            ++count;
            ++p;
        }
        return count;
    }

    Group& Find(std::string_view function, std::string_view unit) {
        if (!groups.empty()) {
            Group& g = *groups[last];
            if (g.function == function && g.unit == unit) return g;
        }
        key.assign(function);
        key += '\0';
        key += unit;
        const auto it = index.find(key);
        if (it != index.end()) {
            last = it->second;
            return *groups[last];
        }
        auto g = std::make_unique<Group>();
        g->function.assign(function);
        g->unit.assign(unit);
        g->kind = options.kind ? *options.kind : (unit == "s" ? DataKind::Period : DataKind::Frequency);
        last = groups.size();
        index.emplace(key, last);
        groups.push_back(std::move(g));
        return *groups[last];
    }

    void Add(Group& g, const ExactDecimal& value, double time, bool timed) {
        const SplitValue split = SplitExact(value);
        if (g.offsets.Size() == 0) {
            g.base = split;
            g.base_value = split.whole + split.fraction;
        }
        g.stats.Add(split);
        g.offsets.Push(OffsetFrom(split, g.base));
        if (!timed) return;
        if (g.times.Size() > 0) {
            const double spacing = time - g.times[g.times.Size() - 1];
            if (spacing > g.widest) {
                g.widest = spacing;
                g.widest_line = record_line;
            }
        }
        g.times.Push(time);
    }

    // quote_free: the row is known to hold no quote.
    bool RecordingRow(std::string_view rec, bool quote_free) {
        std::array<std::string_view, 6> f;
        std::array<bool, 6> quoted{};
        std::size_t count = 0;
        if (quote_free || std::memchr(rec.data(), '"', rec.size()) == nullptr) {
            // No quote in the row (as the recorder writes almost every one):
            // the fields lie between the commas.
            const char* p = rec.data();
            const char* end = p + rec.size();
            for (;;) {
                const auto* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
                const char* stop = comma != nullptr ? comma : end;
                if (count < f.size()) f[count] = std::string_view(p, static_cast<std::size_t>(stop - p));
                ++count;
                if (comma == nullptr) break;
                p = comma + 1;
            }
        } else {
            std::size_t i = 0;
            bool last_field = false;
            while (!last_field) {
                std::string_view field;
                bool q = false;
                if (const char* e = NextCsvField(rec, i, field, q, last_field)) return Fail(record_line, e);
                if (count < f.size()) {
                    f[count] = field;
                    quoted[count] = q;
                }
                ++count;
            }
        }
        if (count != f.size())
            return Fail(record_line, "expected 6 fields, found " + std::to_string(count));
        const std::string_view unit = f[4];
        if (quoted[4] || (unit != "" && unit != "Hz" && unit != "s"))
            return Fail(record_line, "unknown unit " + Quoted(unit));
        ExactDecimal elapsed;
        if (quoted[1] || !ParseExactDecimal(f[1], elapsed))
            return Fail(record_line, "elapsed_s " + Quoted(f[1]) + " is not a number");
        const double t = DecimalInRange(elapsed) ? ToDouble(elapsed) : kNaN;
        if (!(std::fabs(t) <= kMaxElapsed)) return Fail(record_line, "elapsed_s " + Quoted(f[1]) + " is out of range");
        std::string_view function = f[5];
        if (quoted[5]) {
            Unquote(function, scratch);
            function = scratch;
        }
        if (groups.size() == kMaxGroups && index.find(std::string(function) + '\0' + std::string(unit)) == index.end())
            return Fail(record_line, "more than 4096 different functions and units");
        Group& g = Find(function, unit);
        if (f[3].empty() && !quoted[3]) {
            ++g.no_value;
            return true;
        }
        ExactDecimal value;
        if (quoted[3] || !ParseExactDecimal(f[3], value))
            return Fail(record_line, "value " + Quoted(f[3]) + " is not a number");
        if (!DecimalInRange(value)) return Fail(record_line, "value " + Quoted(f[3]) + " is out of range");
        Add(g, value, t, true);
        return true;
    }

    bool TextRow(std::string_view rec) {
        const bool may_be_header = !header_seen && !data_seen;
        const std::size_t want = options.column == 0 ? 0 : options.column - 1;
        std::string_view field;
        const std::size_t count = Columns(rec, want, field);
        auto header_or = [&](std::string what) {
            if (may_be_header) {
                header_seen = true;
                return true;
            }
            return Fail(record_line, std::move(what));
        };
        if (options.column == 0 && count > 1)
            return header_or("the line has " + std::to_string(count) +
                             " columns: say which one holds the readings (--column N)");
        if (want >= count)
            return header_or("no column " + std::to_string(want + 1) + ": the line has " + std::to_string(count));
        ExactDecimal value;
        if (!ParseExactDecimal(field, value))
            return header_or((count > 1 ? "column " + std::to_string(want + 1) + " " : std::string()) +
                             Quoted(field) + " is not a number");
        if (!DecimalInRange(value)) return Fail(record_line, Quoted(field) + " is out of range");
        data_seen = true;
        Add(Find("", ""), value, 0.0, false);
        return true;
    }

    bool Record(std::string_view rec, bool quote_free = false) {
        if (!rec.empty() && rec.back() == '\r') rec.remove_suffix(1);
        if (record_line == 1 && rec.substr(0, 3) == "\xEF\xBB\xBF") rec.remove_prefix(3);  // a UTF-8 byte order mark
        std::size_t lead = 0;
        while (lead < rec.size() && IsBlank(rec[lead])) ++lead;
        const bool comment = lead < rec.size() && (rec[lead] == '#' || rec[lead] == '%');
        switch (mode) {
        case Mode::Start:
            if (comment || lead == rec.size()) return true;
            if (rec == kRecordingHeader) {
                mode = Mode::Recording;
                result.recording = true;
                if (options.column != 0)
                    return Fail(record_line, "a recording of the panel: its value column is read, no other");
                return true;
            }
            mode = Mode::Text;
            return TextRow(rec);
        case Mode::Recording:
            if (comment) return true;
            return RecordingRow(rec, quote_free);
        case Mode::Text:
            if (comment || lead == rec.size()) return true;
            return TextRow(rec);
        }
        return true;
    }

    bool Feed(std::string_view bytes) {
        if (failed || finished) return false;
        result.bytes += bytes.size();
        const char* p = bytes.data();
        const std::size_t n = bytes.size();
        std::size_t pos = 0;
        while (pos < n) {
            const auto* nl = static_cast<const char*>(std::memchr(p + pos, '\n', n - pos));
            const std::size_t end = nl != nullptr ? static_cast<std::size_t>(nl - p) : n;
            const std::string_view piece(p + pos, end - pos);
            if (!open) {
                open = true;
                ++line;
                record_line = line;
            }
            const bool quotes_matter = mode == Mode::Recording;
            const std::size_t quotes = quotes_matter ? Quotes(piece) : 0;
            if (pending.empty() && nl != nullptr && quotes % 2 == 0) {
                // The whole record lies in this block: read it where it is.
                if (piece.size() > kMaxDataLine) return TooLong();
                open = false;
                if (!Record(piece, quotes_matter && quotes == 0)) return false;
                pos = end + 1;
                continue;
            }
            if (pending.size() + piece.size() > kMaxDataLine) return TooLong();
            pending.append(piece);
            if (quotes % 2 == 1 && quotes_matter) in_quotes = !in_quotes;
            if (nl == nullptr) break;  // the rest comes with the next block
            pos = end + 1;
            if (in_quotes) {  // a quoted field goes on on the next line
                pending += '\n';
                ++line;
                continue;
            }
            open = false;
            const bool ok = Record(pending);
            pending.clear();
            if (!ok) return false;
        }
        return true;
    }

    bool TooLong() {
        return Fail(record_line, "longer than " + std::to_string(kMaxDataLine) + " bytes: not a file of readings");
    }

    // The series of one group: tau0, gaps, fractional frequency. False when
    // the times make the file unusable (the error set).
    bool Build(Group& g, DataSeries& s) {
        s.function = std::move(g.function);
        s.unit = std::move(g.unit);
        s.kind = g.kind;
        s.stats = g.stats.Get();
        s.no_value = g.no_value;
        s.has_times = g.times.Size() > 0;
        s.reference = kNaN;
        const std::size_t n = g.offsets.Size();
        s.tau0 = kNaN;
        if (options.tau0 > 0.0) {
            s.tau0 = options.tau0;
        } else if (g.times.Size() >= 2) {
            const double median = MedianSpacingOf(g.times);
            if (median > 0.0 && std::isfinite(median)) {
                s.tau0 = median;
                s.tau0_measured = true;
            }
        }
        if (n == 0) return true;

        // Gaps: how long the series on the grid of tau0 is.
        const bool gridded = s.has_times && std::isfinite(s.tau0);
        double length = static_cast<double>(n);
        if (gridded) {
            for (std::size_t i = 1; i < n; ++i) {
                const double spacing = g.times[i] - g.times[i - 1];
                if (spacing < 0.0) ++s.restarts;
                const double missing = MissingReadings(spacing, s.tau0);
                if (missing <= 0.0) continue;
                length += missing;
                ++s.gaps.gaps;
                s.gaps.missing += static_cast<uint64_t>(std::min(missing, 1e18));
                s.gaps.longest = std::max(s.gaps.longest, static_cast<uint64_t>(std::min(missing, 1e18)));
            }
            const double limit = std::max(64.0 * static_cast<double>(n), 4.0 * 1024 * 1024);
            if (!(length <= limit))
                return Fail(g.widest_line, "elapsed_s jumps by " + Format("%.6g", g.widest) + " s, " +
                                               Format("%.0f", MissingReadings(g.widest, s.tau0)) +
                                               " readings missing: more than a file of " + std::to_string(n) +
                                               " readings can stand for");
        }

        // The reference the values are relative to, as an offset from the base.
        double ref_offset = 0.0;
        if (s.kind == DataKind::Frequency || s.kind == DataKind::Period) {
            ref_offset = options.nominal ? OffsetFrom(SplitExact(*options.nominal), g.base) : MeanOf(g.offsets);
            s.reference = g.base_value + ref_offset;
            if (s.reference == 0.0 || !std::isfinite(s.reference)) {
                s.problem = options.nominal ? "the nominal value is 0" : "the mean is 0: no fractional frequency";
                return true;
            }
            if (s.kind == DataKind::Period && s.reference < 0.0) {
                s.problem = "a negative period: no fractional frequency";
                return true;
            }
        }
        if (s.kind == DataKind::Phase && !std::isfinite(s.tau0)) {
            s.problem = "phase needs the spacing of its readings (tau0)";
            return true;
        }

        std::vector<double>& y = s.y;
        y.reserve(static_cast<std::size_t>(length) - (s.kind == DataKind::Phase ? 1 : 0));
        double previous_time = 0.0;
        double previous_x = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (i % Blocks::kSize == 0 && i > 0) {  // every value of the block before has been used
                g.offsets.Release(i / Blocks::kSize - 1);
                g.times.Release(i / Blocks::kSize - 1);
            }
            const double d = g.offsets[i];
            const double missing = gridded && i > 0 ? MissingReadings(g.times[i] - previous_time, s.tau0) : 0.0;
            if (gridded) previous_time = g.times[i];
            double v = 0.0;
            switch (s.kind) {
            case DataKind::Frequency: v = (d - ref_offset) / s.reference; break;
            case DataKind::Period: {
                const double period = g.base_value + d;
                if (!(period > 0.0)) {
                    s.problem = "a period of 0 or less: no fractional frequency";
                    y = {};
                    return true;
                }
                v = (ref_offset - d) / period;
                break;
            }
            case DataKind::Fractional: v = g.base_value + d; break;
            case DataKind::Phase:
                if (i == 0) {
                    previous_x = d;
                    continue;
                }
                y.insert(y.end(), static_cast<std::size_t>(missing), kNaN);
                v = missing > 0.0 ? kNaN : (d - previous_x) / s.tau0;
                previous_x = d;
                y.push_back(v);
                if (missing > 0.0 || std::isfinite(v)) continue;
                s.problem = "the phase values are too far apart for a frequency";
                y = {};
                return true;
            }
            if (!std::isfinite(v)) {
                s.problem = "the values are too far apart for a fractional frequency";
                y = {};
                return true;
            }
            y.insert(y.end(), static_cast<std::size_t>(missing), kNaN);
            y.push_back(v);
        }
        g.offsets.Clear();
        g.times.Clear();
        return true;
    }

    DataFile Finish() {
        if (finished) return {};
        finished = true;
        if (!failed && open) {
            if (in_quotes) {
                Fail(record_line, "a quoted field is not closed");
            } else {
                const std::string rest = std::move(pending);
                Record(rest);
            }
        }
        if (!failed && mode == Mode::Start)
            Fail(0, result.bytes == 0 ? "the file is empty" : "the file has no readings, only comments and blank lines");
        if (!failed) {
            for (auto& g : groups) {
                DataSeries s;
                if (!Build(*g, s)) break;
                g.reset();  // what it held is in s now
                result.series.push_back(std::move(s));
            }
        }
        if (failed) result.series.clear();
        groups.clear();
        return std::move(result);
    }
};

DataFileReader::DataFileReader(DataFileOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}
DataFileReader::~DataFileReader() = default;
bool DataFileReader::Feed(std::string_view bytes) { return impl_->Feed(bytes); }
DataFile DataFileReader::Finish() { return impl_->Finish(); }

namespace {
DataFile Cancelled(uint64_t bytes) {
    DataFile file;
    file.status = DataFileStatus::Cancelled;
    file.error = "cancelled";
    file.bytes = bytes;
    return file;
}
}  // namespace

DataFile ReadDataFile(std::istream& in, const DataFileOptions& options) {
    DataFileReader reader(options);
    const auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
    uint64_t total = 0;
    std::streambuf* sb = in.rdbuf();
    for (;;) {
        std::streamsize got = 0;
        try {
            got = sb == nullptr ? 0 : sb->sgetn(block.get(), static_cast<std::streamsize>(kReadBlock));
        } catch (...) {
            DataFile file;
            file.status = DataFileStatus::Unreadable;
            file.error = "read error";
            return file;
        }
        if (got <= 0) break;
        total += static_cast<uint64_t>(got);
        if (!reader.Feed(std::string_view(block.get(), static_cast<std::size_t>(got)))) break;
        if (options.progress && !options.progress(total)) return Cancelled(total);
    }
    return reader.Finish();
}

DataFile ReadDataFile(std::string_view bytes, const DataFileOptions& options) {
    DataFileReader reader(options);
    uint64_t done = 0;
    while (done < bytes.size()) {
        const std::size_t take = std::min<std::size_t>(kReadBlock, bytes.size() - done);
        if (!reader.Feed(bytes.substr(done, take))) break;
        done += take;
        if (options.progress && !options.progress(done)) return Cancelled(done);
    }
    return reader.Finish();
}

}  // namespace kt
