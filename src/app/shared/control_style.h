// How each of the model's controls and the window's own captions look, for both windows: which
// edits take typing, which are bold, their colours. Colours in the model's 0x00BBGGRR (a Win32
// COLORREF), kClWindowText for the toolkit's window-text colour; none: the toolkit's default.
#pragma once

#include "classic/controls/control.h"
#include "window_layout.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dopplex::app {

inline constexpr std::uint32_t kNoteColor = 0x605050;      // the footer and the status lines
inline constexpr std::uint32_t kLiveColor = 0x006000;      // the live readout
inline constexpr std::uint32_t kCountdownColor = 0xC80000; // the AOS countdown
inline constexpr std::uint32_t kFailureColor = 0x0000B0;   // a status line telling a failure

struct ControlStyle {
    bool editable = false; // an edit the operator types into
    bool bold = false;
    std::optional<std::uint32_t> text_color;
    std::optional<std::uint32_t> back_color;
};

ControlStyle control_style(const Control& control);
// A read-only field's colours for the model's font colour, at start and at each change. The
// model's yellow, a negative Doppler outset, cannot be read on the fields' grey, so it stands on
// the logs' navy.
struct FieldColors {
    std::uint32_t text;
    std::uint32_t back;
};
FieldColors read_only_field_colors(std::uint32_t font_color);
// The edits the operator types into (the others show the engine's values).
bool takes_typing(const std::string& name);
ControlStyle caption_style(CaptionStyle style);
// The link state (l_dd): white and bold on red while a simulated pass plays, else as labels are.
ControlStyle link_state_style(bool simulated);
// A reference field (Edit1, Edit13): pink while its text does not read as a frequency.
ControlStyle reference_style(bool wrong);

} // namespace dopplex::app
