// The counter on its serial line: assembles the commands the panel sends,
// answers them, streams readings, and sends on request what a real line
// sometimes carries (a "LOC" line, "SAMPLE" texts, split or merged lines,
// garbage, a late or missing identification). Time is passed in; nothing
// here touches a descriptor, so the tests drive it directly.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "counter.h"

namespace ktsim {

enum class Pacing {
    Gate,   // one reading per gate time (no faster than the minimum period)
    Flood,  // as fast as the line takes them
    Baud,   // back to back at the rate a line of `baud` (10 bits a character) carries
};

struct Config {
    std::string modelLetter = "-";  // 8th character of the model field: '-' or 'A'
    std::string range = "-1.5G";    // one of kRangeSuffixes, or "" for none
    std::string idnOverride;        // when set, the whole identification reply
    Pacing pacing = Pacing::Gate;
    int baud = 0;                           // for Pacing::Baud
    int64_t minPeriodMicros = 20'000;       // fastest reading rate in Gate pacing
    bool streamThroughIdn = false;          // stream from power-on, ignore *IDN? and local
    int64_t idnDelayMicros = 0;
    bool noIdn = false;
    bool splitIdn = false;                  // identification replies in pieces
    bool crlf = false;                      // every line ends in CR LF
    uint32_t seed = 1;
    const OscillatorModel* oscillator = nullptr;  // the signals' source; null: a few counts of jitter
    std::array<double, 3> signalHz{10'000'000.123, 999'999.99, 1'200'000'000.0};
};

// The identification reply (without line end) for a configuration: seven
// characters of maker name and comma, then the model field and range, e.g.
// "KTLABS,KT46290-1.5G,SN000123,V1.0".
std::string IdentificationText(const Config& config);

class Instrument {
public:
    // Gap between the pieces of a split line.
    static constexpr int64_t kPieceGapMicros = 15'000;
    // Longest command the counter buffers; longer input is dropped up to its LF.
    static constexpr std::size_t kMaxCommand = 256;

    explicit Instrument(Config config);

    // Events in words ("cmd \"*IDN?\"", "key 1: FREQUENCY 1"); unset = quiet.
    std::function<void(const std::string&)> log;

    // Bytes from the line.
    void Receive(std::string_view bytes, int64_t nowMicros);
    // One operator command from the standard input ("loc", "garbage 10");
    // returns text for the operator (empty when there is nothing to say).
    std::string Control(std::string_view line, int64_t nowMicros);
    static std::string ControlHelp();

    // Writes due by now, in order; each is handed to the line in one write.
    std::vector<std::string> TakeDue(int64_t nowMicros);
    // When the next write falls due (absolute), if anything is scheduled or
    // a reading is expected. Flooding readings are not counted here.
    std::optional<int64_t> NextDue(int64_t nowMicros) const;
    // In flood pacing: whether readings stream now, and the next one.
    bool Flooding() const;
    std::string FloodLine();

    // Set when "*IDN?" arrived: output queued on the line before it was
    // never read by anyone and should go (a closed port receives nothing).
    bool TakeFlushRequest();
    bool QuitRequested() const { return quit_; }

    // Whether readings stream now (after *RST, not held, not local, running).
    bool Streaming() const;
    const Counter& counter() const { return counter_; }
    std::string Status() const;

private:
    struct Pending {
        int64_t due;
        std::string bytes;
    };

    void HandleCommand(const std::string& line, int64_t nowMicros);
    void Schedule(int64_t due, std::string bytes);
    // Queues a whole line, applying the one-shot split and CR LF requests.
    void SendLine(const std::string& text, int64_t due, bool split);
    std::string LineEnd();
    std::string MakeReadingLine();
    int64_t ReadingInterval(std::size_t lineBytes) const;
    void Log(const std::string& text) const;

    Config config_;
    Counter counter_;
    NoiseSource noise_;
    std::string command_;
    bool discarding_ = false;
    std::deque<Pending> queue_;

    bool streaming_;     // readings enabled by *RST
    bool heldForIdn_ = false;
    bool local_ = false;
    int64_t nextReading_ = 0;
    bool splitNext_ = false;
    bool crlfNext_ = false;
    bool flushRequest_ = false;
    bool quit_ = false;
    int64_t lastTick_ = 0;
};

}  // namespace ktsim
