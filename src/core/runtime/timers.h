// The window's periodic timers. Owns each timer's running state, phase and pending tick.
// Used by the event loop (collect, take) and by handlers (start, stop) on the engine thread.
// Periods missed while the engine was busy merge into one pending tick; starting a running
// timer keeps its phase.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace dopplex {

class Timers {
public:
    struct Due {
        int id;
        std::int64_t stamp;
    };

    explicit Timers(int count, std::int64_t interval_ms = 500);

    void start(int id, std::int64_t now);
    // Also drops a tick that is pending but not yet delivered.
    void stop(int id);
    bool running(int id) const;
    int count() const { return static_cast<int>(slots_.size()); }
    // No tick falls due after `t`: a run that ends at `t` serves no later tick, however far a
    // busy handler has carried the clock past it.
    void set_last_due(std::int64_t t) { last_due_ = t; }

    // The earliest time a running timer without a pending tick falls due.
    std::optional<std::int64_t> next_due() const;
    // Marks every timer due by `now` as pending and returns the new ticks in time order.
    std::vector<Due> collect(std::int64_t now);
    // The tick of `id` is being delivered: a later period may queue the next one.
    void delivered(int id);
    // False when the tick stamped `stamp` was dropped by a stop since it was collected (a
    // restart's own tick has a later stamp).
    bool pending(int id, std::int64_t stamp) const;

private:
    struct Slot {
        bool running = false;
        bool pending = false;
        std::int64_t pending_stamp = 0;
        std::int64_t next_due = 0;
    };
    std::vector<Slot> slots_;
    std::int64_t interval_ms_;
    std::int64_t last_due_ = std::numeric_limits<std::int64_t>::max();
};

} // namespace dopplex
