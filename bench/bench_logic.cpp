// Time per received reading through the receive event and the reading
// display, with the fake serial control: the panel's own cost per reading,
// without the window or the operating system.
#include <benchmark/benchmark.h>

#include <string>

#include "core/soft_panel.h"
#include "support/fake_serial.h"
#include "support/identity.h"

namespace {

struct ConnectedPanel {
    kt::test::FakeSerial serial;
    kt::SoftPanel panel{serial};
    ConnectedPanel() {
        panel.Form_Load();
        serial.Receive(kt::test::kIdentity);
        panel.timPowerOn_Timer();
    }
};

// One reading per receive event, as a slow line delivers them.
void OneLinePerChunk(benchmark::State& state) {
    ConnectedPanel c;
    const std::string line = "10.000000123MHz\n";
    for (auto _ : state) {
        c.serial.Receive(line);
        benchmark::DoNotOptimize(c.panel.view.txtDisplay.Text().data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OneLinePerChunk);

// Each reading arrives in three pieces.
void SplitLines(benchmark::State& state) {
    ConnectedPanel c;
    for (auto _ : state) {
        c.serial.Receive("10.0000");
        c.serial.Receive("00123M");
        c.serial.Receive("Hz\n");
        benchmark::DoNotOptimize(c.panel.view.txtDisplay.Text().data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SplitLines);

// Many readings in one receive event, as a fast line or a busy machine
// delivers them; items are readings, not events.
void ManyLinesPerChunk(benchmark::State& state) {
    ConnectedPanel c;
    std::string chunk;
    const auto lines = state.range(0);
    for (int64_t i = 0; i < lines; ++i) chunk += "999.99999kHz\n";
    for (auto _ : state) {
        c.serial.Receive(chunk);
        benchmark::DoNotOptimize(c.panel.view.txtDisplay.Text().data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(ManyLinesPerChunk)->Arg(8)->Arg(64);

// A menu is on the display: readings are assembled but not shown.
void ReadingsWhileMenuShown(benchmark::State& state) {
    ConnectedPanel c;
    c.panel.cmdArm_Click();
    for (auto _ : state) {
        c.serial.Receive("10.000000123MHz\n");
        benchmark::DoNotOptimize(c.panel.view.txtString.Text().data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ReadingsWhileMenuShown);

}  // namespace
