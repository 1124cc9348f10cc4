// Hands what the engine thread tells a pass observer to a thread of its own, in order, so a slow
// disk never holds up a pulse. The destructor serves what is queued, then joins.
#pragma once

#include "pass_record.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace dopplex::app {

class QueuedObserver final : public PassObserver {
public:
    explicit QueuedObserver(PassObserver& target);
    ~QueuedObserver() override;
    QueuedObserver(const QueuedObserver&) = delete;
    QueuedObserver& operator=(const QueuedObserver&) = delete;

    void pass_started(const TrackingPoint& aos) override;
    void tracking_update(const TrackingPoint& point) override;
    void pulse_sent(const PulseRecord& pulse) override;
    void cat_reported(const CatRecord& report) override;

private:
    void post(std::function<void()> job);
    void serve();

    PassObserver& target_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> jobs_; // guarded by mutex_
    bool done_ = false;                      // guarded by mutex_
    std::thread thread_;
};

} // namespace dopplex::app
