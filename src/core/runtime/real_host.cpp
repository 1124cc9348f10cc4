#include "runtime/real_host.h"

#include "runtime/deadline_wait.h"
#include "runtime/event_loop.h"

#include <atomic>
#include <iostream>
#include <memory>
#include <thread>

namespace dopplex {

namespace {
// A wait that starts within this much of the previous deadline continues its schedule, unless
// the loop rested in between: a pulse started by a click that came just after the last one
// ended must still get its full half-periods.
constexpr auto kChainSlack = std::chrono::milliseconds(20);
} // namespace

RealHost::RealHost() : start_(Clock::now()) {
    fallback_ = [](const std::string& text) { std::cerr << "Dopplex: " << text << '\n'; };
}

std::int64_t RealHost::now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
}

RealHost::Clock::time_point RealHost::to_time_point(std::int64_t ms) const {
    return start_ + std::chrono::milliseconds(ms);
}

void RealHost::wait(std::int64_t ms) {
    const auto now = Clock::now();
    const bool continues = last_deadline_ && now - *last_deadline_ < kChainSlack;
    last_deadline_ = (continues ? *last_deadline_ : now) + std::chrono::milliseconds(ms);
    std::unique_lock lock(interrupt_mutex_);
    if (!wait_until_woken(lock, interrupt_cv_, *last_deadline_,
                          [this] { return interrupted_ || stop_requested_; })) {
        return;
    }
    if (interrupted_) {
        throw EInterrupted();
    }
    stop_requested_ = false;
    // What follows the cut starts its own schedule, not the one the cut train left behind.
    last_deadline_.reset();
    throw EStopped();
}

void RealHost::request_stop() {
    {
        std::lock_guard lock(interrupt_mutex_);
        if (!stoppable_) {
            return;
        }
        stop_requested_ = true;
    }
    interrupt_cv_.notify_all();
}

void RealHost::enter_stoppable() {
    std::lock_guard lock(interrupt_mutex_);
    stoppable_ = true;
    stop_requested_ = false;
}

void RealHost::leave_stoppable() {
    std::lock_guard lock(interrupt_mutex_);
    stoppable_ = false;
    stop_requested_ = false;
}

void RealHost::interrupt() {
    {
        std::lock_guard lock(interrupt_mutex_);
        interrupted_ = true;
    }
    interrupt_cv_.notify_all();
    if (interrupt_hook_) {
        interrupt_hook_();
    }
}

void RealHost::report(const std::string& text) {
    if (!show_report_ || !loop_) {
        fallback_(text);
        return;
    }
    auto closed = std::make_shared<std::atomic<bool>>(false);
    EventLoop* loop = loop_;
    show_report_(text, [loop, closed] {
        loop->post(EventKind::Control, [closed] { closed->store(true); });
    });
    loop_->serve_report([&] { return closed->load(); });
}

bool RealHost::idle(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                    std::optional<std::int64_t> deadline, const std::function<bool()>& woken) {
    last_deadline_.reset();
    if (deadline) {
        wait_until_woken(lock, cv, to_time_point(*deadline), woken);
    } else {
        cv.wait(lock, woken);
    }
    return true;
}

} // namespace dopplex
