// Turns what a tracker commands the radio and the rotator into the tracking text: DN from the
// main VFO, UP from the split VFO or the uplink rig, AZ and EL from the rotator.
//
// Trackers never point a rotator below the horizon, so the end of a pass comes from LOS: EL
// reads -2.0 (the pass supervisor's end-of-pass reading) for the texts of the next
// kLosHoldMs, long enough that a client fetching after the change notice still sees it; then
// the elevation of the next position, or no EL key. After AOS without a position EL reads 0.1.
// Without a rotator and without AOS/LOS marks there is no EL key. Time comes in from the caller.
#pragma once

#include <optional>
#include <string>

#include "hamlib_reply.h"

namespace dopplex::tracker {

class StationText {
public:
    static constexpr long long kLosHoldMs = 1500;

    explicit StationText(std::string name) : name_(std::move(name)) {}
    // Takes what a listener reported; an uplink rig's main VFO is the uplink.
    void apply(const HamlibEvent& event, bool uplink_rig, long long now_ms);
    std::string text(long long now_ms) const;

private:
    std::string name_;
    std::optional<double> downlink_hz_;
    std::optional<double> uplink_hz_;
    std::optional<double> azimuth_deg_;
    std::optional<double> elevation_deg_; // cleared at LOS until the next position
    bool above_horizon_ = false;          // AOS seen, LOS not yet
    std::optional<long long> los_ms_;
};

} // namespace dopplex::tracker
