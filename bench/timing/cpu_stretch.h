// The CPU time of a tracking stretch: both sides tracking, one update a second from a feeder
// thread that stands in for the tracker link, a slowly drifting Doppler shift.
// Called by the benchmark's main thread; throws std::runtime_error for a broken run.
#pragma once

#include <string>

namespace dopplex::bench {

struct CpuUse {
    double wall_s = 0;
    double cpu_s = 0; // user + system, all threads of the process
    int updates = 0;
    double percent() const { return wall_s > 0 ? 100.0 * cpu_s / wall_s : 0; }
};

CpuUse run_tracking_stretch(const std::string& trace_path, int seconds);

} // namespace dopplex::bench
