// The main window on the real host, writing through the trace backend into one file: what the
// application runs, without the Qt view and the tracker link. Built and driven on the benchmark's
// main thread, which plays the engine thread. finish() throws std::runtime_error when an error
// report was raised or the port failed, so a broken run never yields figures.
#pragma once

#include "classic/tfmain.h"
#include "keying/press_guard.h"
#include "port/supervised_port.h"
#include "runtime/event_loop.h"
#include "runtime/real_host.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dopplex::bench {

// References on the 100 Hz grid; the tracking texts place the Doppler frequencies around them.
inline constexpr std::int64_t kRxReferenceHz = 436'778'400;
inline constexpr std::int64_t kTxReferenceHz = 145'917'000;

// A tracking record above the horizon with these frequencies.
std::string tracking_text(std::int64_t downlink_hz, std::int64_t uplink_hz);

class BenchWindow {
public:
    // As in the application, the presses pass the guard, whose watchdog first runs
    // `watchdog_setup` (its scheduling request).
    explicit BenchWindow(const std::string& trace_path, std::function<void()> watchdog_setup = {});

    // The start-up, both references typed, "Enable hardware" ticked and a first tracking update
    // with these frequencies, so that the tuning actions are enabled.
    void prepare(std::int64_t downlink_hz, std::int64_t uplink_hz);

    // As the tracker link delivers an update: on the engine thread.
    void feed(const std::string& text);
    // Posts an update (or a click) that arrives at host time `stamp`, or now.
    void post_update(const std::string& text, std::optional<std::int64_t> stamp = std::nullopt);
    void post_click(const std::string& name, std::optional<std::int64_t> stamp = std::nullopt);
    void post_quit(std::optional<std::int64_t> stamp = std::nullopt);

    void finish();

    RealHost host;
    EventLoop loop{host};
    port::SupervisedPort port;
    std::atomic<int> late_presses{0};
    PressGuard guard{port, [this] { return host.now(); },
                     [this](const LatePress&) { ++late_presses; }};
    TFMain form{loop, guard};

private:
    std::vector<std::string> reports_;
};

} // namespace dopplex::bench
