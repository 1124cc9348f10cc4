// Flies one feed at one step and mode through the scenario runner and measures where the model
// radio's dials were against the tracker's Doppler frequencies: at each update from 90 s after
// AOS up to the update that ends the pass (it reads -2.0 or below), at the moment its frequency
// held, and after Reset.
#pragma once

#include "operator_script.h"
#include "pass_kinds.h"

#include <optional>
#include <string>
#include <vector>

namespace dopplex::bench {

struct SideOutcome {
    double max_hz = 0; // the largest distance between dial and Doppler frequency
    double rms_hz = 0;
    double after_reset_hz = 0; // the dial after Reset less the reference
    int against = 0;           // steps against the Doppler's direction after the first catch-up
    std::optional<double> within_step_s; // from AOS until the dial is within a step (none: never)
};

struct Outcome {
    SideOutcome rx;
    SideOutcome tx;
    std::vector<std::string> reports; // the trace's lines of error reports (JSON objects)
};

inline constexpr std::int64_t kSettleMs = 90'000;

// True once the scenario runner takes "set tracking closed".
bool runner_knows_closed_loop();

// Throws std::invalid_argument for a step the mode does not offer, std::runtime_error when the
// runner rejects the operator's scenario.
Outcome fly(const Feed& feed, const RunSettings& settings);
Outcome fly(const PassKind& kind, const RunSettings& settings);

} // namespace dopplex::bench
