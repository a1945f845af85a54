#include "options.h"

#include <charconv>

namespace ktsim {

namespace {

constexpr int kBaudRates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::optional<long long> Whole(const std::string& text, long long low, long long high) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool KnownBaud(long long baud) {
    for (int rate : kBaudRates) {
        if (rate == baud) return true;
    }
    return false;
}

}  // namespace

std::string UsageText() {
    return std::string(
               "Usage: kt46290-sim [OPTION]...\n"
               "Behaves on a serial line like a KT46290 frequency counter.\n"
               "Opens a pseudo-terminal and prints the path of its terminal end on the\n"
               "first line of standard output; connect the panel to that path.\n"
               "\n"
               "The line:\n"
               "  --device PATH         talk on an existing serial device instead\n"
               "  --baud N              the device's baud rate, 8 data bits, no parity (9600)\n"
               "  --verbose             log every byte received and sent to standard error\n"
               "\n"
               "The counter:\n"
               "  --model X             character after \"KT46290\" in the model field:\n"
               "                        '-' (default) or 'A'; any other makes an unknown model\n"
               "  --range R             range suffix of the identification: -225M -500M\n"
               "                        -1.5G (default) -2.5G -3G -6G -8G -9G -12.4G -16G,\n"
               "                        or none\n"
               "  --idn TEXT            answer *IDN? with TEXT instead\n"
               "  --signal C=HZ         signal on input channel C (1..3); defaults\n"
               "                        1=10000000.123 2=999999.99 3=1200000000\n"
               "  --seed N              seed of the measurement noise (1)\n"
               "  --oscillator KIND     the signals come from an oscillator of this kind:\n"
               "                        quartz, tcxo, ocxo or rubidium (white phase noise\n"
               "                        of 10 ps a time stamp, white, flicker and random-walk\n"
               "                        frequency noise, linear drift); without it a few\n"
               "                        counts of jitter in the last digit\n"
               "\n"
               "Readings (text lines ending in LF, e.g. \"10.000000123MHz\"):\n"
               "  by default they stream after \"*RST\", one per gate time (at most one per\n"
               "  --min-period), stop at \"*IDN?\" until the next \"*RST\", and stop at\n"
               "  \"SYST:LOC\" until the next \"*RST\".\n"
               "  --min-period MS       shortest time between readings (20)\n"
               "  --flood               stream as fast as the line takes them\n"
               "  --pace BAUD           stream back to back as a line of BAUD carries them\n"
               "                        (10 bits a character)\n"
               "  --stream-through-idn  stream from power-on and keep streaming through\n"
               "                        \"*IDN?\" and \"SYST:LOC\" (the panel then fails to\n"
               "                        identify the counter)\n"
               "\n"
               "What a real line sometimes sends:\n"
               "  --idn-delay MS        answer *IDN? MS milliseconds late\n"
               "  --no-idn              never answer *IDN?\n"
               "  --split-idn           send every identification reply in three pieces\n"
               "  --crlf                end every line with CR LF\n"
               "\n"
               "Commands understood on standard input, one a line:\n") +
           Instrument::ControlHelp() +
           "\n"
           "Commands understood on the line: *IDN?, *RST, SYST:LOC, SYST:KEY n;\n"
           "lines end with LF, CR LF is accepted.\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error) {
    Options options;
    Config& config = options.config;
    auto fail = [error](const std::string& why) -> std::optional<Options> {
        if (error) *error = why;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto take = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        auto needsValue = [&]() { return fail(name + " needs a value"); };
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--verbose" || name == "-v") {
            options.verbose = true;
        } else if (name == "--flood") {
            config.pacing = Pacing::Flood;
        } else if (name == "--stream-through-idn") {
            config.streamThroughIdn = true;
        } else if (name == "--no-idn") {
            config.noIdn = true;
        } else if (name == "--split-idn") {
            config.splitIdn = true;
        } else if (name == "--crlf") {
            config.crlf = true;
        } else if (name == "--device") {
            if (!take() || value.empty()) return needsValue();
            options.device = value;
        } else if (name == "--baud") {
            if (!take()) return needsValue();
            const auto baud = Whole(value, 1, 4'000'000);
            if (!baud || !KnownBaud(*baud)) return fail("--baud: not a supported baud rate: " + value);
            options.deviceBaud = static_cast<int>(*baud);
        } else if (name == "--model") {
            if (!take()) return needsValue();
            if (value.size() != 1) return fail("--model takes one character, e.g. - or A");
            config.modelLetter = value;
        } else if (name == "--range") {
            if (!take()) return needsValue();
            if (value == "none") {
                config.range.clear();
            } else if (RangeIndex(value) >= 0) {
                config.range = value;
            } else {
                return fail("--range: unknown range " + value);
            }
        } else if (name == "--idn") {
            if (!take() || value.empty()) return needsValue();
            config.idnOverride = value;
        } else if (name == "--signal") {
            if (!take()) return needsValue();
            const std::size_t eq = value.find('=');
            const auto channel = Whole(value.substr(0, eq), 1, 3);
            double hz = 0;
            if (eq != std::string::npos) {
                const char* first = value.data() + eq + 1;
                const char* last = value.data() + value.size();
                auto [end, err] = std::from_chars(first, last, hz);
                if (err != std::errc() || end != last) hz = 0;
            }
            if (!channel || !(hz > 0 && hz < 1e12)) return fail("--signal takes C=HZ, e.g. 1=810");
            config.signalHz[static_cast<std::size_t>(*channel - 1)] = hz;
        } else if (name == "--seed") {
            if (!take()) return needsValue();
            const auto seed = Whole(value, 0, 4'294'967'295LL);
            if (!seed) return fail("--seed takes a whole number");
            config.seed = static_cast<uint32_t>(*seed);
        } else if (name == "--oscillator") {
            if (!take()) return needsValue();
            config.oscillator = FindOscillator(value);
            if (config.oscillator == nullptr)
                return fail("--oscillator: unknown kind " + value + " (" + OscillatorNames() + ")");
        } else if (name == "--min-period") {
            if (!take()) return needsValue();
            const auto ms = Whole(value, 1, 60'000);
            if (!ms) return fail("--min-period takes milliseconds 1..60000");
            config.minPeriodMicros = *ms * 1000;
        } else if (name == "--pace") {
            if (!take()) return needsValue();
            const auto baud = Whole(value, 50, 4'000'000);
            if (!baud) return fail("--pace takes a baud rate, e.g. 38400");
            config.pacing = Pacing::Baud;
            config.baud = static_cast<int>(*baud);
        } else if (name == "--idn-delay") {
            if (!take()) return needsValue();
            const auto ms = Whole(value, 0, 60'000);
            if (!ms) return fail("--idn-delay takes milliseconds 0..60000");
            config.idnDelayMicros = *ms * 1000;
        } else {
            return fail("unknown option " + args[i]);
        }
        if (hasValue && (name == "--help" || name == "-h" || name == "--verbose" || name == "--flood" ||
                         name == "--stream-through-idn" || name == "--no-idn" || name == "--split-idn" ||
                         name == "--crlf")) {
            return fail(name + " takes no value");
        }
    }
    return options;
}

}  // namespace ktsim
