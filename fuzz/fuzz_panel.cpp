// libFuzzer target: arbitrary byte chunks from the line, DSR changes, clicks,
// menu choices and clock ticks interleaved; nothing may crash, trip a
// sanitizer, let the receive buffer grow without bound or leave a variable
// outside its range.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/soft_panel.h"
#include "support/fake_serial.h"
#include "support/panel_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
