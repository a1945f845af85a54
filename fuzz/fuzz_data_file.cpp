// libFuzzer target: any bytes as a file of readings. The first byte chooses
// the reading options (data kind, column, tau0, nominal), the second the size
// of the pieces the rest is fed in. Nothing may crash, trip a sanitizer or
// hang; the pieces must not change what is read; the analyser's CSV, with
// every deviation, must hold no NaN or infinity in its numbers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "measurements/csv.h"
#include "measurements/data_file.h"
#include "tools/stats_report.h"

static void Fail(const char* what) {
    std::fprintf(stderr, "data file: %s\n", what);
    std::abort();
}

static bool SameSeries(const kt::DataFile& a, const kt::DataFile& b) {
    if (a.status != b.status || a.error_line != b.error_line || a.error != b.error) return false;
    if (a.series.size() != b.series.size()) return false;
    for (std::size_t i = 0; i < a.series.size(); ++i) {
        const auto& x = a.series[i].y;
        const auto& y = b.series[i].y;
        if (x.size() != y.size()) return false;
        for (std::size_t j = 0; j < x.size(); ++j)
            if (!(x[j] == y[j] || (x[j] != x[j] && y[j] != y[j]))) return false;
    }
    return true;
}

// The last `numeric` fields of each record after the header must be
// numbers or empty.
static void CheckCsvNumbers(const std::string& csv, std::size_t numeric) {
    if (csv.empty()) return;  // a malformed file: nothing printed
    std::istringstream in(csv);
    kt::CsvReader reader(in);
    std::vector<std::string> fields;
    if (!reader.Next(fields)) Fail("no header");
    while (reader.Next(fields)) {
        if (fields.size() < numeric + 2) Fail("a row with too few fields");
        for (std::size_t f = fields.size() - numeric; f < fields.size(); ++f)
            if (fields[f].find_first_not_of("0123456789+-.e") != std::string::npos) Fail("a number that is none");
    }
    if (!reader.Error().empty()) Fail("the output is no CSV");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t choice = data[0];
    const std::size_t piece = 1 + data[1] % 97;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

    kt::DataFileOptions options;
    static constexpr kt::DataKind kKinds[] = {kt::DataKind::Frequency, kt::DataKind::Fractional,
                                              kt::DataKind::Period, kt::DataKind::Phase};
    if (choice & 4) options.kind = kKinds[choice & 3];
    options.column = (choice >> 3) & 3;
    if (choice & 32) options.tau0 = 0.5;
    kt::ExactDecimal nominal;
    if ((choice & 64) && kt::ParseExactDecimal("1e7", nominal)) options.nominal = nominal;

    const kt::DataFile whole = kt::ReadDataFile(bytes, options);
    kt::DataFileReader reader(options);
    for (std::size_t i = 0; i < bytes.size(); i += piece)
        if (!reader.Feed(bytes.substr(i, piece))) break;
    if (!SameSeries(whole, reader.Finish())) Fail("pieces read otherwise than the whole");

    std::size_t values = 0;
    for (const auto& s : whole.series) values += s.y.size();
    if (values > 65536) return 0;  // long series (a gap filled) cost time, not new paths

    kt::StatsOptions stats;
    stats.csv = true;
    stats.kind = options.kind;
    stats.column = options.column;
    stats.tau0 = options.tau0 > 0.0 ? options.tau0 : 0.0;
    if (stats.tau0 == 0.0 && !whole.recording) stats.tau0 = 1.0;
    stats.nominal = options.nominal;
    stats.remove_drift = (choice & 128) != 0;
    for (int with_dev = 0; with_dev < 2; ++with_dev) {
        if (with_dev) stats.deviations.assign(kt::kAllDeviations.begin(), kt::kAllDeviations.end());
        std::istringstream in{std::string(bytes)};
        std::ostringstream out, err;
        kt::AnalyseRecording(in, "fuzz", stats, out, err);
        CheckCsvNumbers(out.str(), with_dev ? 8 : 5);
    }
    return 0;
}
