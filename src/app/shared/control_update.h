// A copy of one control's change, made on the engine thread and applied by a window on its own
// thread: a memo's change carries only its new line.
#pragma once

#include "classic/form_observer.h"

#include <cstdint>
#include <string>

namespace dopplex::app {

struct ControlUpdate {
    std::string name;
    Change what = Change::Text;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::uint32_t font_color = 0;
    std::string line; // LineAdded: the new line
};

ControlUpdate snapshot(const Control& control, Change what);

} // namespace dopplex::app
