#include "pulse_count_dial.h"

namespace dopplex::app {

void PulseCountDial::reference_set(Side side, std::optional<double> reference_hz) {
    dial_hz_[static_cast<int>(side)] = reference_hz;
}

void PulseCountDial::pulse_sent(Side side, Direction direction, double step_hz) {
    if (auto& dial = dial_hz_[static_cast<int>(side)])
        *dial += direction == Direction::Up ? step_hz : -step_hz;
}

std::optional<double> PulseCountDial::dial_hz(Side side) const {
    return dial_hz_[static_cast<int>(side)];
}

} // namespace dopplex::app
