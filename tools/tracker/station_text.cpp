#include "station_text.h"

#include "tracking_text.h"

namespace dopplex::tracker {

void StationText::apply(const HamlibEvent& event, bool uplink_rig, long long now_ms) {
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
        above_horizon_ = true;
        break;
    case HamlibEvent::Kind::Los:
        above_horizon_ = false;
        elevation_deg_.reset();
        los_ms_ = now_ms;
        break;
    case HamlibEvent::Kind::Position:
        azimuth_deg_ = event.first;
        elevation_deg_ = event.second;
        break;
    }
}

std::string StationText::text(long long now_ms) const {
    TextFields fields{name_, azimuth_deg_, elevation_deg_, downlink_hz_, uplink_hz_, {}, {}, {}};
    if (los_ms_ && now_ms - *los_ms_ < kLosHoldMs) {
        fields.elevation_deg = -2.0;
    } else if (!elevation_deg_ && above_horizon_) {
        fields.elevation_deg = 0.1;
    }
    return compose_tracking_text(fields);
}

} // namespace dopplex::tracker
