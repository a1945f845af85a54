#include "measurements/store.h"

#include <algorithm>

namespace kt {

namespace {
std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}
}  // namespace

ReadingStore::ReadingStore(std::size_t capacity, std::size_t text_budget)
    : capacity_(std::max<std::size_t>(capacity, 1)), text_budget_(text_budget) {}

std::string_view ReadingStore::Intern(std::string_view function) {
    // Function texts come from the panel's own menu tables: a handful of
    // them, and mostly the same as the last one.
    if (!functions_.empty() && function == last_function_) return last_function_;
    auto it = functions_.find(std::string(function));
    if (it == functions_.end()) it = functions_.emplace(function).first;
    last_function_ = *it;
    return last_function_;
}

void ReadingStore::SeriesAccumulator::Add(const Reading& r) {
    if (stats.Count() == 0) {
        base = r.parts;
        origin = r.steady;
    }
    stats.Add(r.parts);
    adev.Add(OffsetFrom(r.parts, base));
    elapsed.push_back(std::chrono::duration<double>(r.steady - origin).count());
    ++added_since_tau0;
}

void ReadingStore::SeriesAccumulator::DropOldest() {
    adev.DropOldest();
    if (!elapsed.empty()) elapsed.pop_front();
}

ReadingStore::SeriesAccumulator* ReadingStore::FindSeries(const SeriesKey& key) {
    for (auto& a : series_)
        if (a.key == key) return &a;
    return nullptr;
}

const ReadingStore::SeriesAccumulator* ReadingStore::FindSeries(const SeriesKey& key) const {
    return const_cast<ReadingStore*>(this)->FindSeries(key);
}

std::vector<AdevPoint> ReadingStore::CurrentAdev() const {
    const SeriesAccumulator* a = has_series_ ? FindSeries(current_key_) : nullptr;
    if (a == nullptr) return {};
    return a->adev.Get(a->base.whole + a->base.fraction, CurrentTau0());
}

double ReadingStore::CurrentTau0() const {
    const SeriesAccumulator* a = has_series_ ? FindSeries(current_key_) : nullptr;
    if (a == nullptr || a->elapsed.size() < 2) return MedianSpacing({});
    if (!a->tau0_known || a->added_since_tau0 * 16 >= a->elapsed.size()) {
        const std::vector<double> times(a->elapsed.begin(), a->elapsed.end());
        a->tau0 = MedianSpacing(times);
        a->tau0_known = true;
        a->added_since_tau0 = 0;
    }
    return a->tau0;
}

void ReadingStore::DropOldest() {
    const Reading& oldest = readings_.front();
    // Its series (if it arrived since the last Clear) no longer holds it.
    if (oldest.has_value && oldest.seq >= clear_seq_)
        if (SeriesAccumulator* a = FindSeries({oldest.function, oldest.unit})) a->DropOldest();
    text_bytes_ -= oldest.text.capacity() + oldest.exact.capacity();
    readings_.pop_front();
    ++dropped_;
}

const Reading& ReadingStore::Add(std::string_view line, std::string_view function, SystemTime time,
                                 SteadyTime steady) {
    const std::string_view text = StripLineEnd(line);
    ParseValueInto(text, scratch_);
    const std::string_view interned = Intern(TrimTrailingBlanks(function));

    Reading& r = readings_.emplace_back();
    r.seq = next_seq_++;
    r.time = time;
    r.steady = steady;
    r.text.assign(text);
    r.has_value = scratch_.has_value;
    r.exact = scratch_.exact;
    r.unit = scratch_.unit;
    r.value = scratch_.value;
    r.parts = scratch_.parts;
    r.function = interned;
    text_bytes_ += r.text.capacity() + r.exact.capacity();
    // Dropped before the new reading joins a series, so that what is dropped
    // is judged by the series it belonged to.
    while (readings_.size() > capacity_ || (text_bytes_ > text_budget_ && readings_.size() > 1)) DropOldest();

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
    return static_cast<std::size_t>(std::min<uint64_t>(seq - first, readings_.size()));
}

const Reading* ReadingStore::Find(uint64_t seq) const {
    if (seq < FirstSeq() || seq >= next_seq_) return nullptr;
    return &readings_[static_cast<std::size_t>(seq - FirstSeq())];
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
    out.key = current_key_;
    out.values.clear();
    out.offsets.clear();
    out.elapsed.clear();
    out.base = 0.0;
    out.first_seq = out.last_seq = 0;
    if (!has_series_) return;
    SteadyTime origin{};
    SplitValue base;
    for (std::size_t i = IndexOfSeq(clear_seq_); i < readings_.size(); ++i) {
        const Reading& r = readings_[i];
        if (!r.has_value || r.unit != current_key_.unit || r.function != current_key_.function) continue;
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

}  // namespace kt
