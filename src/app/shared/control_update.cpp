#include "control_update.h"

namespace dopplex::app {

ControlUpdate snapshot(const Control& control, Change what) {
    ControlUpdate update;
    update.name = control.name();
    update.what = what;
    update.text = control.text();
    update.enabled = control.enabled();
    update.visible = control.visible();
    update.checked = control.checked();
    update.font_color = control.font_color();
    if (what == Change::LineAdded && !control.lines().empty()) {
        update.line = control.lines().back();
    }
    return update;
}

} // namespace dopplex::app
