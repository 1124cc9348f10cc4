// One entry of the engine's queue.
#pragma once

#include <cstdint>
#include <functional>

namespace dopplex {

enum class EventKind {
    Link,    // tracking update, link opened, link closed: served also while a report is open
    Tick,    // a timer's period: served also while a report is open
    Input,   // operator input: waits while a report is open
    Control, // the runtime's own (report closed, quit, errors from outside handlers)
};

struct Event {
    std::int64_t stamp = 0; // arrival time, ms
    std::uint64_t seq = 0;  // arrival order among equal stamps
    EventKind kind = EventKind::Control;
    int timer = -1; // for ticks
    std::function<void()> action;
};

} // namespace dopplex
