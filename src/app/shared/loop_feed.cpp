#include "loop_feed.h"

#include "tracking_settings.h"

#include <stdexcept>

namespace dopplex::app {

LoopFeed::LoopFeed(EngineSession& session, Sink sink, Problem problem)
    : session_(session), sink_(std::move(sink)), problem_(std::move(problem)) {
    session_.form().add_observer(this);
}

void LoopFeed::remember_in(SettingsStore* store, TrackingMode remembered_mode) {
    store_ = store;
    remembered_mode_ = remembered_mode;
    seen_mode_ = session_.form().tracking_mode;
    remembered_ = memory_values(memory());
}

TrackingMemory LoopFeed::memory() {
    TrackingMemory memory = tracking_memory(session_.form());
    if (memory.mode != seen_mode_) {
        remembered_mode_ = seen_mode_ = memory.mode;
    }
    memory.mode = remembered_mode_;
    return memory;
}

void LoopFeed::post(LoopInput input) {
    if (!input) {
        return;
    }
    session_.post_input([this, input = std::move(input)](TFMain& form) {
        input(form);
        send();
    });
}

void LoopFeed::send(bool always) {
    TFMain& form = session_.form();
    LoopPanelView view = loop_panel_view(form);
    if (!always && view == sent_) {
        return;
    }
    sent_ = view;
    sink_(view);
    if (!store_) {
        return;
    }
    const TrackingMemory now = memory();
    auto values = memory_values(now);
    if (values == remembered_) {
        return;
    }
    remembered_ = std::move(values); // a store that fails is reported once per change
    try {
        remember_tracking(*store_, now);
    } catch (const std::runtime_error& error) {
        problem_(error.what());
    }
}

} // namespace dopplex::app
