#include "measurements/store.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace kt {

namespace {

// CompactReading::form, from the lowest bit up.
constexpr uint32_t kFunctionMask = 0xFF;   // index into the function table
constexpr int kUnitShift = 8;              // 2 bits: Unit
constexpr uint32_t kHasValue = 1u << 10;
constexpr uint32_t kHasForm = 1u << 11;    // digits and the form below hold the number
constexpr uint32_t kSideText = 1u << 12;   // the text is kept beside
constexpr uint32_t kSideTime = 1u << 13;   // the wall-clock time is kept beside
constexpr int kSignShift = 14;             // 2 bits: none, '+', '-'
constexpr int kIntShift = 16;              // 5 bits: digits before the point
constexpr int kFracShift = 21;             // 5 bits: digits after the point
constexpr int kPrefixShift = 26;           // 3 bits: index into kPrefixes
constexpr std::size_t kMaxDigits = 18;     // every 18-digit integer fits in int64_t

constexpr char kPrefixes[] = {0, 'G', 'M', 'k', 'm', 'u', 'n', 'p'};
constexpr int kPrefixExponents[] = {0, 9, 6, 3, -3, -6, -9, -12};
constexpr char kSigns[] = {0, '+', '-'};

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int64_t kExactInteger = int64_t{1} << 53;  // below it an int64_t converts to double exactly

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t SteadyNanos(SteadyTime t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

int64_t SystemMillis(SystemTime t) {
    return std::chrono::floor<std::chrono::milliseconds>(t).time_since_epoch().count();
}

uint32_t Bits(uint32_t form, int shift, uint32_t width) { return (form >> shift) & ((1u << width) - 1); }

// The number's digits, zero-padded to its written length, into buf.
std::string_view Digits(const CompactReading& e, char (&buf)[24]) {
    const uint32_t total = Bits(e.form, kIntShift, 5) + Bits(e.form, kFracShift, 5);
    const auto result = std::to_chars(buf, buf + sizeof buf, e.digits);
    const auto written = static_cast<std::size_t>(result.ptr - buf);
    if (written < total) {
        std::memmove(buf + (total - written), buf, written);
        std::memset(buf, '0', total - written);
    }
    return std::string_view(buf, std::max<std::size_t>(written, total));
}

// The line rebuilt from a number form.
void AppendRebuilt(std::string& out, const CompactReading& e) {
    char buf[24];
    const std::string_view digits = Digits(e, buf);
    const uint32_t int_count = Bits(e.form, kIntShift, 5);
    if (const char sign = kSigns[Bits(e.form, kSignShift, 2)]) out += sign;
    out.append(digits.substr(0, int_count));
    if (digits.size() > int_count) {
        out += '.';
        out.append(digits.substr(int_count));
    }
    if (const char prefix = kPrefixes[Bits(e.form, kPrefixShift, 3)]) out += prefix;
    out += UnitText(static_cast<Unit>(Bits(e.form, kUnitShift, 2)));
}

void AppendExactOf(std::string& out, const CompactReading& e) {
    char buf[24];
    const std::string_view digits = Digits(e, buf);
    const uint32_t int_count = Bits(e.form, kIntShift, 5);
    AppendExactDecimal(out, kSigns[Bits(e.form, kSignShift, 2)] == '-', digits.substr(0, int_count),
                       digits.substr(int_count), kPrefixExponents[Bits(e.form, kPrefixShift, 3)]);
}

// Whether the digits and the power of ten of a number form are both exact
// in a double: then one division or product is correctly rounded, as reading
// the decimal text is.
bool ExactInDouble(const CompactReading& e, int& exponent) {
    exponent = kPrefixExponents[Bits(e.form, kPrefixShift, 3)] - static_cast<int>(Bits(e.form, kFracShift, 5));
    return e.digits < kExactInteger && exponent >= -22 && exponent <= 22;
}

// The exact decimal of a number form read as ParseValue reads it.
ParsedValue ParsedOf(const CompactReading& e) {
    std::string exact;
    AppendExactOf(exact, e);
    return ParseValue(exact);
}

constexpr int64_t kIntPowers[] = {1,
                                  10,
                                  100,
                                  1000,
                                  10000,
                                  100000,
                                  1000000,
                                  10000000,
                                  100000000,
                                  1000000000,
                                  10000000000,
                                  100000000000,
                                  1000000000000,
                                  10000000000000,
                                  100000000000000,
                                  1000000000000000,
                                  10000000000000000,
                                  100000000000000000,
                                  1000000000000000000};

// The parts and the double of a number form whose digits and power of ten
// are exact in a double (ExactInDouble gave exponent).
SplitValue ExactParts(const CompactReading& e, int exponent) {
    SplitValue parts;
    if (exponent >= 0) {
        parts = {static_cast<double>(e.digits) * kExactPowers[exponent], 0.0};
    } else if (-exponent <= 18) {
        const int64_t scale = kIntPowers[-exponent];
        const int64_t whole = e.digits / scale;
        parts = {static_cast<double>(whole), static_cast<double>(e.digits - whole * scale) / kExactPowers[-exponent]};
    } else {
        parts = {0.0, static_cast<double>(e.digits) / kExactPowers[-exponent]};
    }
    if (kSigns[Bits(e.form, kSignShift, 2)] == '-') parts = {-parts.whole, -parts.fraction};
    return parts;
}

double ExactDouble(const CompactReading& e, int exponent) {
    const double digits = static_cast<double>(e.digits);
    const double value = exponent >= 0 ? digits * kExactPowers[exponent] : digits / kExactPowers[-exponent];
    return kSigns[Bits(e.form, kSignShift, 2)] == '-' ? -value : value;
}

// The double of a number form, equal bit for bit to what ParseValue gives
// for its exact decimal.
double DoubleOf(const CompactReading& e) {
    int exponent = 0;
    return ExactInDouble(e, exponent) ? ExactDouble(e, exponent) : ParsedOf(e).value;
}

// The parts of the number forms of one series read one after another. A
// series moves in its last digits, so the whole part of the reading before
// mostly serves again: the quotient of the digits by the power of ten is
// carried over while the remainder stays within it, and a division made
// only when the whole part or the form changes. The parts are those
// ParseValue gives for the exact decimal (the whole part and the fraction
// apart, each correctly rounded), bit for bit, as NumberOf's.
class SeriesPartsReader {
public:
    SplitValue Parts(const CompactReading& e) {
        int exponent = 0;
        if (!ExactInDouble(e, exponent)) return ParsedOf(e).parts;
        if (exponent >= 0 || -exponent > 18) return ExactParts(e, exponent);
        const int64_t scale = kIntPowers[-exponent];
        int64_t rest = e.digits - whole_digits_;
        if (exponent != exponent_ || rest < 0 || rest >= scale) {
            exponent_ = exponent;
            const int64_t whole = e.digits / scale;
            whole_digits_ = whole * scale;
            whole_ = static_cast<double>(whole);
            rest = e.digits - whole_digits_;
        }
        const SplitValue parts{whole_, static_cast<double>(rest) / kExactPowers[-exponent]};
        return kSigns[Bits(e.form, kSignShift, 2)] == '-' ? SplitValue{-parts.whole, -parts.fraction} : parts;
    }

private:
    int exponent_ = 1;  // none yet: never a negative exponent
    int64_t whole_digits_ = 0;
    double whole_ = 0.0;
};

// Both, the text read once where it must be.
void NumberOf(const CompactReading& e, double& value, SplitValue& parts) {
    int exponent = 0;
    if (ExactInDouble(e, exponent)) {
        value = ExactDouble(e, exponent);
        parts = ExactParts(e, exponent);
        return;
    }
    const ParsedValue parsed = ParsedOf(e);
    value = parsed.value;
    parts = parsed.parts;
}

// The double of a held reading's value alone, as MakeView gives it.
double ValueOf(const ReadingChunk& chunk, std::size_t slot) {
    const CompactReading& e = chunk.entries[slot];
    if ((e.form & kHasValue) == 0) return 0.0;
    if ((e.form & kHasForm) == 0) {
        const ReadingChunk::Side* side = chunk.FindSide(static_cast<uint32_t>(slot), false);
        return side != nullptr ? ParseValue(side->text).value : 0.0;
    }
    return DoubleOf(e);
}

ReadingView MakeView(const ReadingChunk& chunk, std::size_t slot, std::string_view function) {
    const CompactReading& e = chunk.entries[slot];
    ReadingView v;
    v.chunk = &chunk;
    v.slot = static_cast<uint32_t>(slot);
    v.seq = chunk.first_seq + slot;
    v.steady = SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(std::chrono::nanoseconds(e.steady_ns)));
    int64_t system_ms = FloorDiv(e.steady_ns, 1'000'000) + chunk.clock_offset_ms + e.system_ms;
    if ((e.form & kSideTime) != 0) {
        if (const ReadingChunk::Side* side = chunk.FindSide(v.slot, true))
            std::memcpy(&system_ms, side->text.data(), sizeof system_ms);
    }
    v.time = SystemTime(std::chrono::duration_cast<SystemTime::duration>(std::chrono::milliseconds(system_ms)));
    v.function = function;
    v.unit = static_cast<Unit>(Bits(e.form, kUnitShift, 2));
    v.has_value = (e.form & kHasValue) != 0;
    if (!v.has_value) return v;
    if ((e.form & kHasForm) != 0) {
        NumberOf(e, v.value, v.parts);
    } else if (const ReadingChunk::Side* side = chunk.FindSide(v.slot, false)) {
        const ParsedValue parsed = ParseValue(side->text);
        v.value = parsed.value;
        v.parts = parsed.parts;
    }
    return v;
}

// The readings of one series among those held, oldest first: at(i) for i in
// [begin, end) gives each held reading.
template <typename At>
void CollectSeries(const At& at, std::size_t begin, std::size_t end, const SeriesKey& key, SeriesData& out) {
    out.key = key;
    out.values.clear();
    out.offsets.clear();
    out.elapsed.clear();
    out.base = 0.0;
    out.first_seq = out.last_seq = 0;
    SteadyTime origin{};
    SplitValue base;
    for (std::size_t i = begin; i < end; ++i) {
        const ReadingView r = at(i);
        if (!r.has_value || r.unit != key.unit || r.function != key.function) continue;
        if (out.values.empty()) {
            origin = r.steady;
            out.first_seq = r.seq;
            base = r.parts;
            out.base = base.whole + base.fraction;
        }
        out.values.push_back(r.value);
        out.offsets.push_back(OffsetFrom(r.parts, base));
        out.elapsed.push_back(std::chrono::duration<double>(r.steady - origin).count());
        out.last_seq = r.seq;
    }
}

}  // namespace

const ReadingChunk::Side* ReadingChunk::FindSide(uint32_t slot, bool is_time) const {
    // Sorted by slot; for one slot the time comes before the text.
    const auto rank = [](uint32_t s, bool time) { return uint64_t{s} * 2 + (time ? 0 : 1); };
    const uint64_t want = rank(slot, is_time);
    const auto it = std::lower_bound(sides.begin(), sides.end(), want,
                                     [&](const Side& side, uint64_t r) { return rank(side.slot, side.is_time) < r; });
    return it != sides.end() && it->slot == slot && it->is_time == is_time ? &*it : nullptr;
}

void ReadingView::AppendText(std::string& out) const {
    if (chunk == nullptr) return;
    const CompactReading& e = chunk->entries[slot];
    if ((e.form & kSideText) != 0) {
        if (const ReadingChunk::Side* side = chunk->FindSide(slot, false)) out += side->text;
    } else if ((e.form & kHasForm) != 0) {
        AppendRebuilt(out, e);
    }
}

void ReadingView::AppendExact(std::string& out) const {
    if (chunk == nullptr || !has_value) return;
    const CompactReading& e = chunk->entries[slot];
    if ((e.form & kHasForm) != 0) {
        AppendExactOf(out, e);
    } else if (const ReadingChunk::Side* side = chunk->FindSide(slot, false)) {
        out += ParseValue(side->text).exact;
    }
}

bool ReadingView::TextIsRebuilt() const {
    return chunk != nullptr && (chunk->entries[slot].form & kSideText) == 0;
}

std::string ReadingView::Text() const {
    std::string out;
    AppendText(out);
    return out;
}

std::string ReadingView::Exact() const {
    std::string out;
    AppendExact(out);
    return out;
}

ReadingView ReadingSnapshot::At(std::size_t index) const {
    const std::size_t global = first_ + index;
    const ReadingChunk& chunk = *chunks_[global / ReadingChunk::kSize];
    const std::size_t slot = global % ReadingChunk::kSize;
    return MakeView(chunk, slot, functions_[chunk.entries[slot].form & kFunctionMask]);
}

constexpr uint32_t kSeriesMask = kFunctionMask | (3u << kUnitShift) | kHasValue;

bool ReadingSnapshot::SeriesForm(const SeriesKey& key, SeqRange range, uint32_t& form, std::size_t& begin,
                                 std::size_t& end) const {
    // Function texts are interned: one index per text, so an index compares as the text does.
    for (std::size_t i = 0; i < functions_.size(); ++i) {
        if (functions_[i] != key.function) continue;
        form = static_cast<uint32_t>(i) | (static_cast<uint32_t>(key.unit) << kUnitShift) | kHasValue;
        begin = first_ + IndexOf(range.from);
        end = first_ + IndexOf(range.to);
        return begin < end;
    }
    return false;
}

std::size_t ReadingSnapshot::IndexOf(uint64_t seq) const {
    return seq <= first_seq_ ? 0 : static_cast<std::size_t>(std::min<uint64_t>(seq - first_seq_, size_));
}

std::size_t ReadingSnapshot::HeldIn(SeqRange range) const {
    const std::size_t begin = IndexOf(range.from), end = IndexOf(range.to);
    return end > begin ? end - begin : 0;
}

void ReadingSnapshot::VisitSeries(const SeriesKey& key, SeqRange range,
                                  const std::function<void(std::span<const SeriesPoint>)>& visit, bool values) const {
    uint32_t want = 0;
    std::size_t begin = 0, end = 0;
    if (!SeriesForm(key, range, want, begin, end)) return;
    std::vector<SeriesPoint> run(ReadingChunk::kSize);
    SeriesPartsReader reader;
    std::size_t global = begin;
    while (global < end) {
        const ReadingChunk& chunk = *chunks_[global / ReadingChunk::kSize];
        const std::size_t slot0 = global % ReadingChunk::kSize;
        const std::size_t slots = std::min(ReadingChunk::kSize - slot0, end - global);
        SeriesPoint* out = run.data();
        for (std::size_t slot = slot0; slot < slot0 + slots; ++slot) {
            const CompactReading& e = chunk.entries[slot];
            if ((e.form & kSeriesMask) != want) continue;
            // Written in place: a point made aside and copied in would wait
            // for its own stores to land.
            out->steady_ns = e.steady_ns;
            if (!values) {
                out->parts = {};
            } else if ((e.form & kHasForm) != 0) {
                out->parts = reader.Parts(e);
            } else if (const ReadingChunk::Side* side = chunk.FindSide(static_cast<uint32_t>(slot), false)) {
                out->parts = ParseValue(side->text).parts;
            } else {
                out->parts = {};
            }
            ++out;
        }
        if (out != run.data()) visit(std::span<const SeriesPoint>(run.data(), out));
        global += slots;
    }
}

ReadingStore::ReadingStore(std::size_t capacity, std::size_t text_budget)
    : capacity_(std::max<std::size_t>(capacity, 1)), text_budget_(text_budget) {
    functions_.push_back(std::make_unique<std::string>());
}

uint32_t ReadingStore::Intern(std::string_view function) {
    // Function texts come from the panel's own menu tables: a handful of
    // them, and mostly the same as the last one.
    if (*functions_[last_function_] == function) return last_function_;
    for (std::size_t i = 0; i < functions_.size(); ++i) {
        if (*functions_[i] == function) return last_function_ = static_cast<uint32_t>(i);
    }
    if (functions_.size() >= kMaxFunctions) return last_function_ = 0;
    functions_.push_back(std::make_unique<std::string>(function));
    return last_function_ = static_cast<uint32_t>(functions_.size() - 1);
}

void ReadingStore::SeriesAccumulator::Add(const Reading& r) {
    if (stats.Count() == 0) {
        base = r.parts;
        origin = r.steady;
    }
    stats.Add(r.parts);
}

ReadingStore::SeriesAccumulator* ReadingStore::FindSeries(const SeriesKey& key) {
    for (auto& a : series_)
        if (a.key == key) return &a;
    return nullptr;
}

const ReadingStore::SeriesAccumulator* ReadingStore::FindSeries(const SeriesKey& key) const {
    return const_cast<ReadingStore*>(this)->FindSeries(key);
}

ReadingView ReadingStore::View(std::size_t global) const {
    const ReadingChunk& chunk = *chunks_[global / ReadingChunk::kSize];
    const std::size_t slot = global % ReadingChunk::kSize;
    return MakeView(chunk, slot, *functions_[chunk.entries[slot].form & kFunctionMask]);
}

ReadingView ReadingStore::At(std::size_t index) const { return View(first_ + index); }

std::optional<ReadingView> ReadingStore::Latest() const {
    if (size_ == 0) return std::nullopt;
    return At(size_ - 1);
}

void ReadingStore::DropOldest() {
    const ReadingView oldest = View(first_);
    ReadingChunk& chunk = *chunks_.front();
    if ((chunk.entries[first_].form & kSideText) != 0) {
        if (auto* side = const_cast<ReadingChunk::Side*>(chunk.FindSide(oldest.slot, false))) {
            text_bytes_ -= side->text.size() + sizeof(ReadingChunk::Side);
            // A snapshot may be reading this chunk: its text then goes with the chunk.
            if (chunks_.front().use_count() == 1) std::string().swap(side->text);
        }
    }
    ++first_;
    --size_;
    ++dropped_;
    if (first_ == ReadingChunk::kSize || size_ == 0) {
        // The chunk being filled stays when it empties: it still takes readings.
        if (first_ == ReadingChunk::kSize || chunk.count == ReadingChunk::kSize) {
            chunks_.pop_front();
            first_ = 0;
        }
    }
}

void ReadingStore::Keep(const Reading& r, uint32_t function_index) {
    if (chunks_.empty() || chunks_.back()->count == ReadingChunk::kSize) {
        auto chunk = std::make_shared<ReadingChunk>();
        chunk->entries = std::make_unique<CompactReading[]>(ReadingChunk::kSize);
        chunk->first_seq = r.seq;
        chunk->clock_offset_ms = SystemMillis(r.time) - FloorDiv(SteadyNanos(r.steady), 1'000'000);
        chunks_.push_back(std::move(chunk));
    }
    ReadingChunk& chunk = *chunks_.back();
    const auto slot = static_cast<uint32_t>(chunk.count);
    CompactReading& e = chunk.entries[slot];
    e = {};
    e.steady_ns = SteadyNanos(r.steady);
    e.form = function_index | static_cast<uint32_t>(r.unit) << kUnitShift | (r.has_value ? kHasValue : 0u);

    const int64_t system_ms = SystemMillis(r.time);
    const int64_t delta = system_ms - (FloorDiv(e.steady_ns, 1'000'000) + chunk.clock_offset_ms);
    if (delta >= std::numeric_limits<int32_t>::min() && delta <= std::numeric_limits<int32_t>::max()) {
        e.system_ms = static_cast<int32_t>(delta);
    } else {
        // The wall clock was set far from where it ran when the chunk began.
        e.form |= kSideTime;
        std::string bytes(sizeof system_ms, '\0');
        std::memcpy(bytes.data(), &system_ms, sizeof system_ms);
        chunk.sides.push_back({slot, true, std::move(bytes)});
    }

    NumberForm form;
    if (r.has_value && ParseNumberForm(r.text, form) && !form.has_e &&
        form.int_digits.size() + form.frac_digits.size() <= kMaxDigits) {
        int64_t digits = 0;
        for (const char c : form.int_digits) digits = digits * 10 + (c - '0');
        for (const char c : form.frac_digits) digits = digits * 10 + (c - '0');
        const uint32_t sign = form.sign == '+' ? 1u : form.sign == '-' ? 2u : 0u;
        uint32_t prefix = 0;
        while (prefix < 8 && kPrefixes[prefix] != form.prefix) ++prefix;
        e.digits = digits;
        e.form |= kHasForm | sign << kSignShift | static_cast<uint32_t>(form.int_digits.size()) << kIntShift |
                  static_cast<uint32_t>(form.frac_digits.size()) << kFracShift | prefix << kPrefixShift;
        rebuilt_.clear();
        AppendRebuilt(rebuilt_, e);
        // Leading blanks, a blank before the prefix and the like: kept as sent.
        if (rebuilt_ != r.text) e.form |= kSideText;
    } else if (!r.text.empty()) {
        e.form |= kSideText;
    }
    if ((e.form & kSideText) != 0) {
        chunk.sides.push_back({slot, false, r.text});
        text_bytes_ += r.text.size() + sizeof(ReadingChunk::Side);
    }
    ++chunk.count;
    ++size_;
}

const Reading& ReadingStore::Add(std::string_view line, std::string_view function, SystemTime time,
                                 SteadyTime steady) {
    const std::string_view text = StripLineEnd(line);
    ParseValueInto(text, scratch_);
    const uint32_t function_index = Intern(TrimTrailingBlanks(function));

    Reading& r = last_;
    r.seq = next_seq_++;
    r.time = time;
    r.steady = steady;
    r.text.assign(text);
    r.has_value = scratch_.has_value;
    r.exact = scratch_.exact;
    r.unit = scratch_.unit;
    r.value = scratch_.value;
    r.parts = scratch_.parts;
    r.function = *functions_[function_index];
    Keep(r, function_index);
    // Dropped before the new reading joins a series, so that what is dropped
    // is judged by the series it belonged to.
    while (size_ > capacity_ || (text_bytes_ > text_budget_ && size_ > 1)) DropOldest();

    if (r.has_value) {
        const SeriesKey key{r.function, r.unit};
        SeriesAccumulator* series = FindSeries(key);
        if (series == nullptr) {
            series = &series_.emplace_back();
            series->key = key;
        }
        series->Add(r);
        current_key_ = key;
        has_series_ = true;
    }
    return r;
}

std::size_t ReadingStore::IndexOfSeq(uint64_t seq) const {
    const uint64_t first = FirstSeq();
    if (seq <= first) return 0;
    return static_cast<std::size_t>(std::min<uint64_t>(seq - first, size_));
}

std::optional<ReadingView> ReadingStore::Find(uint64_t seq) const {
    if (seq < FirstSeq() || seq >= next_seq_) return std::nullopt;
    return At(static_cast<std::size_t>(seq - FirstSeq()));
}

ReadingSnapshot ReadingStore::Snapshot() const {
    ReadingSnapshot s;
    s.first_ = first_;
    s.size_ = size_;
    s.first_seq_ = FirstSeq();
    s.functions_.reserve(functions_.size());
    for (const auto& f : functions_) s.functions_.push_back(*f);
    s.has_series_ = has_series_;
    s.series_unit_ = current_key_.unit;
    s.clear_seq_ = clear_seq_;
    for (std::size_t i = 0; i < functions_.size(); ++i)
        if (*functions_[i] == current_key_.function) s.series_function_ = static_cast<uint32_t>(i);
    s.chunks_.reserve(chunks_.size());
    for (const auto& chunk : chunks_) {
        if (chunk->count == ReadingChunk::kSize) {
            s.chunks_.push_back(chunk);  // full: never written again
            continue;
        }
        // The chunk being filled: a copy of what it holds.
        auto copy = std::make_shared<ReadingChunk>();
        copy->entries = std::make_unique<CompactReading[]>(std::max<std::size_t>(chunk->count, 1));
        std::copy(chunk->entries.get(), chunk->entries.get() + chunk->count, copy->entries.get());
        copy->count = chunk->count;
        copy->first_seq = chunk->first_seq;
        copy->clock_offset_ms = chunk->clock_offset_ms;
        copy->sides = chunk->sides;
        s.chunks_.push_back(std::move(copy));
    }
    return s;
}

void ReadingStore::Clear() {
    clear_seq_ = next_seq_;
    series_.clear();
    has_series_ = false;
    current_key_ = {};
}

Stats ReadingStore::StatsOf(const SeriesKey& key) const {
    const SeriesAccumulator* a = FindSeries(key);
    return a != nullptr ? a->stats.Get() : RunningStats{}.Get();
}

Stats ReadingStore::CurrentStats() const { return StatsOf(current_key_); }

void ReadingStore::CurrentSeries(SeriesData& out) const {
    const std::size_t begin = has_series_ ? IndexOfSeq(clear_seq_) : size_;
    CollectSeries([this](std::size_t i) { return At(i); }, begin, size_, current_key_, out);
}

void ReadingSnapshot::CurrentSeries(SeriesData& out) const {
    const SeriesKey key{has_series_ ? std::string_view(functions_[series_function_]) : std::string_view(), series_unit_};
    std::size_t begin = size_;
    if (has_series_) begin = IndexOf(clear_seq_);
    CollectSeries([this](std::size_t i) { return At(i); }, begin, size_, key, out);
}

double ReadingStore::ValueOfSeq(uint64_t seq) const {
    const std::size_t global = first_ + static_cast<std::size_t>(seq - FirstSeq());
    return ValueOf(*chunks_[global / ReadingChunk::kSize], global % ReadingChunk::kSize);
}

SteadyTime ReadingStore::SteadyOfSeq(uint64_t seq) const {
    const std::size_t global = first_ + static_cast<std::size_t>(seq - FirstSeq());
    const CompactReading& e = chunks_[global / ReadingChunk::kSize]->entries[global % ReadingChunk::kSize];
    return SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(std::chrono::nanoseconds(e.steady_ns)));
}

}  // namespace kt
