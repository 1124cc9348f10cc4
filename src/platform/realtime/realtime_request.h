// The engine thread's request for real-time scheduling, so that a loaded machine does not
// stretch its presses. On Linux, in order: a CPU-time limit for real-time threads (so a runaway
// handler cannot freeze the machine; without it nothing is asked), SCHED_FIFO directly (root,
// CAP_SYS_NICE or an RLIMIT_RTPRIO), else RealtimeKit over the system bus as desktop audio
// programs do; memory is locked once the thread is real-time, where the limits allow. On
// Windows, a time-critical thread in the multimedia class scheduler's "Pro Audio" task.
// Called on the thread that wants the priority; the system calls are injectable for tests.
#pragma once

#include <functional>
#include <string>

namespace dopplex::realtime {

// Above any desktop audio thread RealtimeKit grants by default (at most 20), below the kernel's
// own threads.
inline constexpr int kEnginePriority = 10;
// The press guard's watchdog preempts the engine it watches.
inline constexpr int kWatchdogPriority = kEnginePriority + 1;

struct Outcome {
    bool realtime = false;
    std::string how; // "SCHED_FIFO 10", "RealtimeKit 10", "THREAD_PRIORITY_TIME_CRITICAL"...
    std::string why; // when not real-time: what each way answered
    bool memory_locked = false;
    // What the LED panel says about it: empty when the thread is real-time.
    std::string note() const { return realtime ? std::string() : "timing: normal priority"; }
};

// Each answers an empty text on success, else what failed.
struct LinuxCalls {
    std::function<std::string()> limit_runaway;         // RLIMIT_RTTIME, and what ends a runaway
    std::function<std::string(int priority)> set_fifo;  // sched_setscheduler
    std::function<std::string(int priority)> ask_rtkit; // MakeThreadRealtime
    std::function<std::string()> lock_memory;           // mlockall
};

Outcome request_linux(const LinuxCalls& calls, int priority);

// The calling thread's request with the system's own calls.
Outcome request_for_this_thread(int priority);
// Back to the normal scheduling, for a benchmark that compares both on one thread.
void return_to_normal();

} // namespace dopplex::realtime
