// The tracking's choices and the operator's offsets per satellite, between one run and the next,
// through the platform's settings store (the registry on Windows, the settings file on Linux).
#pragma once

#include "cat/cat_address.h"
#include "classic/tfmain.h"
#include "loop/tracking_memory.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dopplex::app {

// Each side's radio: none for its push buttons.
using SideRadios = std::array<std::optional<CatAddress>, 2>;

struct RecalledTracking {
    TrackingMode remembered_mode = TrackingMode::Classic; // kept, whatever this run uses
    SideRadios radios;                                    // a side that does not read: buttons
    std::vector<std::string> problems;                    // what could not be read
};
// The remembered tracking, put into the form; `mode` (the command line's) wins over the
// remembered one for this run.
RecalledTracking recall_tracking(SettingsStore& store, TFMain& form,
                                 std::optional<TrackingMode> mode);
TrackingMemory tracking_memory(const TFMain& form);
// This run's radios: the command line's sides over the remembered ones.
SideRadios radios_for_run(SideRadios remembered,
                          const std::map<Side, std::optional<CatAddress>>& given);
// The radios as the settings keep them, beside the tracking: "RxRadio" and "TxRadio".
std::vector<std::pair<std::string, std::string>> radio_values(const SideRadios& radios);
// These throw std::runtime_error when the store cannot be written.
void remember_tracking(SettingsStore& store, const TrackingMemory& memory);
void remember_values(SettingsStore& store,
                     const std::vector<std::pair<std::string, std::string>>& values);

} // namespace dopplex::app
