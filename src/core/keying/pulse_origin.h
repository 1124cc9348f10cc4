// What sent a pulse, told by the handler that sends it: the pass log and the readouts never
// guess it from the form.
#pragma once

namespace dopplex {

// CatchUp: the train an Adjust hands to its catch-up stage. Loop: the closed loop following its
// target. Other: a pulse no handler claimed.
enum class PulseOrigin { Tune, Adjust, CatchUp, Tracking, Reset, Manual, Loop, Other };

// Sets the origin for the pulses sent while it lives, and restores the one before (a tick
// served inside an error report nests in the handler it interrupted).
class OriginScope {
public:
    OriginScope(PulseOrigin& current, PulseOrigin origin) : current_(current), before_(current) {
        current_ = origin;
    }
    ~OriginScope() { current_ = before_; }
    OriginScope(const OriginScope&) = delete;
    OriginScope& operator=(const OriginScope&) = delete;

private:
    PulseOrigin& current_;
    PulseOrigin before_;
};

} // namespace dopplex
