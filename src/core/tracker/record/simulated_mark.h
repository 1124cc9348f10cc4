// A tracker that plays a made-up or recorded pass says so in its text, with a key that the
// tracking record parser ignores: SIMULATED"GENERATED" or SIMULATED"REPLAY". No real tracker
// sends it, so the window can mark such a pass where the operator looks. Pure functions.
#pragma once

#include <string>

namespace dopplex {

inline constexpr const char* kSimulatedKey = "SIMULATED";

// What kind of simulation the text names (upper case), or empty for a real tracker's text.
std::string simulated_source(const std::string& text);

// The text with SIMULATED"<kind>" at its end, unless it names a simulation already.
std::string mark_simulated(const std::string& text, const std::string& kind);

} // namespace dopplex
