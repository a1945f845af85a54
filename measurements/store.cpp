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

bool ReadingStore::InCurrentSeries(const Reading& r) const {
    return has_series_ && r.has_value && r.seq >= clear_seq_ && r.unit == current_key_.unit &&
           r.function == current_key_.function;
}

void ReadingStore::Tracker::Reset() {
    adev.Reset();
    elapsed.clear();
    tau0_known = false;
    added_since_tau0 = 0;
}

void ReadingStore::Tracker::Add(const Reading& r) {
    if (adev.Count() == 0) {
        base = r.parts;
        origin = r.steady;
    }
    adev.Add(OffsetFrom(r.parts, base));
    elapsed.push_back(std::chrono::duration<double>(r.steady - origin).count());
    ++added_since_tau0;
}

const ReadingStore::Tracker& ReadingStore::CurrentTracker() const {
    if (tracker_.stale) {
        tracker_.Reset();
        for (std::size_t i = IndexOfSeq(clear_seq_); i < readings_.size(); ++i)
            if (InCurrentSeries(readings_[i])) tracker_.Add(readings_[i]);
        tracker_.stale = false;
    }
    return tracker_;
}

std::vector<AdevPoint> ReadingStore::CurrentAdev() const {
    const Tracker& t = CurrentTracker();
    return t.adev.Get(t.base.whole + t.base.fraction, CurrentTau0());
}

double ReadingStore::CurrentTau0() const {
    const Tracker& t = CurrentTracker();
    if (t.elapsed.size() < 2) return MedianSpacing({});
    if (!t.tau0_known || t.added_since_tau0 * 100 >= t.elapsed.size()) {
        const std::vector<double> times(t.elapsed.begin(), t.elapsed.end());
        tracker_.tau0 = MedianSpacing(times);
        tracker_.tau0_known = true;
        tracker_.added_since_tau0 = 0;
    }
    return t.tau0;
}

void ReadingStore::DropOldest() {
    const Reading& oldest = readings_.front();
    if (!tracker_.stale && InCurrentSeries(oldest)) {
        tracker_.adev.DropOldest();
        tracker_.elapsed.pop_front();
    }
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
        auto acc = std::find_if(series_.begin(), series_.end(), [&](const auto& a) { return a.key == key; });
        if (acc == series_.end()) acc = series_.insert(series_.end(), SeriesAccumulator{key, {}});
        acc->stats.Add(r.parts);
        if (!has_series_ || !(key == current_key_)) tracker_.stale = true;
        current_key_ = key;
        has_series_ = true;
        if (!tracker_.stale) tracker_.Add(r);
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
    tracker_.stale = true;
}

Stats ReadingStore::StatsOf(const SeriesKey& key) const {
    for (const auto& a : series_)
        if (a.key == key) return a.stats.Get();
    return RunningStats{}.Get();
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
