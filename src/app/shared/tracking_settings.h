// The tracking's choices and the operator's offsets per satellite, between one run and the next,
// through the platform's settings store (the registry on Windows, the settings file on Linux).
#pragma once

#include "classic/tfmain.h"
#include "loop/tracking_memory.h"

#include <optional>
#include <string>
#include <vector>

namespace dopplex::app {

struct RecalledTracking {
    TrackingMode remembered_mode = TrackingMode::Classic; // kept, whatever this run uses
    std::vector<std::string> problems;                    // what could not be read
};
// The remembered tracking, put into the form; `mode` (the command line's) wins over the
// remembered one for this run.
RecalledTracking recall_tracking(SettingsStore& store, TFMain& form,
                                 std::optional<TrackingMode> mode);
TrackingMemory tracking_memory(const TFMain& form);
// Throws std::runtime_error when the store cannot be written.
void remember_tracking(SettingsStore& store, const TrackingMemory& memory);

} // namespace dopplex::app
