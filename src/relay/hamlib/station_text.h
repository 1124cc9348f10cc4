// Turns what a tracker commands the radio and the rotator into the tracking text: DN from the
// main VFO, UP from the split VFO or the uplink rig, AZ and EL from the rotator.
//
// Trackers never point a rotator below the horizon and park it at EL 0 before a pass, so the
// AOS and LOS marks decide which side of the horizon the text is on until the rotator says
// otherwise: after LOS EL reads -2.0 (the pass supervisor's end-of-pass reading), after AOS at
// least 0.1, each until the next mark or a position above 0. A client that fetches late (after
// a long pulse train) therefore still sees the end of the pass. Without a rotator and without
// AOS/LOS marks there is no EL key.
#pragma once

#include <optional>
#include <string>

#include "hamlib/hamlib_reply.h"

namespace dopplex::tracker {

class StationText {
public:
    explicit StationText(std::string name) : name_(std::move(name)) {}
    // Takes what a listener reported; an uplink rig's main VFO is the uplink.
    void apply(const HamlibEvent& event, bool uplink_rig);
    std::string text() const;

private:
    std::string name_;
    std::optional<double> downlink_hz_;
    std::optional<double> uplink_hz_;
    std::optional<double> azimuth_deg_;
    std::optional<double> elevation_deg_;
    // The elevation a mark holds until a position above the horizon.
    std::optional<double> held_elevation_deg_;
};

} // namespace dopplex::tracker
