// What the settings remember of the tracking from one run to the next: the mode, the loop's
// choices, and the operator's offsets per satellite name. Turned into named text values and
// back, for whichever settings store the platform has. Plain functions, no state.
#pragma once

#include "loop/loop_settings.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dopplex {

struct TrackingMemory {
    TrackingMode mode = TrackingMode::Classic;
    LoopSettings loop;
    std::map<std::string, std::array<double, 2>> offsets; // Hz, RX then TX
};

inline constexpr const char* kTrackingMemoryKey = "Software\\Dopplex\\Tracking";

// Every value to write under the key: its name and its text.
std::vector<std::pair<std::string, std::string>> memory_values(const TrackingMemory& memory);

// Reads the values back through `value` (none: absent, so the default stays). A value that does
// not read keeps its default, and what was wrong with it is added to `problems`.
TrackingMemory
recall_memory(const std::function<std::optional<std::string>(const std::string&)>& value,
              std::vector<std::string>& problems);

} // namespace dopplex
