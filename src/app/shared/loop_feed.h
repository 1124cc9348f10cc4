// Keeps a window's loop panel up to date and carries its choices to the engine: after every
// press, every change of "behind" and every choice, a fresh view goes to the window's sink,
// and a change of the choices or the kept offsets is remembered in the settings. Engine thread,
// but for post().
#pragma once

#include "engine_session.h"
#include "loop/tracking_memory.h"
#include "loop_panel.h"
#include "window_radios.h"

#include <functional>
#include <optional>
#include <string>

namespace dopplex::app {

class LoopFeed final : public FormObserver {
public:
    using Sink = std::function<void(const LoopPanelView&)>;
    using Problem = std::function<void(const std::string&)>;
    // Before the engine starts.
    LoopFeed(EngineSession& session, Sink sink, Problem problem);
    // Before the engine starts: where the choices and offsets are remembered (none: nowhere),
    // and the mode remembered there. A mode the command line chose for this run is not
    // remembered; one the operator chooses is.
    void remember_in(SettingsStore* store, TrackingMode remembered_mode);

    // A view goes out only when it differs from the last one sent.
    void control_changed(const Control&, Change) override { send(false); }
    void focus_moved(const std::string&) override {}
    void loop_pressed(const LoopPress&) override { send(false); }
    void loop_behind(Side, int) override { send(false); }
    void loop_tuning_ahead(Side, std::int64_t) override { send(false); }
    void loop_reach(Side, bool, double) override { send(false); }

    // Any thread: the operator's choice, run in the engine's queue.
    void post(LoopInput input);
    // Any thread: the operator's words in an entry (a side's radio), taken in the engine's queue
    // when the entry can be used there.
    void enter(LoopField field, std::string words);
    // Before the engine starts: the radios this run starts with, and those the settings hold.
    void start_radios(const SideRadios& radios, const SideRadios& remembered);
    // Engine thread: shows the loop as it is and remembers what changed.
    void send(bool always = true);

private:
    EngineSession& session_;
    SettingsStore* store_ = nullptr;
    Sink sink_;
    Problem problem_;
    std::optional<LoopPanelView> sent_;
    TrackingMode remembered_mode_ = TrackingMode::Classic;
    TrackingMode seen_mode_ = TrackingMode::Classic;
    TrackingMemory memory();
    std::optional<std::vector<std::pair<std::string, std::string>>> remembered_;
    std::vector<std::pair<std::string, std::string>> remembered_values();
    LoopPanelView view();
    WindowRadios radios_; // last: its links end before the rest goes
};

} // namespace dopplex::app
