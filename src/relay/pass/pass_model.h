// The geometry of one pass: a satellite on a circular orbit over a non-rotating spherical Earth,
// seen by an observer on its surface. Time 0 is the culmination; the orbit plane is placed so
// that the culmination reaches the given maximum elevation with the track heading the given way.
#pragma once

namespace dopplex::tracker {

struct PassParameters {
    double altitude_km = 800.0;
    double max_elevation_deg = 45.0;
    // Azimuth of the satellite's motion at culmination, as seen on the ground.
    double heading_deg = 150.0;
};

struct LookAngles {
    double azimuth_deg; // 0 <= azimuth < 360, from north through east
    double elevation_deg;
    double range_rate_m_s; // positive when the satellite moves away
};

class PassModel {
public:
    // Throws std::invalid_argument for an altitude outside 150..40000 km or a maximum
    // elevation outside (0, 90].
    explicit PassModel(const PassParameters& parameters);

    LookAngles look_at(double t_s) const;
    // Time (s from culmination) at which the elevation falls to elevation_deg after it.
    double time_after_culmination(double elevation_deg) const;
    double los_s() const { return time_after_culmination(0.0); }
    double aos_s() const { return -los_s(); }

private:
    double radius_km_;
    double rate_rad_s_;
    double culmination_angle_rad_;
    double observer_[3];
    double east_[3];
    double north_[3];
    double up_[3];
};

// The Doppler-shifted frequency heard on the ground, and the uplink that arrives at f.
double received_downlink_hz(double nominal_hz, double range_rate_m_s);
double corrected_uplink_hz(double nominal_hz, double range_rate_m_s);

} // namespace dopplex::tracker
