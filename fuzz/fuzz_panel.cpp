// libFuzzer target: arbitrary byte chunks from the line, DSR changes, clicks,
// menu choices and clock ticks interleaved; nothing may crash, trip a
// sanitizer, let the receive buffer grow without bound or leave a variable
// outside its range. The same bytes, taken as lines of readings, go through
// the record and its CSV form: an exact value must read back as itself and a
// CSV row must give back the line it was written from.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/soft_panel.h"
#include "measurements/csv.h"
#include "measurements/store.h"
#include "support/fake_serial.h"
#include "support/panel_driver.h"

static void Fail(const char* what) {
    std::fprintf(stderr, "readings: %s\n", what);
    std::abort();
}

static void FeedReadings(std::string_view bytes) {
    kt::ReadingStore store(64);
    std::string row;
    std::vector<std::string> fields;
    while (!bytes.empty()) {
        const size_t lf = bytes.find('\n');
        const std::string_view line = bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
        bytes.remove_prefix(line.size());
        const kt::Reading& r = store.Add(line, "FREQUENCY 1", {}, {});
        if (r.has_value && kt::ParseValue(r.exact).exact != r.exact) Fail("an exact value does not read back");
        const kt::ReadingView held = store.At(store.Size() - 1);
        if (held.Text() != r.text || held.Exact() != r.exact || held.has_value != r.has_value ||
            !(held.value == r.value || (held.value != held.value && r.value != r.value)))
            Fail("a held reading is not made again as it came");
        row.clear();
        kt::AppendCsvRow(row, r, {});
        std::istringstream in(row);
        kt::CsvReader reader(in);
        if (!reader.Next(fields) || fields.size() != 6 || fields[2] != r.text) Fail("a CSV row does not read back");
    }
    (void)store.CurrentStats();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FeedReadings(std::string_view(reinterpret_cast<const char*>(data), size));
    kt::test::FakeSerial serial;
    kt::SoftPanel panel(serial);
    panel.Form_Load();
    kt::test::PanelDriver driver(panel, serial);
    while (size > 0) {
        const size_t used = driver.Step(data, size);
        if (used == 0) break;
        data += used;
        size -= used < size ? used : size;
        const std::string broken = kt::test::CheckInvariants(panel);
        if (!broken.empty()) {
            std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
            std::abort();
        }
    }
    return 0;
}
