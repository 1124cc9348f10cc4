// The references as the operator types them, checked before a click reaches the engine: a
// reference that does not read as a frequency in a plausible band (1 MHz to 10 GHz), or that is
// a power of ten away from the tracker's frequency, gets a hint with an example in the form the
// operator typed; Tune and Reset are refused with that hint before any pulse. The dial
// estimates re-base only on a reference that reads right, once it is done (Enter, a click, or
// leaving the field). For every toolkit.
#pragma once

#include "keying/dial_estimate.h"
#include "source_mark.h"

#include <functional>
#include <optional>
#include <string>

namespace dopplex::app {

class EngineSession;

// None when `typed` reads right; `tracker_hz` is the tracker's frequency for that side (0:
// none yet). Any thread.
std::optional<std::string> reference_hint(const std::string& typed, double tracker_hz = 0);

// The model's own first text of a reference field: a prompt, not yet a reference.
bool is_reference_prompt(const std::string& text);

// What a reference field's mark needs besides its text: the tracker's frequencies as the model
// shows them (l_df, l_uf). GUI thread, one per window.
class ReferenceMarks {
public:
    // The side whose reference the field holds (Edit1, Edit13), or none.
    static std::optional<Side> side_of(const std::string& control);
    // A text the model gave a control; true when it changed a tracker frequency (re-mark both).
    bool follow(const std::string& control, const std::string& text);
    // The hint for the text the field shows now; none when it reads right or is the prompt.
    std::optional<std::string> hint(Side side, const std::string& shown) const;

private:
    double tracker_hz_[2] = {0, 0};
};

// What a text the model gave a control changes of the window's marks: the source's, and which
// reference fields to mark again.
struct MarksToShow {
    bool source = false;
    bool rx = false;
    bool tx = false;
    // Calls the window's own drawing of each mark that changed.
    void show(const std::function<void()>& source_mark,
              const std::function<void(Side)>& reference_mark) const;
};
MarksToShow follow_marks(SourceMark& source, ReferenceMarks& references, const std::string& control,
                         const std::string& text);

// Operator input: a click on the model's control `name`. The references that read right become
// the estimates' base first; a Tune or Reset whose side's reference does not read right is
// refused with the hint as an error report, and the engine never sees the click.
void post_click(EngineSession& session, const std::string& name);
// Operator input: the side's field was left.
void post_reference_done(EngineSession& session, Side side);

} // namespace dopplex::app
