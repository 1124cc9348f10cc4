// A thread-safe event queue standing in for the engine's, for tests of the link transports.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "eventually.h"

namespace dopplex::test {

// The engine's queue: post() from any thread, pump_until() on the test thread.
class EventQueue {
public:
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
        ready_.notify_all();
    }
    // Runs queued closures until done() holds or the time-out passes; returns done().
    bool pump_until(const std::function<bool()>& done,
                    int timeout_ms = static_cast<int>(kPatience.count())) {
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

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

} // namespace dopplex::test
