// What the readouts read off the window model: the step the radio buttons select. Engine
// thread.
#pragma once

#include "console/tfmain.h"

namespace dopplex::app {

double step_in_force_hz(const TFMain& form);

} // namespace dopplex::app
