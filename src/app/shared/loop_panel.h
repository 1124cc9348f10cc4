// The closed loop's controls, shared by both windows: where each sits, what it offers, when it
// can be used, what it shows of the loop, and what choosing in it asks of the engine. The
// windows only draw the table and hand back the operator's choice.
#pragma once

#include "classic/tfmain.h"
#include "loop/loop_settings.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dopplex::app {

// What the panel shows, copied from the model on the engine thread.
struct LoopPanelView {
    TrackingMode mode = TrackingMode::Classic;
    LoopSettings settings;
    std::array<double, 2> offset_hz{};
    std::array<int, 2> behind_steps{};
    std::array<bool, 2> ahead{};        // tuning ahead of AOS
    std::array<bool, 2> out_of_reach{}; // the tracker's frequency is not followed
    std::array<bool, 2> tracking{};
    bool offsets_kept = false; // some satellite has offsets to clear
    // Each side's radio ("buttons" or "cat:HOST:PORT[:VFO]") and what its CAT side says.
    std::array<std::string, 2> radio{"buttons", "buttons"};
    std::array<std::string, 2> radio_status{};
    std::array<int, 2> radio_answers{}; // how many of the operator's choices were answered
    bool operator==(const LoopPanelView&) const = default;
};
LoopPanelView loop_panel_view(const TFMain& form);

enum class LoopField {
    Mode,
    RxStep,
    RxPress,
    RxGap,
    TxStep,
    TxPress,
    TxGap,
    StartAtAos,
    Lock,
    ClearOffsets,
    RxReadout,
    TxReadout,
    RxRadio,
    TxRadio,
    RxRadioStatus,
    TxRadioStatus
};
// A list to choose from, a check box, a push button, a line of text, or a field to type into.
enum class LoopWidget { Choice, Check, Action, Readout, Entry };

struct LoopControl {
    LoopField field;
    LoopWidget widget;
    std::string_view caption; // beside a choice; on a check box or button
    int caption_x;            // a choice's caption starts here, on the choice's line
    int x, y, w, h;
    std::string_view hint;
};
std::span<const LoopControl> loop_controls();
inline constexpr std::string_view kModeHint =
    "Classic: the original's tracking. Closed loop: counts every press and keeps the dial "
    "within about a step of the Doppler frequency";

// A choice's entries and the one chosen; a value the list lacks (set elsewhere) is offered too.
struct LoopChoices {
    std::vector<std::string> texts;
    int chosen = 0;
};
LoopChoices loop_choices(const LoopPanelView& view, LoopField field);
bool loop_checked(const LoopPanelView& view, LoopField field);
std::string loop_readout(const LoopPanelView& view, LoopField field);
// What an entry holds; the side its words are for.
std::string loop_entry_text(const LoopPanelView& view, LoopField field);
// Whether the entry shows the radio in use again: it changed, or the engine answered a choice
// (a refused one too); until then what the operator is typing stays.
bool loop_entry_renewed(const LoopPanelView& before, const LoopPanelView& now, LoopField field);
Side loop_side(LoopField field);
bool loop_enabled(const LoopPanelView& view, LoopField field);

// What the operator's choice asks of the engine (entry `index` of a choice, the new state of a
// check box, a button's click), run on the engine thread.
using LoopInput = std::function<void(TFMain&)>;
LoopInput loop_choose(const LoopPanelView& view, LoopField field, int index);
LoopInput loop_check(LoopField field, bool on);
LoopInput loop_click(LoopField field);

} // namespace dopplex::app
