#include "realtime/realtime_request.h"

namespace dopplex::realtime {

Outcome request_linux(const LinuxCalls& calls, int priority) {
    Outcome outcome;
    if (std::string failed = calls.limit_runaway(); !failed.empty()) {
        outcome.why = "no CPU-time limit for a runaway (" + failed + ")";
        return outcome;
    }
    const std::string level = " " + std::to_string(priority);
    const std::string fifo = calls.set_fifo(priority);
    if (fifo.empty()) {
        outcome.how = "SCHED_FIFO" + level;
    } else if (std::string rtkit = calls.ask_rtkit(priority); rtkit.empty()) {
        outcome.how = "RealtimeKit" + level;
    } else {
        outcome.why = "SCHED_FIFO: " + fifo + "; RealtimeKit: " + rtkit;
        return outcome;
    }
    outcome.realtime = true;
    outcome.memory_locked = calls.lock_memory().empty();
    return outcome;
}

} // namespace dopplex::realtime
