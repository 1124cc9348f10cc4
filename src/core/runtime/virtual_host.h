// A host in virtual time for tests and the scenario runner: waits advance the clock at once,
// scripted events arrive at their stamps, and a report stays open for a set virtual time while
// the loop serves link events and ticks. Records every report with its time, and every error
// that opened none because a report was open, or hands them to listeners instead, so a long run
// keeps nothing.
#pragma once

#include "runtime/host.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dopplex {

class VirtualHost : public Host {
public:
    struct Report {
        std::int64_t t;
        std::string text;
    };
    struct Held {
        std::int64_t t;
        std::string text;
        ReportHold how;
    };

    std::int64_t now() override { return now_.load(); }
    void wait(std::int64_t ms) override;
    void report(const std::string& text) override;
    void held(const std::string& text, ReportHold how) override;
    void held_status(const std::string& line) override { status_line_ = line; }
    bool idle(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
              std::optional<std::int64_t> deadline, const std::function<bool()>& woken) override;

    void set_report_ms(std::int64_t ms) { report_ms_ = ms; }
    // Runs `probe` when the clock reaches `t`, even in the middle of a wait: an observer's
    // look at the state, not an event of the engine.
    void probe_at(std::int64_t t, std::function<void()> probe);
    // The operator's Stop at virtual time `t`: it cuts a train whose wait reaches `t`, before
    // any write the train would make at `t`; with no train running at `t` it does nothing.
    void stop_at(std::int64_t t) { stops_.insert(t); }
    void enter_stoppable() override;
    void leave_stoppable() override { stoppable_ = false; }
    const std::vector<Report>& reports() const { return reports_; }
    const std::vector<Held>& held_reports() const { return held_; }
    // What the status line last said of reports held after their close.
    const std::string& status_line() const { return status_line_; }
    // The most reports that were open at once.
    int deepest_report() const { return deepest_; }
    // Called for every report as it opens, and every held error, instead of recording them (the
    // scenario runner prints them).
    void on_report(std::function<void(const Report&)> listener) { listener_ = std::move(listener); }
    void on_held(std::function<void(const Held&)> listener) {
        held_listener_ = std::move(listener);
    }

private:
    void advance_to(std::int64_t t);

    // Read by post() on other threads; only the engine thread moves it.
    std::atomic<std::int64_t> now_{0};
    std::multimap<std::int64_t, std::function<void()>> probes_;
    std::multiset<std::int64_t> stops_; // those before now_ are gone
    bool stoppable_ = false;
    std::int64_t report_ms_ = 0;
    std::vector<Report> reports_;
    std::function<void(const Report&)> listener_;
    std::vector<Held> held_;
    std::function<void(const Held&)> held_listener_;
    std::string status_line_;
    int open_ = 0;
    int deepest_ = 0;
};

} // namespace dopplex
