#include "instrument.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "escape.h"

namespace ktsim {

namespace {

// Seven characters before the model field: the panel skips them.
constexpr const char* kMaker = "KTLABS,";
constexpr const char* kSerialAndFirmware = ",SN000123,V1.0";
constexpr std::size_t kMaxControlCount = 1'000'000;
// Readings produced in one pass at most, and how far behind schedule the
// stream may fall before it starts afresh instead of catching up.
constexpr int kMaxBurst = 64;
constexpr int64_t kMaxLagMicros = 100'000;

std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A whole decimal number in [low, high], or nullopt.
std::optional<long long> ParseNumber(std::string_view text, long long low, long long high) {
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < low || value > high) return std::nullopt;
    return value;
}

struct ControlCommand {
    const char* name;
    const char* args;
    const char* help;
};

constexpr ControlCommand kControlCommands[] = {
    {"loc", "", "send \"LOC\" (the local key pressed at the counter); readings stop until *RST"},
    {"sample", "[TEXT]", "send a line \"SAMPLE TEXT\" (default \"SAMPLE 10\")"},
    {"split", "", "send the next line (reply or reading) in three pieces"},
    {"two-lines", "", "send two readings in one write"},
    {"crlf", "", "end the next line with CR LF"},
    {"garbage", "N", "send N random bytes without LF (default 16)"},
    {"long", "N", "send N digits without LF (default 1000)"},
    {"idn-delay", "MS", "answer *IDN? MS milliseconds late from now on"},
    {"no-idn", "", "leave *IDN? unanswered from now on"},
    {"idn", "", "answer *IDN? again"},
    {"send", "TEXT", "send TEXT and LF (escapes \\r \\n \\t \\\\ \\xNN)"},
    {"raw", "TEXT", "send TEXT as it is, without LF (same escapes)"},
    {"key", "N", "press key N at the counter's own front panel"},
    {"signal", "C HZ", "put a signal of HZ on input channel C (1..3)"},
    {"status", "", "print the counter's state"},
    {"help", "", "list these commands"},
    {"quit", "", "end the simulator"},
};

}  // namespace

std::string IdentificationText(const Config& config) {
    if (!config.idnOverride.empty()) return config.idnOverride;
    std::string text = std::string(kMaker) + "KT46290" + config.modelLetter;
    if (!config.range.empty()) {
        // The standard model's '-' is also the first character of the range.
        text += (config.modelLetter == "-") ? config.range.substr(1) : config.range;
    }
    return text + kSerialAndFirmware;
}

Instrument::Instrument(Config config)
    : config_(std::move(config)),
      counter_(RangeIndex(config_.range), config_.seed),
      noise_(config_.seed + 1),
      streaming_(config_.streamThroughIdn) {
    for (int channel = 1; channel <= 3; ++channel) {
        counter_.SetSignal(channel, config_.signalHz[static_cast<std::size_t>(channel - 1)]);
    }
    counter_.SetOscillator(config_.oscillator, config_.seed + 2);
}

void Instrument::Log(const std::string& text) const {
    if (log) log(text);
}

bool Instrument::Streaming() const {
    return streaming_ && !heldForIdn_ && !local_ && counter_.WantsReading();
}

bool Instrument::Flooding() const { return config_.pacing == Pacing::Flood && Streaming(); }

bool Instrument::TakeFlushRequest() {
    const bool request = flushRequest_;
    flushRequest_ = false;
    return request;
}

void Instrument::Receive(std::string_view bytes, int64_t nowMicros) {
    for (char c : bytes) {
        if (c == '\n') {
            if (!discarding_) HandleCommand(command_, nowMicros);
            discarding_ = false;
            command_.clear();
        } else if (discarding_) {
            continue;
        } else if (command_.size() >= kMaxCommand) {
            Log("overlong command dropped up to its LF");
            discarding_ = true;
            command_.clear();
        } else {
            command_ += c;
        }
    }
}

void Instrument::HandleCommand(const std::string& raw, int64_t nowMicros) {
    const std::string line = Trim(raw);  // also takes the CR of a CR LF
    Log("cmd \"" + EscapeBytes(line) + "\"");
    const std::string command = Upper(line);
    if (command == "*IDN?") {
        if (!config_.streamThroughIdn) {
            // The counter stops talking while it answers, and readings queued
            // before the question never reached a port that was closed.
            heldForIdn_ = true;
            flushRequest_ = true;
        }
        if (config_.noIdn) {
            Log("identification not answered");
            return;
        }
        SendLine(IdentificationText(config_), nowMicros + config_.idnDelayMicros, config_.splitIdn);
        return;
    }
    if (command == "*RST") {
        counter_.Reset();
        streaming_ = true;
        heldForIdn_ = false;
        local_ = false;
        nextReading_ = nowMicros + ReadingInterval(0);
        Log("reset: readings stream");
        return;
    }
    if (command == "SYST:LOC" || command == "SYSTEM:LOCAL") {
        if (!config_.streamThroughIdn) local_ = true;
        Log("local: readings stop until *RST");
        return;
    }
    for (const char* prefix : {"SYST:KEY ", "SYSTEM:KEY "}) {
        const std::string_view head(prefix);
        if (command.rfind(head, 0) != 0) continue;
        const auto number = ParseNumber(Trim(std::string_view(command).substr(head.size())), 0, 999);
        const int function = counter_.Function();
        const int gate = counter_.Gate();
        const bool running = counter_.Running();
        if (!number || !counter_.PressKey(static_cast<int>(*number), nowMicros)) {
            Log("no such key");
            return;
        }
        Log("key " + std::to_string(*number) + ": " + counter_.Describe());
        // A new function, gate or start begins a fresh measurement.
        if (function != counter_.Function() || gate != counter_.Gate() || running != counter_.Running() ||
            !running) {
            nextReading_ = nowMicros + ReadingInterval(0);
        }
        return;
    }
    Log("unknown command ignored");
}

int64_t Instrument::ReadingInterval(std::size_t lineBytes) const {
    if (config_.pacing == Pacing::Baud && config_.baud > 0) {
        return static_cast<int64_t>(lineBytes) * 10 * 1'000'000 / config_.baud;
    }
    if (config_.pacing == Pacing::Flood) return 0;
    return std::max(counter_.MeasureMicros(), config_.minPeriodMicros);
}

std::string Instrument::LineEnd() {
    const bool crlf = config_.crlf || crlfNext_;
    crlfNext_ = false;
    return crlf ? "\r\n" : "\n";
}

void Instrument::Schedule(int64_t due, std::string bytes) {
    auto at = std::find_if(queue_.begin(), queue_.end(), [due](const Pending& p) { return p.due > due; });
    queue_.insert(at, Pending{due, std::move(bytes)});
}

void Instrument::SendLine(const std::string& text, int64_t due, bool split) {
    std::string bytes = text + LineEnd();
    split = split || splitNext_;
    splitNext_ = false;
    if (!split || bytes.size() < 3) {
        Schedule(due, std::move(bytes));
        return;
    }
    const std::size_t third = bytes.size() / 3;
    Schedule(due, bytes.substr(0, third));
    Schedule(due + kPieceGapMicros, bytes.substr(third, third));
    Schedule(due + 2 * kPieceGapMicros, bytes.substr(2 * third));
    // The next reading waits for the last piece, so the pieces stay together.
    nextReading_ = std::max(nextReading_, due + 2 * kPieceGapMicros + 1);
}

std::vector<std::string> Instrument::TakeDue(int64_t nowMicros) {
    counter_.Tick(nowMicros);
    if (config_.pacing != Pacing::Flood) {
        if (nowMicros - nextReading_ > kMaxLagMicros) nextReading_ = nowMicros;
        for (int n = 0; n < kMaxBurst && Streaming() && nowMicros >= nextReading_; ++n) {
            const std::string text = counter_.TakeReading(nextReading_);
            nextReading_ += ReadingInterval(text.size() + 1);
            SendLine(text, nowMicros, false);
        }
    }
    std::vector<std::string> due;
    while (!queue_.empty() && queue_.front().due <= nowMicros) {
        due.push_back(std::move(queue_.front().bytes));
        queue_.pop_front();
    }
    return due;
}

std::optional<int64_t> Instrument::NextDue(int64_t nowMicros) const {
    std::optional<int64_t> next;
    if (!queue_.empty()) next = queue_.front().due;
    if (config_.pacing != Pacing::Flood && Streaming()) {
        const int64_t reading = std::max(nextReading_, nowMicros);
        if (!next || reading < *next) next = reading;
    }
    return next;
}

std::string Instrument::FloodLine() { return counter_.TakeReading() + LineEnd(); }

std::string Instrument::ControlHelp() {
    std::string text;
    for (const ControlCommand& c : kControlCommands) {
        std::string head = std::string(c.name) + (c.args[0] ? " " : "") + c.args;
        head.resize(std::max<std::size_t>(head.size() + 1, 14), ' ');
        text += "  " + head + c.help + "\n";
    }
    return text;
}

std::string Instrument::Status() const {
    std::string text = std::string("readings ") + (Streaming() ? "streaming" : "held");
    if (!streaming_) text += " (waiting for *RST)";
    if (heldForIdn_) text += " (identified, waiting for *RST)";
    if (local_) text += " (local)";
    text += ", function " + FunctionName(counter_.Function());
    text += ", gate " + std::string(GateName(counter_.Gate()));
    text += counter_.Running() ? ", running" : ", stopped";
    text += ", display " + counter_.Describe();
    return text;
}

std::string Instrument::Control(std::string_view rawLine, int64_t nowMicros) {
    const std::string line = Trim(rawLine);
    if (line.empty()) return "";
    const std::size_t space = line.find(' ');
    const std::string name = line.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : Trim(std::string_view(line).substr(space + 1));
    auto count = [&arg](long long fallback) -> std::optional<long long> {
        if (arg.empty()) return fallback;
        return ParseNumber(arg, 0, static_cast<long long>(kMaxControlCount));
    };
    if (name == "loc") {
        SendLine("LOC", nowMicros, false);
        if (!config_.streamThroughIdn) local_ = true;
        return "";
    }
    if (name == "sample") {
        SendLine("SAMPLE " + (arg.empty() ? std::string("10") : arg), nowMicros, false);
        return "";
    }
    if (name == "split") {
        splitNext_ = true;
        return "";
    }
    if (name == "crlf") {
        crlfNext_ = true;
        return "";
    }
    if (name == "two-lines") {
        std::string first = counter_.TakeReading() + LineEnd();
        Schedule(nowMicros, first + counter_.TakeReading() + LineEnd());
        return "";
    }
    if (name == "garbage" || name == "long") {
        const auto n = count(name == "garbage" ? 16 : 1000);
        if (!n) return name + ": expected a count up to " + std::to_string(kMaxControlCount);
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(*n));
        for (long long i = 0; i < *n; ++i) {
            if (name == "long") {
                bytes += static_cast<char>('0' + i % 10);
            } else {
                unsigned char b = noise_.Byte();
                bytes += static_cast<char>(b == '\n' ? 0xFF : b);
            }
        }
        Schedule(nowMicros, std::move(bytes));
        return "";
    }
    if (name == "idn-delay") {
        const auto ms = ParseNumber(arg, 0, 60'000);
        if (!ms) return "idn-delay: expected milliseconds 0..60000";
        config_.idnDelayMicros = *ms * 1000;
        return "";
    }
    if (name == "no-idn" || name == "idn") {
        config_.noIdn = name == "no-idn";
        return "";
    }
    if (name == "send" || name == "raw") {
        std::string bytes = UnescapeText(arg);
        if (name == "send") bytes += '\n';
        Schedule(nowMicros, std::move(bytes));
        return "";
    }
    if (name == "key") {
        const auto number = ParseNumber(arg, 0, 999);
        if (!number || !counter_.PressKey(static_cast<int>(*number), nowMicros)) return "key: no such key";
        return "key " + arg + ": " + counter_.Describe();
    }
    if (name == "signal") {
        const std::size_t gap = arg.find(' ');
        const auto channel = ParseNumber(arg.substr(0, gap), 1, 3);
        double hz = 0;
        if (gap != std::string::npos) {
            const std::string value = Trim(std::string_view(arg).substr(gap + 1));
            auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), hz);
            if (error != std::errc() || end != value.data() + value.size()) hz = 0;
        }
        if (!channel || !(hz > 0 && hz < 1e12)) return "signal: expected a channel 1..3 and a frequency in Hz";
        counter_.SetSignal(static_cast<int>(*channel), hz);
        return "";
    }
    if (name == "status") return Status();
    if (name == "help") return ControlHelp();
    if (name == "quit") {
        quit_ = true;
        return "";
    }
    return "unknown command \"" + EscapeBytes(name) + "\"; try help";
}

}  // namespace ktsim
