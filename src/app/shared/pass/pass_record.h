// What the operator readouts of a pass hear from the engine thread: each tracking update and
// each pulse that reached the port, and the start of each pass. Plain values; the observers
// (the pass log, the plot) copy what they keep and never call back into the engine.
#pragma once

#include "keying/dial_estimate.h"
#include "station/events.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dopplex::app {

using dopplex::Side; // RX, TX: the same two sides the dial estimate counts
using Direction = dopplex::Dir;

const char* direction_name(Direction direction);
// As the log names it: a catch-up is its Adjust's.
const char* source_name(PulseOrigin source);

struct TrackingPoint {
    std::int64_t utc_ms = 0; // wall clock, ms since 1970 UTC
    std::string satellite;
    std::string aos_text; // the tracker's AOS key, "yyyy-mm-dd hh:mm:ss" UTC, or empty
    double elevation_deg = 0;
    double azimuth_deg = 0;
    double downlink_hz = 0;
    double uplink_hz = 0;
    bool in_pass = false;                           // from AOS up to the end of the pass
    std::array<std::optional<double>, 2> dial_hz{}; // the estimated dial of RX, TX
    bool ends_pass = false;                         // the engine took this update for the end
};

struct PulseRecord {
    std::int64_t utc_ms = 0;
    Side side = Side::Rx;
    Direction direction = Direction::Up;
    PulseOrigin source = PulseOrigin::Other;
    std::optional<double> dial_hz; // this side's estimated dial after the pulse
};

// What a side's CAT radio reported: a knob turn, a daemon lost or back, a refusal.
struct CatRecord {
    std::int64_t utc_ms = 0;
    Side side = Side::Rx;
    std::string line;
};

// Called on the engine thread; must return at once (pulse timing waits for it).
class PassObserver {
public:
    virtual ~PassObserver() = default;
    // The first update above the horizon after the end of a pass (or the first ever).
    virtual void pass_started(const TrackingPoint& aos) = 0;
    virtual void tracking_update(const TrackingPoint& point) = 0;
    virtual void pulse_sent(const PulseRecord& pulse) = 0;
    virtual void cat_reported(const CatRecord& /*report*/) {}
};

} // namespace dopplex::app
