// A thread-safe queue of closures standing in for the engine's event queue where there is no
// window: the transport's notices are posted from its thread and run on the thread that pumps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace dopplex::link {

class EventQueue {
public:
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
        ready_.notify_all();
    }
    // Runs queued closures until done() holds or the time-out passes; returns done().
    bool pump_until(const std::function<bool()>& done, int timeout_ms) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) {
                return done();
            }
            auto f = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            f();
        }
        return true;
    }
    // Runs what is queued and what comes in for timeout_ms.
    void run_for(int timeout_ms) {
        pump_until([] { return false; }, timeout_ms);
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

} // namespace dopplex::link
