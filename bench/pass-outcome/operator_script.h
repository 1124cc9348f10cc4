// The operator of the outcome benchmark, written as a scenario: the references typed, the
// hardware enabled, the step chosen, Tune RX and Tune TX at AOS (Start Tracking on both sides
// for the 25 Hz step, the radios tuned by hand; none when the closed loop starts itself at AOS),
// Reset RX and Reset TX after the pass, and nothing else. The tracking mode and its settings go
// in as the runner's "set" lines.
#pragma once

#include "pass_kinds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dopplex::bench {

enum class Tracking { Classic, Closed };

struct RunSettings {
    Tracking tracking = Tracking::Classic;
    int step_hz = 100;
    int press_ms = 0; // 0: the mode's own press and gap
    int gap_ms = 0;
    bool start_at_aos = false; // closed: the loop starts itself, no Tune at AOS
};

// What the tracker said at one update, as the engine reads it.
struct PassUpdate {
    std::int64_t t; // virtual ms of the run: when it arrives
    std::string text;
    double elevation_deg;
    double downlink_hz;
    double uplink_hz;
    std::int64_t valid_t = t; // when its frequencies hold (an uneven feed delivers them off it)
    bool rx_sent = true;      // the update carries a new downlink, the moment to measure RX
    bool tx_sent = true;
};

// What the operator flies: the tracker's updates and the references typed.
struct Feed {
    std::string label;
    double downlink_hz; // RX reference
    double uplink_hz;   // TX reference
    std::vector<PassUpdate> updates;
};

// The moments the operator acts on: indices into the updates.
struct PassMoments {
    std::size_t aos;  // the first update above the horizon
    std::size_t ends; // the update that ends the pass (it reads -2.0 or below)
};

std::vector<PassUpdate> read_updates(const std::vector<tracker::Update>& updates);
// Throws std::runtime_error for updates that never rise or never end the pass.
PassMoments pass_moments(const std::vector<PassUpdate>& updates);

// True when the step is one of the classic tracking's step buttons (25, 100, 1000 Hz).
bool classic_offers(int step_hz);
// The 25 Hz step has no Tune: the operator tunes by hand and clicks Start Tracking.
bool tunes_by_hand(int step_hz);

std::string operator_scenario(const Feed& feed, const PassMoments& moments,
                              const RunSettings& settings);

// The end of the run: room after the Reset clicks for every pulse of their trains.
std::int64_t run_end_ms(const std::vector<PassUpdate>& updates, const PassMoments& moments);

} // namespace dopplex::bench
