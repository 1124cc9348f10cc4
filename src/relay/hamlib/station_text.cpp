#include "hamlib/station_text.h"

#include "pass/tracking_text.h"

namespace dopplex::tracker {

namespace {

constexpr double kAfterLosDeg = -2.0;
constexpr double kAfterAosDeg = 0.1;
// The lowest elevation that reads above the horizon at one decimal.
constexpr double kShownAboveDeg = 0.05;

} // namespace

void StationText::apply(const HamlibEvent& event, bool uplink_rig) {
    switch (event.kind) {
    case HamlibEvent::Kind::Main:
        (uplink_rig ? uplink_hz_ : downlink_hz_) = event.first;
        break;
    case HamlibEvent::Kind::Split:
        if (!uplink_rig) {
            uplink_hz_ = event.first;
        }
        break;
    case HamlibEvent::Kind::Aos:
        held_elevation_deg_ = kAfterAosDeg;
        break;
    case HamlibEvent::Kind::Los:
        held_elevation_deg_ = kAfterLosDeg;
        break;
    case HamlibEvent::Kind::Position:
        azimuth_deg_ = event.first;
        elevation_deg_ = event.second;
        if (event.second >= kShownAboveDeg) {
            held_elevation_deg_.reset();
        }
        break;
    }
}

std::string StationText::text() const {
    TextFields fields{name_, azimuth_deg_, elevation_deg_, downlink_hz_, uplink_hz_, {}, {}, {}};
    if (held_elevation_deg_) {
        fields.elevation_deg = held_elevation_deg_;
    }
    return compose_tracking_text(fields);
}

} // namespace dopplex::tracker
