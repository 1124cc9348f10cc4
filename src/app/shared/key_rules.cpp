#include "key_rules.h"

#include "engine_session.h"
#include "reference_check.h"

namespace dopplex::app {

KeyAction key_action(const KeyPress& press) {
    using Kind = KeyAction::Kind;
    if (press.modal_open || press.in_loop_entry) {
        return {};
    }
    if (press.virtual_key >= kVkLeft && press.virtual_key <= kVkDown) {
        return {press.alt ? Kind::SysKeyDown : Kind::KeyDown, press.virtual_key, {}};
    }
    if (press.virtual_key != kVkReturn || !press.in_main_window) {
        return {};
    }
    // The engine's own focus does not follow the operator into edits and check boxes, so the
    // window names the button: the focused push button, else the default one.
    return {Kind::Click, 0, press.focused_button.empty() ? kDefaultButton : press.focused_button};
}

bool post_key_action(EngineSession& session, const KeyAction& action) {
    switch (action.kind) {
    case KeyAction::Kind::None:
        return false;
    case KeyAction::Kind::KeyDown:
        session.post_input([code = action.code](TFMain& form) { form.KeyDown(code); });
        return true;
    case KeyAction::Kind::SysKeyDown:
        session.post_input([code = action.code](TFMain& form) { form.SysKeyDown(code); });
        return true;
    case KeyAction::Kind::Click:
        post_click(session, action.button);
        return true;
    }
    return false;
}

} // namespace dopplex::app
