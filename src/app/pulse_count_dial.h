// The simplest dial estimate: the reference plus the UP pulses less the DOWN pulses, each at the
// step in force when it was sent; unknown until a reference is set. Engine thread.
#pragma once

#include "pass_record.h"

#include <array>
#include <optional>

namespace dopplex::app {

class PulseCountDial final : public DialCounter {
public:
    void reference_set(Side side, std::optional<double> reference_hz) override;
    void pulse_sent(Side side, Direction direction, double step_hz) override;
    std::optional<double> dial_hz(Side side) const override;

private:
    std::array<std::optional<double>, 2> dial_hz_{};
};

} // namespace dopplex::app
