// Carries values from any thread to a window's thread with at most one delivery waiting: what
// arrives while it waits is merged into its batch, so a producer faster than the window costs
// memory for one batch, never for a queue of them. The batch type decides how values merge
// (keep the latest, append, ...); the toolkit only says how a call reaches its thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace dopplex::app {

// Hands `deliver` to the window's thread; false once the window is gone (nothing is then
// delivered any more).
using MailboxSchedule = std::function<bool(std::function<void()> deliver)>;

template <class Batch> class Mailbox {
public:
    using Schedule = MailboxSchedule;

    // `deliver` runs on the window's thread with everything merged since the last delivery.
    Mailbox(Schedule schedule, std::function<void(Batch&)> deliver)
        : state_(std::make_shared<State>(std::move(schedule), std::move(deliver))) {}

    // Any thread: `merge(batch)` adds a value to the waiting batch.
    template <class Merge> void post(Merge&& merge) {
        bool first = false;
        {
            std::lock_guard lock(state_->mutex);
            std::forward<Merge>(merge)(state_->batch);
            first = !std::exchange(state_->queued, true);
        }
        if (!first) {
            return;
        }
        state_->schedule([state = state_] {
            Batch batch;
            {
                std::lock_guard lock(state->mutex);
                std::swap(batch, state->batch);
                state->queued = false;
            }
            state->deliver(batch);
        });
    }

private:
    struct State {
        State(Schedule s, std::function<void(Batch&)> d)
            : schedule(std::move(s)), deliver(std::move(d)) {}
        Schedule schedule;
        std::function<void(Batch&)> deliver;
        std::mutex mutex;
        Batch batch;         // guarded by mutex
        bool queued = false; // guarded by mutex
    };
    std::shared_ptr<State> state_;
};

} // namespace dopplex::app
