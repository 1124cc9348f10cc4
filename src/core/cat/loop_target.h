// The closed loop as a CAT side's target: its prediction and offsets (kept per satellite, with
// the lock between the sides) serve a radio that is set as they serve one that is pressed.
#pragma once

#include "cat/side_target.h"
#include "loop/closed_loop.h"

namespace dopplex {

class LoopTarget : public SideTarget {
public:
    explicit LoopTarget(ClosedLoop& loop) : loop_(loop) {}
    std::optional<double> target_at(Side side, std::int64_t t) const override {
        return loop_.target_at(side, t);
    }
    bool knob_turned(Side side, double delta_hz) override {
        return loop_.turn_offset(side, delta_hz);
    }
    void radio_set(Side side, double hz) override { loop_.radio_set(side, hz); }

private:
    ClosedLoop& loop_;
};

} // namespace dopplex
