#include "loop_feed.h"

#include "tracking_settings.h"

#include <stdexcept>

namespace dopplex::app {

LoopFeed::LoopFeed(EngineSession& session, Sink sink, Problem problem)
    : session_(session), sink_(std::move(sink)), problem_(std::move(problem)),
      radios_(session, [this] { send(false); }) {
    session_.form().add_observer(this);
}

void LoopFeed::remember_in(SettingsStore* store, TrackingMode remembered_mode) {
    store_ = store;
    remembered_mode_ = remembered_mode;
    seen_mode_ = session_.form().tracking_mode;
    remembered_ = remembered_values();
}

std::vector<std::pair<std::string, std::string>> LoopFeed::remembered_values() {
    auto values = memory_values(memory());
    for (auto& value : radio_values(radios_.remembered())) {
        values.push_back(std::move(value));
    }
    return values;
}

LoopPanelView LoopFeed::view() {
    LoopPanelView view = loop_panel_view(session_.form());
    radios_.show_in(view);
    return view;
}

void LoopFeed::enter(LoopField field, std::string words) {
    session_.post_input([this, field, words = std::move(words)](TFMain&) {
        if (loop_enabled(view(), field)) {
            radios_.choose(loop_side(field), words);
        }
    });
}

void LoopFeed::start_radios(const SideRadios& radios, const SideRadios& remembered) {
    radios_.remember(remembered);
    session_.post_input([this, radios](TFMain&) { radios_.start_with(radios); });
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
    const LoopPanelView shown = view();
    if (!always && shown == sent_) {
        return;
    }
    sent_ = shown;
    sink_(shown);
    if (!store_) {
        return;
    }
    auto values = remembered_values();
    if (values == remembered_) {
        return;
    }
    remembered_ = values; // a store that fails is reported once per change
    try {
        remember_values(*store_, values);
    } catch (const std::runtime_error& error) {
        problem_(error.what());
    }
}

} // namespace dopplex::app
