#include "runs.h"

#include "base/numtext.h"
#include "bench_window.h"
#include "classic/pulse_train.h"
#include "keying/pulses.h"
#include "port/trace.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace dopplex::bench {

namespace {

constexpr int kRxUpBit = 0;
constexpr int kRxDownBit = 1;
constexpr int kRxTunedBit = 2;
constexpr double kHalfMs = 200;
constexpr std::int64_t kTickMs = 500;
// Clicks come alternately well after the pulse before has ended and just after it.
constexpr std::int64_t kSingleGapsMs[] = {200, 10};
// Tune: pre-fire and hold of the train stage; after the train, pre-fire and hold of Adjust, the
// hold of the disarmed catch-up stage and the hold of the disarmed DOWN stage.
constexpr double kTuneLeadMs = 1000 + 200;
constexpr double kTuneTailMs = 1000 + 250 + 200 + 200;
// Lets the first posted event arrive after the window is ready.
constexpr std::int64_t kSettleMs = 50;
constexpr std::uint16_t kPortAddress = 888;

constexpr std::uint8_t mask(int bit) {
    return static_cast<std::uint8_t>(1u << bit);
}

// One pulse of a schedule laid from the run's origin: rising at `start`, falling a
// half-period later.
void add_pulse(std::vector<IdealEdge>& schedule, double start, int bit) {
    schedule.push_back({start, bit, true});
    schedule.push_back({start + kHalfMs, bit, false});
}

// One pulse started by an event: rising when the event is due (monotonic ms), falling a
// half-period after the rise, since the pulse's own waits start there.
void add_event_pulse(std::vector<IdealEdge>& schedule, double due, int bit) {
    schedule.push_back({due, bit, true});
    schedule.push_back({kHalfMs, bit, false, static_cast<int>(schedule.size()) - 1});
}

double monotonic_ms(const RealHost& host, std::int64_t host_ms) {
    return std::chrono::duration<double, std::milli>(host.to_time_point(host_ms).time_since_epoch())
        .count();
}

std::vector<IdealEdge> train_schedule(int pulses, int bit) {
    std::vector<IdealEdge> schedule;
    for (int p = 0; p < pulses; ++p) {
        add_pulse(schedule, 2 * kHalfMs * p, bit);
    }
    return schedule;
}

// The clock as a run's own actions begin; writes of the setup before are no edges of it.
std::int64_t run_begins() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

EdgeErrors measure(const std::string& trace_path, std::int64_t since_ns, std::uint8_t bits,
                   const std::vector<IdealEdge>& schedule, Origin origin) {
    return compare_edges(line_edges(read_trace(trace_path), bits, since_ns), schedule, origin);
}

// Each press from its rising edge to its falling one, ms.
std::vector<double> press_lengths(const std::vector<Edge>& edges) {
    std::vector<double> lengths;
    for (std::size_t k = 1; k < edges.size(); ++k) {
        if (edges[k - 1].rising && !edges[k].rising) {
            lengths.push_back(edges[k].ms - edges[k - 1].ms);
        }
    }
    return lengths;
}

} // namespace

TrainPresses run_train_presses(const std::string& trace_path, int pulses,
                               std::function<void()> watchdog_setup) {
    std::int64_t since = 0;
    TrainPresses result;
    {
        BenchWindow window(trace_path, std::move(watchdog_setup));
        window.prepare(kRxReferenceHz, kTxReferenceHz);
        since = run_begins();
        TFMain& form = window.form;
        form.Edit4.set_text(FormatInteger(pulses));
        PulseTrain(form.latch, window.host, {form.Edit3, form.Edit4, &form.Memo1, Channel::RxUp});
        window.finish();
        result.late = window.late_presses.load();
    }
    const std::vector<Edge> edges = line_edges(read_trace(trace_path), mask(kRxUpBit), since);
    result.press_ms = press_lengths(edges);
    result.errors = compare_edges(edges, train_schedule(pulses, kRxUpBit), Origin::FirstEdge);
    return result;
}

TrainPresses run_loop_presses(const std::string& trace_path, int presses, std::int64_t press_ms,
                              std::int64_t gap_ms, std::function<void()> watchdog_setup) {
    std::int64_t since = 0;
    TrainPresses result;
    {
        BenchWindow window(trace_path, std::move(watchdog_setup));
        window.prepare(kRxReferenceHz + 100 * presses, kTxReferenceHz);
        TFMain& form = window.form;
        LoopSettings settings;
        settings.side(Side::Rx) = LoopSide{100, press_ms, gap_ms};
        form.closed_loop.configure(settings);
        form.SetTrackingMode(TrackingMode::Closed);
        // The loop hears the updates applied in closed mode.
        window.feed(tracking_text(kRxReferenceHz + 100 * presses, kTxReferenceHz));
        since = run_begins();
        window.post_click("Button1");
        window.post_quit(window.host.now() + presses * (press_ms + gap_ms) + 1000);
        window.loop.run();
        window.finish();
        result.late = window.late_presses.load();
    }
    const std::vector<Edge> edges = line_edges(read_trace(trace_path), mask(kRxUpBit), since);
    result.press_ms = press_lengths(edges);
    // A loaded machine may leave presses unsent when the run ends: a figure of the run, not a
    // broken one.
    result.missing = std::max(0, presses - static_cast<int>(result.press_ms.size()));
    return result;
}

EdgeErrors run_train(const std::string& trace_path, int pulses) {
    return run_train_presses(trace_path, pulses, {}).errors;
}

EdgeErrors run_single_pulses(const std::string& trace_path, int clicks) {
    std::int64_t since = 0;
    std::vector<IdealEdge> schedule;
    {
        BenchWindow window(trace_path);
        window.prepare(kRxReferenceHz, kTxReferenceHz);
        since = run_begins();
        std::int64_t due = window.host.now() + kSettleMs;
        for (int k = 0; k < clicks; ++k) {
            window.post_click("Button2", due);
            add_event_pulse(schedule, monotonic_ms(window.host, due), kRxUpBit);
            due += 2 * static_cast<std::int64_t>(kHalfMs) + kSingleGapsMs[k % 2];
        }
        window.post_quit(due);
        window.loop.run();
        window.finish();
    }
    return measure(trace_path, since, mask(kRxUpBit), schedule, Origin::Absolute);
}

EdgeErrors run_tracking_ticks(const std::string& trace_path, int ticks) {
    std::int64_t since = 0;
    std::vector<IdealEdge> schedule;
    {
        BenchWindow window(trace_path);
        window.prepare(kRxReferenceHz, kTxReferenceHz);
        since = run_begins();
        const std::int64_t start = window.host.now() + kSettleMs;
        std::int64_t started = start; // the timer's phase: the clock as the click is handled
        window.loop.post(
            EventKind::Input,
            [&] {
                started = window.host.now();
                window.form.Click("Button11");
            },
            start);
        // Halfway between ticks the downlink falls by one step, so every tick pulses once.
        for (int k = 0; k < ticks; ++k) {
            window.post_update(tracking_text(kRxReferenceHz - 100 * (k + 1), kTxReferenceHz),
                               start + kTickMs / 2 + k * kTickMs);
        }
        window.post_quit(start + ticks * kTickMs + kTickMs - 50);
        window.loop.run();
        window.finish();
        for (int k = 0; k < ticks; ++k) {
            add_event_pulse(schedule, monotonic_ms(window.host, started + (k + 1) * kTickMs),
                            kRxDownBit);
        }
    }
    return measure(trace_path, since, mask(kRxDownBit), schedule, Origin::Absolute);
}

EdgeErrors run_tune_chains(const std::string& trace_path, int chains, int pulses) {
    std::int64_t since = 0;
    std::vector<IdealEdge> schedule;
    {
        BenchWindow window(trace_path);
        window.prepare(kRxReferenceHz + 100 * pulses, kTxReferenceHz);
        TFMain& form = window.form;
        // Lit as an earlier Tune leaves it, so the first Tune marks its start on the line.
        form.latch.set_flag(Channel::RxTuned, true);
        form.latch.write_channel_byte();
        since = run_begins();
        // Queued together, each Tune starts as the one before returns: one unbroken schedule.
        double start = 0;
        for (int c = 0; c < chains; ++c) {
            window.post_click("Button1");
            // The Tune starts by clearing the tune-complete line.
            schedule.push_back({start, kRxTunedBit, false});
            const double train = start + kTuneLeadMs;
            for (int p = 0; p < pulses; ++p) {
                add_pulse(schedule, train + 2 * kHalfMs * p, kRxUpBit);
            }
            const double tuned = train + 2 * kHalfMs * pulses;
            schedule.push_back({tuned, kRxTunedBit, true});
            start = tuned + kTuneTailMs;
        }
        window.post_quit();
        window.loop.run();
        window.finish();
    }
    return measure(trace_path, since, mask(kRxUpBit) | mask(kRxTunedBit), schedule,
                   Origin::FirstEdge);
}

EdgeErrors run_naive_loop(const std::string& trace_path, int pulses) {
    std::int64_t since = 0;
    {
        port::TracePort port(trace_path);
        port.open();
        since = run_begins();
        for (int half = 0; half < 2 * pulses; ++half) {
            port.write(kPortAddress, half % 2 == 0 ? mask(kRxUpBit) : 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    return measure(trace_path, since, mask(kRxUpBit), train_schedule(pulses, kRxUpBit),
                   Origin::FirstEdge);
}

} // namespace dopplex::bench
