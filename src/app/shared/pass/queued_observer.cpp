#include "queued_observer.h"

namespace dopplex::app {

QueuedObserver::QueuedObserver(PassObserver& target)
    : target_(target), thread_([this] { serve(); }) {}

QueuedObserver::~QueuedObserver() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    cv_.notify_one();
    thread_.join();
}

void QueuedObserver::pass_started(const TrackingPoint& aos) {
    post([this, aos] { target_.pass_started(aos); });
}

void QueuedObserver::tracking_update(const TrackingPoint& point) {
    TrackingPoint kept = point;
    kept.satellite.clear(); // only the start names the pass; a tracker may send long names
    post([this, kept] { target_.tracking_update(kept); });
}

void QueuedObserver::pulse_sent(const PulseRecord& pulse) {
    post([this, pulse] { target_.pulse_sent(pulse); });
}

void QueuedObserver::cat_reported(const CatRecord& report) {
    post([this, report] { target_.cat_reported(report); });
}

void QueuedObserver::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    cv_.notify_one();
}

void QueuedObserver::serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return done_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return; // done, and everything queued was served
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace dopplex::app
