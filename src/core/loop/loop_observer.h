// What the closed loop tells whoever follows it (the pass log, the dial readout, the scenario
// trace): every press it sends, and each change of how far behind a side is. Engine thread.
#pragma once

#include "keying/dial_estimate.h"

#include <cstdint>
#include <string>

namespace dopplex {

enum class PressDirection { Up, Down };
// Who asked for the press: the loop following the target, the operator outside the loop, Reset.
enum class PressOrigin { Loop, Manual, Reset };

struct LoopPress {
    std::int64_t t = 0; // the line went high
    Side side = Side::Rx;
    PressDirection direction = PressDirection::Up;
    PressOrigin origin = PressOrigin::Loop;
    double dial_hz = 0; // the dial counted with this press
};

class LoopObserver {
public:
    virtual ~LoopObserver() = default;
    virtual void loop_pressed(const LoopPress&) {}
    // 0: caught up.
    virtual void loop_behind(Side, int /*steps*/) {}
    // A side started before AOS, which the tracker expects in `aos_in_ms`.
    virtual void loop_tuning_ahead(Side, std::int64_t /*aos_in_ms*/) {}
    // The tracker's frequency for a side left the dial's band (not followed: nothing is pressed
    // for it), or came back to it.
    virtual void loop_reach(Side, bool /*in_reach*/, double /*heard_hz*/) {}
    // A press held longer than its length plus the allowance because the engine woke late.
    virtual void loop_late_press(Side, std::int64_t /*held_ms*/) {}
};

const char* press_origin_name(PressOrigin origin); // "loop", "manual", "reset"
// "behind by 1 step", "behind by 3 steps": as the operator reads it.
std::string behind_words(int steps);

} // namespace dopplex
