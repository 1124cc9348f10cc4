// The measured runs: each drives a fresh window (or the naive loop) on the real host into its
// own trace file, then compares the line edges with the ideal schedule of its kind.
// Called by the benchmark's main thread; throws std::runtime_error for a broken run.
#pragma once

#include "edge_errors.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dopplex::bench {

// One counted pulse train of `pulses` on the RX UP line, as a train stage sends it.
EdgeErrors run_train(const std::string& trace_path, int pulses);

// A train as above, with the lengths of its presses (rise to fall, ms) and how many the guard
// ended; the guard's watchdog runs `watchdog_setup` first.
struct TrainPresses {
    EdgeErrors errors;
    std::vector<double> press_ms;
    int late = 0;
    int missing = 0; // presses asked for that never reached the lines
};
TrainPresses run_train_presses(const std::string& trace_path, int pulses,
                               std::function<void()> watchdog_setup);

// The closed loop's RX presses after Tune RX, `presses` steps of 100 Hz from the reference to
// the Doppler frequency, each held `press_ms` with `gap_ms` between; `late`: the presses the
// guard ended; `missing`: those not sent by the end of the run; `watchdog_setup` as for a train.
TrainPresses run_loop_presses(const std::string& trace_path, int presses, std::int64_t press_ms,
                              std::int64_t gap_ms, std::function<void()> watchdog_setup = {});

// "Freq. UP" clicks arriving alternately 200 ms and 10 ms after the pulse before has ended.
EdgeErrors run_single_pulses(const std::string& trace_path, int clicks);

// RX tracking after "Start Tracking", with updates that make every tick pulse.
EdgeErrors run_tracking_ticks(const std::string& trace_path, int ticks);

// "Tune RX" clicked `chains` times in a row, each sending `pulses` pulses: pre-fire waits,
// holds, the train and the tune-complete line.
EdgeErrors run_tune_chains(const std::string& trace_path, int chains, int pulses);

// The baseline: the same pulses written from a loop that sleeps 200 ms after every write.
EdgeErrors run_naive_loop(const std::string& trace_path, int pulses);

} // namespace dopplex::bench
