// What a station tells its listeners, as typed values: each tracking update it applied with the
// engine's verdict on the pass, each pulse that reached the lines with what sent it, the link,
// each side's log lines, when a side's Reset can run, and how far a train has got.
// Told on the engine thread; a listener copies what it keeps and returns at once (pulse timing
// waits for it).
#pragma once

#include "keying/dial_estimate.h"
#include "keying/pulse_origin.h"
#include "keying/train_progress.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dopplex {

enum class Dir { Up, Down };

struct TrackingApplied {
    std::string sat;
    std::string aos_text; // the tracker's AOS key, or empty
    double az_deg = 0;
    double el_deg = 0;
    double downlink_hz = 0;
    double uplink_hz = 0;
    bool starts_pass = false; // the first update above the horizon since the last end
    bool in_pass = false;     // from that update up to the end of the pass
    bool ends_pass = false;   // the engine took this update for the end of the pass
    std::array<std::optional<double>, 2> dial_hz{}; // RX, TX: where each dial should be
};

struct PulseSent {
    Side side = Side::Rx;
    Dir dir = Dir::Up;
    PulseOrigin origin = PulseOrigin::Other;
    std::optional<double> dial_hz; // this side's dial after the pulse
};

struct LinkState {
    bool open = false;
};

// A line a side's log gained: the words of a train or a Reset, not its counter lines.
struct SideLog {
    Side side = Side::Rx;
    std::string line;
};

struct ResetReady {
    Side side = Side::Rx;
    bool ready = false;
};

class StationListener {
public:
    virtual ~StationListener() = default;
    virtual void tracking_applied(const TrackingApplied&) {}
    virtual void pulse_sent(const PulseSent&) {}
    virtual void link_state(const LinkState&) {}
    virtual void side_log(const SideLog&) {}
    virtual void reset_ready(const ResetReady&) {}
    virtual void train_progress(const TrainProgress&) {}
    // The closed loop: how far behind a side is (0: caught up), a side started ahead of AOS, the
    // tracker's frequency out of or back in the dial's band, a press ended late.
    virtual void loop_behind(Side, int /*steps*/) {}
    virtual void loop_tuning_ahead(Side, std::int64_t /*aos_in_ms*/) {}
    virtual void loop_reach(Side, bool /*in_reach*/, double /*heard_hz*/) {}
    virtual void loop_late_press(Side, std::int64_t /*held_ms*/) {}
};

} // namespace dopplex
