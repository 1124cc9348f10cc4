// Carries values from any thread to a QObject's thread with at most one queued call waiting:
// what arrives while that call waits is merged into its batch, so a producer faster than the
// window costs memory for one batch, never for a queue of them. The batch type decides how
// values merge (keep the latest, append, ...). The delivery is dropped once the receiver is gone.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace dopplex::app {

template <class Batch> class GuiMailbox {
public:
    // `deliver` runs on the receiver's thread with everything merged since the last delivery.
    GuiMailbox(QObject* receiver, std::function<void(Batch&)> deliver)
        : state_(std::make_shared<State>(receiver, std::move(deliver))) {}

    // Any thread: `merge(batch)` adds a value to the waiting batch.
    template <class Merge> void post(Merge&& merge) {
        bool first = false;
        {
            std::lock_guard lock(state_->mutex);
            std::forward<Merge>(merge)(state_->batch);
            first = !std::exchange(state_->queued, true);
        }
        if (!first || state_->receiver.isNull())
            return;
        QMetaObject::invokeMethod(
            state_->receiver.data(),
            [state = state_] {
                Batch batch;
                {
                    std::lock_guard lock(state->mutex);
                    std::swap(batch, state->batch);
                    state->queued = false;
                }
                state->deliver(batch);
            },
            Qt::QueuedConnection);
    }

private:
    struct State {
        State(QObject* r, std::function<void(Batch&)> d) : receiver(r), deliver(std::move(d)) {}
        QPointer<QObject> receiver;
        std::function<void(Batch&)> deliver;
        std::mutex mutex;
        Batch batch;         // guarded by mutex
        bool queued = false; // guarded by mutex
    };
    std::shared_ptr<State> state_;
};

} // namespace dopplex::app
