// The application's host: a monotonic clock and real blocking waits on the engine thread.
// Consecutive waits of one handler chain on absolute deadlines, so a long pulse train does not
// drift by the time spent writing between its waits; once the loop has rested, the next wait
// starts afresh. The report is shown by the window through `show_report`, which must call
// `closed` (from any thread) when the operator closes it.
#pragma once

#include "runtime/host.h"

#include <chrono>
#include <functional>
#include <string>

namespace dopplex {

class RealHost : public Host {
public:
    using Clock = std::chrono::steady_clock;
    using ShowReport = std::function<void(const std::string& text, std::function<void()> closed)>;

    RealHost();

    std::int64_t now() override;
    void wait(std::int64_t ms) override;
    void report(const std::string& text) override;
    void held_status(const std::string& line) override {
        if (show_held_status_) {
            show_held_status_(line);
        }
    }
    bool idle(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
              std::optional<std::int64_t> deadline, const std::function<bool()>& woken) override;

    // Without a window the report goes to `fallback` (standard error by default) and closes at
    // once.
    void set_show_report(ShowReport show) { show_report_ = std::move(show); }
    void set_fallback_report(std::function<void(const std::string&)> fallback) {
        fallback_ = std::move(fallback);
    }
    // Who shows the count of a report held after its close on the status line (engine thread).
    void set_show_held_status(std::function<void(const std::string&)> show) {
        show_held_status_ = std::move(show);
    }

    Clock::time_point to_time_point(std::int64_t ms) const;

    // Any thread: every wait from now on ends at once with EInterrupted, so a long train cannot
    // hold up closing the program. Then runs the interrupt hook.
    void interrupt();
    // Before the engine starts: cuts short the waits the host does not own (the link's
    // requests); called by interrupt() on its caller's thread.
    void set_interrupt_hook(std::function<void()> hook) { interrupt_hook_ = std::move(hook); }

    // Any thread: the running train's wait ends at once with EStopped; without a train it does
    // nothing.
    void request_stop();
    void enter_stoppable() override;
    void leave_stoppable() override;

private:
    Clock::time_point start_;
    std::mutex interrupt_mutex_;
    std::condition_variable interrupt_cv_;
    bool interrupted_ = false;                       // guarded by interrupt_mutex_
    bool stoppable_ = false;                         // guarded by interrupt_mutex_
    bool stop_requested_ = false;                    // guarded by interrupt_mutex_
    std::optional<Clock::time_point> last_deadline_; // none after a rest
    ShowReport show_report_;
    std::function<void(const std::string&)> fallback_;
    std::function<void(const std::string&)> show_held_status_;
    std::function<void()> interrupt_hook_;
};

} // namespace dopplex
