// What the readouts read off the window model: the step the radio buttons select. Engine
// thread.
#pragma once

#include "classic/tfmain.h"

namespace dopplex::app {

double step_in_force_hz(const TFMain& form);
// A side's dial: in closed mode the loop's own count once a start has given it, otherwise (and
// before) the estimate counted from the lines and the reference.
std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side);
// What the dial aims at beside the tracker's Doppler frequency: the closed loop's offset, 0 in
// classic.
double aim_offset_hz(const TFMain& form, Side side);

} // namespace dopplex::app
