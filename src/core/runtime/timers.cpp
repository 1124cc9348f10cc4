#include "runtime/timers.h"

#include "runtime/clock_math.h"

#include <algorithm>

namespace dopplex {

Timers::Timers(int count, std::int64_t interval_ms) : slots_(count), interval_ms_(interval_ms) {}

void Timers::start(int id, std::int64_t now) {
    Slot& s = slots_.at(id);
    if (s.running) {
        return;
    }
    s.running = true;
    s.pending = false;
    s.next_due = later_by(now, interval_ms_);
}

void Timers::stop(int id) {
    Slot& s = slots_.at(id);
    s.running = false;
    s.pending = false;
}

bool Timers::running(int id) const {
    return slots_.at(id).running;
}

bool Timers::pending(int id, std::int64_t stamp) const {
    const Slot& s = slots_.at(id);
    return s.pending && s.pending_stamp == stamp;
}

std::optional<std::int64_t> Timers::next_due() const {
    std::optional<std::int64_t> next;
    for (const Slot& s : slots_) {
        if (s.running && !s.pending && s.next_due <= last_due_ && (!next || s.next_due < *next)) {
            next = s.next_due;
        }
    }
    return next;
}

std::vector<Timers::Due> Timers::collect(std::int64_t now) {
    std::vector<Due> due;
    for (int id = 0; id < count(); ++id) {
        Slot& s = slots_[id];
        if (!s.running || s.next_due > now || s.next_due > last_due_) {
            continue;
        }
        if (!s.pending) {
            s.pending = true;
            s.pending_stamp = s.next_due;
            due.push_back({id, s.next_due});
        }
        // Missed periods merge into the one pending tick; the phase stays.
        const std::int64_t missed_ms = (now - s.next_due) / interval_ms_ * interval_ms_;
        s.next_due = later_by(s.next_due + missed_ms, interval_ms_);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Due& a, const Due& b) { return a.stamp < b.stamp; });
    return due;
}

void Timers::delivered(int id) {
    slots_.at(id).pending = false;
}

} // namespace dopplex
