// Writes a recording of COUNT generated readings in the panel's format, for
// the analyser's benchmark: 10 MHz with white frequency noise of 1e-10 (one
// reading every 0.1 s, a microsecond of jitter on the times, one reading in
// 100,000 missing); optionally a linear drift (fractional, per day), another
// spacing of the readings (a multiple of 1 ms) and a gap of N readings in
// the middle.
//
//   bench_gen_recording COUNT FILE [--drift PER_DAY] [--tau0 SECONDS] [--gap N]
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

void Padded(std::string& out, long long v, int width) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (int n = static_cast<int>(r.ptr - buf); n < width; ++n) out += '0';
    out.append(buf, r.ptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: bench_gen_recording COUNT FILE [--drift PER_DAY] [--tau0 SECONDS] [--gap N]\n");
        return 2;
    }
    const long long count = std::atoll(argv[1]);
    double drift = 0.0;
    long long step_ms = 100;
    long long gap = 0;
    for (int a = 3; a + 1 < argc; a += 2) {
        const std::string name = argv[a];
        if (name == "--drift") drift = std::atof(argv[a + 1]);
        else if (name == "--tau0") step_ms = std::llround(std::atof(argv[a + 1]) * 1000);
        else if (name == "--gap") gap = std::atoll(argv[a + 1]);
    }
    if (step_ms <= 0) step_ms = 100;
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr || count <= 0) {
        std::perror(argv[2]);
        return 1;
    }
    std::mt19937_64 random(46290);
    std::normal_distribution<double> noise(0.0, 1e-3);          // Hz: 1e-10 of 10 MHz
    std::uniform_int_distribution<int> jitter(-1, 1);            // microseconds
    std::string out = "time,elapsed_s,reading,value,unit,function\n";
    for (long long i = 0; i < count; ++i) {
        if (i % 100000 == 99999) continue;  // a reading that never came
        if (i >= count / 2 && i < count / 2 + gap) continue;
        const long long ms = i * step_ms;
        const long long us = ms * 1000 + jitter(random) + 103118;
        // Time of day from 2026-12-07T00:00:00Z.
        out += "2026-12-";
        Padded(out, 7 + ms / 86400000, 2);
        out += 'T';
        Padded(out, ms / 3600000 % 24, 2);
        out += ':';
        Padded(out, ms / 60000 % 60, 2);
        out += ':';
        Padded(out, ms / 1000 % 60, 2);
        out += '.';
        Padded(out, ms % 1000, 3);
        out += "Z,";
        Padded(out, us / 1000000, 1);
        out += '.';
        Padded(out, us % 1000000, 6);
        // The frequency to 0.1 mHz: 10000000.xxxx
        const double drift_hz = drift * 1e7 * static_cast<double>(ms) / 86400000.0;
        const long long tenth_mhz = 100000000000LL + std::llround((noise(random) + drift_hz) * 1e4);
        const long long whole = tenth_mhz / 10000, frac = tenth_mhz % 10000;
        out += ",10.";
        Padded(out, whole - 10000000, 6);
        Padded(out, frac, 4);
        out += "MHz,";
        Padded(out, whole, 1);
        out += '.';
        Padded(out, frac, 4);
        out += ",Hz,FREQUENCY 1\n";
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), file);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
}
