// Which key reaches the engine, and how, for every window toolkit: an arrow key-down (auto-repeat,
// Shift and Ctrl included) goes as a key-down, with Alt as a system key-down, wherever the focus
// is; Enter in the main window clicks the focused push button, else the default button "Adjust"
// (Button7). Nothing goes while a modal report is open, nor from the loop panel's entries, whose
// keys are the typing's. A key that yields no action is the toolkit's to handle.
#pragma once

#include "classic/tfmain.h"

#include <string>

namespace dopplex::app {

class EngineSession;

// The platform's virtual-key codes of the arrows (Enter's is the model's kVkReturn).
inline constexpr int kVkLeft = 37;
inline constexpr int kVkUp = 38;
inline constexpr int kVkRight = 39;
inline constexpr int kVkDown = 40;
inline constexpr const char* kDefaultButton = "Button7";

struct KeyPress {
    int virtual_key = 0;
    bool alt = false;
    bool in_main_window = false;
    bool modal_open = false;
    std::string focused_button; // the visible, enabled push button with the focus, or empty
    bool in_loop_entry = false; // typed into the loop panel's entry (a side's radio)
};

struct KeyAction {
    enum class Kind { None, KeyDown, SysKeyDown, Click };
    Kind kind = Kind::None;
    int code = 0;       // KeyDown, SysKeyDown
    std::string button; // Click
    bool operator==(const KeyAction&) const = default;
};

KeyAction key_action(const KeyPress& press);

// Queues the action as operator input; false for None, which leaves the key to the toolkit.
bool post_key_action(EngineSession& session, const KeyAction& action);

} // namespace dopplex::app
