// The live tracker readout's words: the latest elevation, Doppler frequencies and time of the
// tracker's update, read straight from the link (not through the engine). Pure functions, any
// thread.
#pragma once

#include <cstdint>
#include <string>

namespace dopplex::app {

inline constexpr const char* kLiveIdleText = "Live  no tracker yet";
inline constexpr const char* kLiveTooltip =
    "Straight from the tracker, also while a train runs; the fields above are the updates the "
    "engine has applied";

// "Live  EL 12.5°  DN 436775300 Hz  UP 145825000 Hz  at 10:00:05 UTC" for one tracking text
// received at `received_utc_ms` (ms since 1970).
std::string live_text(const std::string& record, std::int64_t received_utc_ms);

} // namespace dopplex::app
