// What the readouts read off the window model: the step the radio buttons select. Engine
// thread.
#pragma once

#include "console/tfmain.h"

namespace dopplex::app {

double step_in_force_hz(const TFMain& form);
// A side's dial: in closed mode the loop's own count (none until a start gives it), otherwise
// the estimate counted from the lines.
std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side);

} // namespace dopplex::app
