#include "loop_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace dopplex::app {

namespace {

constexpr int kRow1 = 584;
constexpr int kRow2 = 612;
constexpr int kRow3 = 640;
constexpr int kReadoutH = 28;

constexpr std::string_view kRadioHint =
    "buttons: the side's push buttons on the port's lines; cat:HOST:PORT[:VFO]: a CAT radio "
    "behind rigctld, set by the closed loop. Enter or leaving the field applies it";

constexpr LoopControl kControls[] = {
    {LoopField::Mode, LoopWidget::Choice, "Tracking", 8, 56, kRow1, 92, 22, kModeHint},
    {LoopField::RxStep, LoopWidget::Choice, "RX step", 156, 198, kRow1, 72, 22,
     "The RX radio's step per press in closed loop"},
    {LoopField::RxPress, LoopWidget::Choice, "press", 276, 306, kRow1, 64, 22,
     "How long an RX press is held"},
    {LoopField::RxGap, LoopWidget::Choice, "gap", 376, 400, kRow1, 64, 22,
     "The RX line stays low this long before the next press"},
    {LoopField::TxStep, LoopWidget::Choice, "TX step", 474, 516, kRow1, 72, 22,
     "The TX radio's step per press in closed loop"},
    {LoopField::TxPress, LoopWidget::Choice, "press", 594, 624, kRow1, 64, 22,
     "How long a TX press is held"},
    {LoopField::TxGap, LoopWidget::Choice, "gap", 694, 718, kRow1, 64, 22,
     "The TX line stays low this long before the next press"},
    {LoopField::StartAtAos, LoopWidget::Check, "Start at AOS", 0, 8, kRow2, 96, 22,
     "Both loops start by themselves at the first update above the horizon, the dials at the "
     "references"},
    {LoopField::Lock, LoopWidget::Choice, "Lock", 110, 138, kRow2, 100, 22,
     "Linear transponders: a change of the RX offset moves the TX offset the same way "
     "(noninverting) or the opposite way (inverting)"},
    {LoopField::ClearOffsets, LoopWidget::Action, "Clear offsets", 0, 246, kRow2, 92, 22,
     "Forgets the operator's corrections, now and for this satellite's next pass"},
    // Readouts take two lines: a CAT side's fault or a refusal keeps its reason in sight.
    {LoopField::RxReadout, LoopWidget::Readout, "", 0, 348, kRow2, 230, kReadoutH, ""},
    {LoopField::TxReadout, LoopWidget::Readout, "", 0, 586, kRow2, 234, kReadoutH, ""},
    {LoopField::RxRadio, LoopWidget::Entry, "RX radio", 8, 60, kRow3, 140, 22, kRadioHint},
    {LoopField::RxRadioStatus, LoopWidget::Readout, "", 0, 206, kRow3, 210, kReadoutH, ""},
    {LoopField::TxRadio, LoopWidget::Entry, "TX radio", 422, 474, kRow3, 140, 22, kRadioHint},
    {LoopField::TxRadioStatus, LoopWidget::Readout, "", 0, 620, kRow3, 204, kReadoutH, ""},
};

constexpr std::int64_t kPressChoicesMs[] = {30, 40, 50, 60, 80, 100, 150, 200, 300, 500, 1000};

bool is_tx(LoopField field) {
    return field == LoopField::TxStep || field == LoopField::TxPress || field == LoopField::TxGap ||
           field == LoopField::TxReadout || field == LoopField::TxRadio ||
           field == LoopField::TxRadioStatus;
}
Side side_of(LoopField field) {
    return is_tx(field) ? Side::Tx : Side::Rx;
}

std::int64_t LoopSide::*side_field(LoopField field) {
    switch (field) {
    case LoopField::RxStep:
    case LoopField::TxStep:
        return &LoopSide::step_hz;
    case LoopField::RxPress:
    case LoopField::TxPress:
        return &LoopSide::press_ms;
    default:
        return &LoopSide::gap_ms;
    }
}

bool is_step(LoopField field) {
    return field == LoopField::RxStep || field == LoopField::TxStep;
}

// The numbers a side's choice offers, the present one included.
std::vector<std::int64_t> side_values(const LoopPanelView& view, LoopField field) {
    std::vector<std::int64_t> values;
    if (is_step(field)) {
        values.assign(kLoopSteps.begin(), kLoopSteps.end());
    } else {
        values.assign(std::begin(kPressChoicesMs), std::end(kPressChoicesMs));
    }
    const std::int64_t now = view.settings.side(side_of(field)).*side_field(field);
    if (std::find(values.begin(), values.end(), now) == values.end()) {
        values.push_back(now);
        std::sort(values.begin(), values.end());
    }
    return values;
}

constexpr OffsetLock kLocks[] = {OffsetLock::Off, OffsetLock::Inverting, OffsetLock::Noninverting};

std::string signed_hz(double hz) {
    const auto whole = static_cast<long long>(std::llround(hz));
    return (whole > 0 ? "+" : "") + std::to_string(whole) + " Hz";
}

} // namespace

LoopPanelView loop_panel_view(const TFMain& form) {
    LoopPanelView view;
    view.mode = form.tracking_mode;
    view.settings = form.closed_loop.settings();
    for (Side side : {Side::Rx, Side::Tx}) {
        const LoopSideState& st = form.closed_loop.state(side);
        const auto i = static_cast<std::size_t>(side);
        view.offset_hz[i] = st.offset_hz;
        view.behind_steps[i] = st.behind_steps;
        view.ahead[i] = st.ahead;
        view.out_of_reach[i] = st.out_of_reach;
        view.tracking[i] = st.tracking;
        view.offsets_kept = view.offsets_kept || st.offset_hz != 0;
    }
    view.offsets_kept = view.offsets_kept || !form.closed_loop.kept_offsets().empty();
    return view;
}

std::span<const LoopControl> loop_controls() {
    return kControls;
}

LoopChoices loop_choices(const LoopPanelView& view, LoopField field) {
    LoopChoices choices;
    if (field == LoopField::Mode) {
        choices.texts = {"Classic", "Closed loop"};
        choices.chosen = view.mode == TrackingMode::Closed ? 1 : 0;
    } else if (field == LoopField::Lock) {
        choices.texts = {"Lock off", "Inverting", "Noninverting"};
        choices.chosen =
            static_cast<int>(std::find(std::begin(kLocks), std::end(kLocks), view.settings.lock) -
                             std::begin(kLocks));
    } else {
        const std::int64_t now = view.settings.side(side_of(field)).*side_field(field);
        const char* unit = is_step(field) ? " Hz" : " ms";
        for (const std::int64_t value : side_values(view, field)) {
            if (value == now) {
                choices.chosen = static_cast<int>(choices.texts.size());
            }
            choices.texts.push_back(std::to_string(value) + unit);
        }
    }
    return choices;
}

bool loop_checked(const LoopPanelView& view, LoopField field) {
    return field == LoopField::StartAtAos && view.settings.start_at_aos;
}

std::string loop_readout(const LoopPanelView& view, LoopField field) {
    const Side side = side_of(field);
    const auto i = static_cast<std::size_t>(side);
    if (field == LoopField::RxRadioStatus || field == LoopField::TxRadioStatus) {
        if (view.mode != TrackingMode::Closed && view.radio[i] != "buttons") {
            return std::string(side_name(side)) + ": CAT radio for closed loop only";
        }
        return view.radio_status[i];
    }
    std::string text = std::string(side_name(side)) + " offset " + signed_hz(view.offset_hz[i]);
    if (view.ahead[i]) {
        text += ", tuning ahead of AOS";
    }
    if (view.out_of_reach[i]) {
        text += ", tracker's frequency out of reach: not followed";
    } else if (view.behind_steps[i] > 0) {
        text += ", " + behind_words(view.behind_steps[i]);
    }
    return text;
}

bool loop_enabled(const LoopPanelView& view, LoopField field) {
    if (field == LoopField::Mode) {
        return true;
    }
    if (view.mode != TrackingMode::Closed) {
        return false;
    }
    // The dial is counted in steps, and set by one radio: a running side keeps its step and
    // radio until it stops.
    if (is_step(field) || field == LoopField::RxRadio || field == LoopField::TxRadio) {
        return !view.tracking[static_cast<std::size_t>(side_of(field))];
    }
    if (field == LoopField::ClearOffsets) {
        return view.offsets_kept;
    }
    return true;
}

std::string loop_entry_text(const LoopPanelView& view, LoopField field) {
    return view.radio[static_cast<std::size_t>(side_of(field))];
}

bool loop_entry_renewed(const LoopPanelView& before, const LoopPanelView& now, LoopField field) {
    const auto i = static_cast<std::size_t>(side_of(field));
    return before.radio[i] != now.radio[i] || before.radio_answers[i] != now.radio_answers[i];
}

Side loop_side(LoopField field) {
    return side_of(field);
}

LoopInput loop_choose(const LoopPanelView& view, LoopField field, int index) {
    if (index < 0) {
        return {};
    }
    if (field == LoopField::Mode) {
        return [closed = index == 1](TFMain& form) {
            form.SetTrackingMode(closed ? TrackingMode::Closed : TrackingMode::Classic);
        };
    }
    if (field == LoopField::Lock) {
        if (index >= static_cast<int>(std::size(kLocks))) {
            return {};
        }
        return [lock = kLocks[index]](TFMain& form) {
            LoopSettings settings = form.closed_loop.settings();
            settings.lock = lock;
            form.closed_loop.configure(settings);
        };
    }
    const std::vector<std::int64_t> values = side_values(view, field);
    if (index >= static_cast<int>(values.size())) {
        return {};
    }
    return [field, value = values[static_cast<std::size_t>(index)]](TFMain& form) {
        LoopSettings settings = form.closed_loop.settings();
        settings.side(side_of(field)).*side_field(field) = value;
        form.closed_loop.configure(settings);
    };
}

LoopInput loop_check(LoopField field, bool on) {
    if (field != LoopField::StartAtAos) {
        return {};
    }
    return [on](TFMain& form) {
        LoopSettings settings = form.closed_loop.settings();
        settings.start_at_aos = on;
        form.closed_loop.configure(settings);
    };
}

LoopInput loop_click(LoopField field) {
    if (field != LoopField::ClearOffsets) {
        return {};
    }
    return [](TFMain& form) { form.closed_loop.clear_offsets(); };
}

} // namespace dopplex::app
