#include "runtime/virtual_host.h"

#include "runtime/clock_math.h"
#include "runtime/event_loop.h"

#include <algorithm>

namespace dopplex {

void VirtualHost::probe_at(std::int64_t t, std::function<void()> probe) {
    probes_.emplace(t, std::move(probe));
}

void VirtualHost::advance_to(std::int64_t t) {
    while (!probes_.empty() && probes_.begin()->first <= t) {
        auto probe = probes_.extract(probes_.begin());
        now_ = std::max(now_.load(), probe.key());
        probe.mapped()();
    }
    now_ = std::max(now_.load(), t);
    // A Stop at the very time a train begins must still find it.
    stops_.erase(stops_.begin(), stops_.lower_bound(now_.load()));
}

void VirtualHost::wait(std::int64_t ms) {
    if (ms <= 0) {
        return;
    }
    const std::int64_t end = later_by(now_.load(), ms);
    if (stoppable_) {
        const auto stop = stops_.upper_bound(now_.load());
        if (stop != stops_.end() && *stop <= end) {
            const std::int64_t cut = *stop;
            stops_.erase(stop);
            advance_to(cut);
            throw EStopped();
        }
    }
    advance_to(end);
}

void VirtualHost::enter_stoppable() {
    const auto due = stops_.find(now_.load());
    if (due != stops_.end()) {
        stops_.erase(due);
        throw EStopped();
    }
    stoppable_ = true;
}

void VirtualHost::report(const std::string& text) {
    const Report opened{now_.load(), text};
    if (listener_) {
        listener_(opened);
    } else {
        reports_.push_back(opened);
    }
    deepest_ = std::max(deepest_, ++open_);
    const std::int64_t closes = later_by(now_.load(), report_ms_);
    if (loop_) {
        loop_->serve_report([] { return false; }, closes);
    }
    advance_to(closes);
    --open_;
}

void VirtualHost::held(const std::string& text, ReportHold how) {
    const Held one{now_.load(), text, how};
    if (held_listener_) {
        held_listener_(one);
    } else {
        held_.push_back(one);
    }
}

bool VirtualHost::idle(std::unique_lock<std::mutex>&, std::condition_variable&,
                       std::optional<std::int64_t> deadline, const std::function<bool()>&) {
    if (!deadline) {
        return false; // nothing is scheduled, so nothing can ever arrive
    }
    advance_to(*deadline);
    return true;
}

} // namespace dopplex
