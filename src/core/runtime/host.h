// The engine's view of its surroundings: a millisecond clock, blocking waits and the modal
// general error report. Nothing in the core reads a clock or sleeps any other way.
// Called on the engine thread only. The virtual host runs in virtual time for tests and the
// scenario runner; the real host runs on a monotonic clock for the application.
#pragma once

#include "runtime/report_queue.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

namespace dopplex {

class EventLoop;

// A wait cut short because the program is closing: the handler ends where it waited, and the
// loop goes on quietly to the closing sequence.
class EInterrupted : public std::runtime_error {
public:
    EInterrupted() : std::runtime_error("Interrupted: the program is closing") {}
};

// A wait inside a stoppable stretch (a pulse train) cut short by the operator's Stop. The train
// lowers its line and tells how far it got; the rest of its handler and of the chain that fired
// it does not run.
class EStopped : public std::runtime_error {
public:
    EStopped() : std::runtime_error("Stopped by the operator") {}
};

class Host {
public:
    virtual ~Host() = default;

    virtual std::int64_t now() = 0;

    // Blocks the engine for `ms`; events that arrive meanwhile queue up.
    virtual void wait(std::int64_t ms) = 0;

    // Shows the general error report with `text` (already carrying its final period) and
    // returns when it is closed. While it is open the host lets `loop` serve link events and
    // timer ticks, never operator input.
    virtual void report(const std::string& text) = 0;

    // An error raised while a report was open, which opened none (see ReportQueue). The window
    // has nothing to show for it; the virtual host records it.
    virtual void held(const std::string& /*text*/, ReportHold /*how*/) {}
    // The status line's count of a text held after its report was closed (HeldAfterCloseText).
    virtual void held_status(const std::string& /*line*/) {}

    // Lets the event loop rest while it has nothing to do: until `deadline` (none: until woken)
    // or until `woken()` holds under `lock`. Returns false when nothing can ever arrive.
    virtual bool idle(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                      std::optional<std::int64_t> deadline, const std::function<bool()>& woken) = 0;

    // Stop is out of band: it does not queue behind the handler it cuts. Between enter and
    // leave a wait ends with EStopped at the moment Stop comes; a Stop that finds no stoppable
    // stretch does nothing. enter_stoppable() raises EStopped when a Stop is due at once.
    virtual void enter_stoppable() = 0;
    virtual void leave_stoppable() = 0;

    void attach(EventLoop& loop) { loop_ = &loop; }

protected:
    EventLoop* loop_ = nullptr;
};

// The waits of a pulse train, stoppable for as long as the scope lives.
class StoppableScope {
public:
    explicit StoppableScope(Host& host) : host_(host) { host_.enter_stoppable(); }
    ~StoppableScope() { host_.leave_stoppable(); }
    StoppableScope(const StoppableScope&) = delete;
    StoppableScope& operator=(const StoppableScope&) = delete;

private:
    Host& host_;
};

} // namespace dopplex
