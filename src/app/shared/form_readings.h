// What the readouts read off the window model: the reference typed on each side and the step
// the radio buttons select. Engine thread.
#pragma once

#include "console/tfmain.h"

#include <optional>

namespace dopplex::app {

// None while the field holds no number yet ("Enter Freq E8", half typed).
std::optional<double> reference_hz(const Control& edit);
double step_in_force_hz(const TFMain& form);

} // namespace dopplex::app
