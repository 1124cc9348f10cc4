// The engine side of the application: the real host, the event loop, the supervised port and
// the window model, and the engine thread that plays the system's user-interface thread.
// Built and started by the GUI thread; after start() the model belongs to the engine thread and
// is reached only through post_input() and the observers. stop() quits and joins; it never
// throws.
#pragma once

#include "classic/tfmain.h"
#include "dial_watch.h"
#include "keying/press_guard.h"
#include "port/port_backend.h"
#include "port/supervised_port.h"
#include "runtime/event_loop.h"
#include "runtime/real_host.h"
#include "station/classic_station.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dopplex::app {

class EngineSession {
public:
    explicit EngineSession(std::unique_ptr<port::PortBackend> backend);
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    RealHost& host() { return host_; }
    EventLoop& loop() { return loop_; }
    TFMain& form() { return form_; }
    // The typed front door to the model; engine thread, like the model.
    ClassicStation& station() { return station_; }
    DialWatch& dial() { return dial_; }
    port::PortStatus port_status() const { return port_.status(); }

    // Before start(): who hears the port's status (the LED panel's bridge), and who else.
    void set_port_listener(port::PortStatusListener* listener) { relay_.target = listener; }
    void add_port_listener(port::PortStatusListener* listener) { relay_.more.push_back(listener); }
    // Before start(): asked when the port cannot be opened at start; false keeps that fault off
    // the error report (the LED panel still says it), for an operator who was told before.
    void set_open_fault_report(std::function<bool()> report) {
        open_fault_report_ = std::move(report);
    }
    // Before start(): where the timing is logged (standard error by default): a press the guard
    // had to end, and why the engine thread runs at normal priority.
    void set_timing_log(std::function<void(const std::string&)> log) {
        timing_log_ = std::move(log);
    }
    // Before start(): told once, on the engine thread, the scheduling it runs at ("SCHED_FIFO 10",
    // or "normal priority"); and, instead of the timing log, each press the guard had to end.
    void set_priority_listener(std::function<void(const std::string&)> listener) {
        priority_listener_ = std::move(listener);
    }
    void set_late_press_log(std::function<void(const std::string&)> log) {
        late_press_log_ = std::move(log);
    }

    // Engine thread: opens the port, runs FormCreate, calls `created`, then serves events until
    // stop().
    void start(std::function<void()> created);
    // Quits the loop, joins the engine thread and ends the tracker link quietly.
    void stop();
    bool running() const { return thread_.joinable(); }

    // Engine thread: the side's reference as the model holds it becomes the base of the dial
    // estimates when it reads right (reference_check.h); the listeners hear it.
    void commit_reference(Side side);
    // Engine thread: the hint for the side's reference, none when it reads right.
    std::optional<std::string> reference_hint_now(Side side) const;
    // Before start(): who else re-bases on a reference that is done.
    void on_reference(std::function<void(Side, double)> listener) {
        reference_listeners_.push_back(std::move(listener));
    }
    // Before start(): who hears what a side's CAT radio reports (a knob turn, a daemon lost or
    // back, a refusal); engine thread: tells them.
    void on_cat_report(std::function<void(Side, const std::string&)> listener) {
        cat_listeners_.push_back(std::move(listener));
    }
    void cat_report(Side side, const std::string& line) const {
        for (const auto& listener : cat_listeners_) {
            listener(side, line);
        }
    }

    // Operator input, handled in the engine's queue after what is already there.
    void post_input(std::function<void(TFMain&)> input);
    // A station command, handled in the engine's queue as operator input.
    void post_command(std::function<void(Station&)> command);
    // What a tracker in this process delivers, handled as the link's notices are: also while an
    // error report is open.
    void post_tracking(std::function<void(Station&)> delivery);
    // Runs on the engine thread even while an error report is open.
    void post_control(std::function<void(TFMain&)> action);
    // Any thread: the operator's Stop of one side (none: Esc, both): a classic train ends at
    // once out of band, a closed-loop train as the next thing the engine does.
    void request_stop(std::optional<Side> side);
    // Any thread: cuts a running train short and runs the exit sequence before anything queued,
    // which lowers every line and then calls the model's on_close; the loop serves nothing after
    // it. Ready once that sequence has run; a later call returns the same.
    std::shared_future<void> close_now();
    // The window's Exit: the model's exit sequence after what is queued, asked once.
    void request_exit();
    // Any thread: the same at once through close_now() (the close box, signals, logging off);
    // a later Exit is then ignored.
    void request_exit_now();

private:
    // The window hears every status, with the engine's timing note; the other listeners read
    // the model, so they hear only what the engine thread writes (the guard's lowering reaches
    // them with the engine's next write).
    struct StatusRelay : port::PortStatusListener {
        port::PortStatusListener* target = nullptr;
        std::vector<port::PortStatusListener*> more;
        std::thread::id engine;
        std::mutex mutex;
        std::string timing; // guarded by mutex
        void port_status_changed(const port::PortStatus& status) override;
    };
    // The station counts the dials from the lines: before the first write they are low, after a
    // failed one unknown.
    struct StationLines : port::PortStatusListener {
        ClassicStation& station;
        explicit StationLines(ClassicStation& s) : station(s) {}
        void port_status_changed(const port::PortStatus& status) override;
    };

    std::atomic<bool> exit_requested_{false};
    bool opening_port_ = false;
    std::function<bool()> open_fault_report_;
    std::mutex close_mutex_;
    std::shared_future<void> lowered_; // guarded by close_mutex_
    RealHost host_;
    EventLoop loop_{host_};
    StatusRelay relay_;
    port::SupervisedPort port_;
    std::function<void(const std::string&)> timing_log_;
    std::function<void(const std::string&)> priority_listener_;
    std::function<void(const std::string&)> late_press_log_;
    PressGuard guard_;
    DialWatch dial_{guard_};
    TFMain form_{loop_, dial_};
    ClassicStation station_{form_};
    StationLines station_lines_{station_};
    std::thread thread_;
    std::vector<std::function<void(Side, double)>> reference_listeners_;
    std::vector<std::function<void(Side, const std::string&)>> cat_listeners_;
};

} // namespace dopplex::app
