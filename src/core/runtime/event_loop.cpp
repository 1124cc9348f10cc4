#include "runtime/event_loop.h"

#include "base/numtext.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace dopplex {

namespace {

bool any_event(const Event&) {
    return true;
}
bool served_during_report(const Event& e) {
    return e.kind != EventKind::Input;
}
bool earlier(const Event& a, const Event& b) {
    return a.stamp != b.stamp ? a.stamp < b.stamp : a.seq < b.seq;
}

} // namespace

EventLoop::EventLoop(Host& host) : host_(host), timers_(kTimerCount) {
    host_.attach(*this);
}

void EventLoop::post(EventKind kind, std::function<void()> action,
                     std::optional<std::int64_t> stamp) {
    {
        std::lock_guard lock(mutex_);
        Event e;
        e.stamp = stamp ? *stamp : host_.now();
        e.seq = next_seq_++;
        e.kind = kind;
        e.action = std::move(action);
        inbox_.push_back(std::move(e));
    }
    cv_.notify_all();
}

void EventLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
}

void EventLoop::run(std::optional<std::int64_t> until) {
    serve(
        any_event, [this] { return quitting(); }, until);
}

void EventLoop::serve_report(const std::function<bool()>& closed,
                             std::optional<std::int64_t> until) {
    serve(
        served_during_report, [&] { return quitting() || closed(); }, until);
}

bool EventLoop::quitting() {
    std::lock_guard lock(mutex_);
    return quit_;
}

void EventLoop::report_error(const std::string& message) {
    const std::string text = ReportText(message);
    const bool from_feed = dispatching_ == EventKind::Link || dispatching_ == EventKind::Tick;
    if (const std::optional<ReportHold> hold = reports_.offer(text, from_feed, host_.now())) {
        host_.held(text, *hold);
        if (*hold == ReportHold::AfterClose) {
            host_.held_status(HeldAfterCloseText(text, reports_.held_after_close(text)));
        }
        return;
    }
    try {
        for (std::optional<std::string> open = text; open; open = reports_.next(host_.now())) {
            host_.report(*open);
            if (quitting()) {
                reports_.abandon();
                return;
            }
        }
    } catch (...) {
        // A report that could not be shown must not hold every later one back.
        reports_.abandon();
        throw;
    }
}

void EventLoop::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const EInterrupted&) {
        // Closing: the handler stops where it waited; there is nothing to tell the operator.
    } catch (const EStopped&) {
        // The operator's Stop: the train that was cut has logged it.
    } catch (const std::exception& e) {
        report_error(e.what());
    }
}

void EventLoop::serve(Filter filter, const std::function<bool()>& stop,
                      std::optional<std::int64_t> until) {
    while (!stop()) {
        gather();
        if (auto event = take(filter)) {
            dispatch(*event);
            continue;
        }
        std::optional<std::int64_t> wake = next_arrival();
        if (until && (!wake || *wake > *until)) {
            if (host_.now() >= *until) {
                return;
            }
            wake = until;
        }
        std::unique_lock lock(mutex_);
        const std::uint64_t seen = next_seq_;
        const bool alive = host_.idle(lock, cv_, wake, [&] { return quit_ || next_seq_ != seen; });
        if (!alive) {
            return;
        }
    }
}

// Moves everything that has arrived by now into the pending queue, in arrival order.
void EventLoop::gather() {
    const std::int64_t now = host_.now();
    std::vector<Event> arrived;
    {
        std::lock_guard lock(mutex_);
        auto split = std::stable_partition(inbox_.begin(), inbox_.end(),
                                           [now](const Event& e) { return e.stamp > now; });
        std::move(split, inbox_.end(), std::back_inserter(arrived));
        inbox_.erase(split, inbox_.end());
        for (const Timers::Due& due : timers_.collect(now)) {
            Event e;
            e.stamp = due.stamp;
            e.seq = next_seq_++;
            e.kind = EventKind::Tick;
            e.timer = due.id;
            arrived.push_back(std::move(e));
        }
    }
    for (Event& e : arrived) {
        pending_.insert(std::upper_bound(pending_.begin(), pending_.end(), e, earlier),
                        std::move(e));
    }
}

std::optional<Event> EventLoop::take(Filter filter) {
    // A tick whose timer was stopped after it fell due is never delivered, even when the timer
    // was started again.
    std::erase_if(pending_, [this](const Event& e) {
        return e.kind == EventKind::Tick && !timers_.pending(e.timer, e.stamp);
    });
    auto it = std::find_if(pending_.begin(), pending_.end(), filter);
    if (it == pending_.end()) {
        return std::nullopt;
    }
    Event e = std::move(*it);
    pending_.erase(it);
    return e;
}

std::optional<std::int64_t> EventLoop::next_arrival() {
    std::optional<std::int64_t> next = timers_.next_due();
    std::lock_guard lock(mutex_);
    for (const Event& e : inbox_) {
        if (!next || e.stamp < *next) {
            next = e.stamp;
        }
    }
    return next;
}

void EventLoop::dispatch(Event& event) {
    // Nested: an event served while a report is open, inside the handler that raised it.
    struct Serving {
        std::optional<EventKind>& kind;
        std::optional<EventKind> outer;
        ~Serving() { kind = outer; }
    } serving{dispatching_, std::exchange(dispatching_, event.kind)};
    if (event.kind == EventKind::Tick) {
        timers_.delivered(event.timer);
        if (tick_handler_) {
            guarded([&] { tick_handler_(event.timer); });
        }
        return;
    }
    guarded(event.action);
}

} // namespace dopplex
