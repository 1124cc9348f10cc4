#include "pass_kinds.h"

#include <cstdio>

namespace dopplex::bench {

namespace {

PassKind kind(double altitude_km, double max_elevation_deg, double downlink_hz, double uplink_hz) {
    char label[80];
    std::snprintf(label, sizeof label, "%.0f km, %.0f°, %g / %g MHz", altitude_km,
                  max_elevation_deg, downlink_hz / 1e6, uplink_hz / 1e6);
    tracker::Satellite satellite;
    satellite.pass.altitude_km = altitude_km;
    satellite.pass.max_elevation_deg = max_elevation_deg;
    satellite.downlink_hz = downlink_hz;
    satellite.uplink_hz = uplink_hz;
    return {label, satellite};
}

} // namespace

const std::vector<PassKind>& pass_kinds() {
    static const std::vector<PassKind> kinds = {
        kind(420, 85, 437.8e6, 145.99e6), kind(420, 20, 437.8e6, 145.99e6),
        kind(800, 60, 435.3e6, 145.92e6), kind(800, 15, 435.3e6, 145.92e6),
        kind(420, 85, 145.8e6, 437.8e6),  kind(800, 25, 145.88e6, 435.35e6),
    };
    return kinds;
}

} // namespace dopplex::bench
