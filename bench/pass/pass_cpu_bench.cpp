// CPU time of a whole pass in virtual time: fifteen minutes of one update a second with the RX
// and TX tracking timers running from AOS, as the scenario runner and the tests run it.
#include "classic/tfmain.h"
#include "keying/recording_port.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

using namespace dopplex;

constexpr std::int64_t kPassMs = 15 * 60 * 1000;
constexpr double kPi = 3.14159265358979323846;

// The tracker's text at `t`: the satellite rises to 60 degrees and sets; the Doppler shift
// swings through zero at the culmination.
std::string tracking_text(std::int64_t t) {
    const double phase = static_cast<double>(t) / kPassMs; // 0 .. 1
    const double elevation = 1.0 + 59.0 * std::sin(kPi * phase);
    const double swing = std::cos(kPi * phase);
    const double downlink = 435150000.0 + 10000.0 * swing;
    const double uplink = 145920000.0 - 3300.0 * swing;
    return "SN\"AO-51\" AZ" + std::to_string(360.0 * phase) + " EL" + std::to_string(elevation) +
           " DN" + std::to_string(downlink) + " UP" + std::to_string(uplink) + " UM\"FM\" DM\"FM\"";
}

void BM_FifteenMinutePass(benchmark::State& state) {
    std::size_t writes = 0;
    for (auto _ : state) {
        VirtualHost host;
        EventLoop loop(host);
        RecordingPort port(host);
        TFMain form(loop, port);
        loop.guarded([&] { form.FormCreate(); });
        form.Type("Edit1", "4.3515E8");
        form.Type("Edit13", "1.4592E8");
        form.Click("CheckBox1");
        for (std::int64_t t = 1000; t <= kPassMs; t += 1000) {
            loop.post(
                EventKind::Link,
                [&form, text = tracking_text(t)] { form.TrackingDataEx.receive(text); }, t);
        }
        loop.post(
            EventKind::Input, [&form] { form.Click("Button11"); }, 1500);
        loop.post(
            EventKind::Input, [&form] { form.Click("Button19"); }, 1500);
        loop.run(kPassMs);
        if (!form.timer_running(TFMain::Timer2) || !form.timer_running(TFMain::Timer4) ||
            !host.reports().empty()) {
            state.SkipWithError("the pass did not track on both sides");
            return;
        }
        writes = port.writes().size();
        benchmark::DoNotOptimize(writes);
    }
    state.counters["port_writes"] = static_cast<double>(writes);
}
BENCHMARK(BM_FifteenMinutePass)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
