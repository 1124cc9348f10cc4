// The engine's one queue: the system's user-interface thread.
// Owns the pending events (arrival order, equal stamps in posting order) and the timers.
// post() may be called from any thread; everything else runs on the engine thread.
// Every handler runs to its end; an error that escapes it is shown by the general error report
// and the loop goes on. While a report is open only link events, ticks and the runtime's own
// events are served; operator input keeps its place in the queue. An error raised meanwhile
// opens no nested report: it waits behind the open one or is counted (ReportQueue), as does one
// that a tracking update or a tick raises again soon after its report was closed.
#pragma once

#include "runtime/event.h"
#include "runtime/host.h"
#include "runtime/report_queue.h"
#include "runtime/timers.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace dopplex {

class EventLoop {
public:
    static constexpr int kTimerCount = 6;

    explicit EventLoop(Host& host);

    Host& host() { return host_; }
    Timers& timers() { return timers_; }

    // Runs a timer's tick: handler(timer id).
    void set_tick_handler(std::function<void(int)> handler) { tick_handler_ = std::move(handler); }
    const std::function<void(int)>& tick_handler() const { return tick_handler_; }

    // Thread-safe. Arrives now, or at `stamp` when given (scripted events of the virtual host).
    void post(EventKind kind, std::function<void()> action,
              std::optional<std::int64_t> stamp = std::nullopt);

    // Serves events until quit() (or, with `until`, until nothing is left up to that time).
    void run(std::optional<std::int64_t> until = std::nullopt);
    void quit();

    // The nested service of an open report: link events, ticks and the runtime's own events,
    // until `closed()` holds or, with `until`, nothing of theirs is left up to that time.
    void serve_report(const std::function<bool()>& closed,
                      std::optional<std::int64_t> until = std::nullopt);

    // Shows the general error report for `message` and returns when it is closed, with the
    // reports that queued up behind it. While a report is open it returns at once.
    void report_error(const std::string& message);

    // Runs `action` as the loop dispatches a handler: an escaping error is reported.
    void guarded(const std::function<void()>& action);

private:
    using Filter = bool (*)(const Event&);
    void serve(Filter filter, const std::function<bool()>& stop, std::optional<std::int64_t> until);
    void gather();
    std::optional<Event> take(Filter filter);
    std::optional<std::int64_t> next_arrival();
    void dispatch(Event& event);
    bool quitting();

    Host& host_;
    Timers timers_;
    std::function<void(int)> tick_handler_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Event> inbox_;   // guarded by mutex_; may hold future stamps (virtual host)
    std::uint64_t next_seq_ = 0; // guarded by mutex_
    bool quit_ = false;

    std::deque<Event> pending_;            // arrived, in (stamp, seq) order; engine thread only
    ReportQueue reports_;                  // engine thread only
    std::optional<EventKind> dispatching_; // the kind of the event being served; engine thread
};

} // namespace dopplex
