#include "pass/pass_model.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace dopplex::tracker {

namespace {

constexpr double kEarthRadiusKm = 6371.0;
constexpr double kEarthGm = 398600.4418; // km^3/s^2
constexpr double kLightSpeed = 299792458.0;
constexpr double kDeg = std::numbers::pi / 180.0;

double dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Central angle between observer and satellite when the satellite stands at this elevation.
double central_angle(double radius_km, double elevation_rad) {
    return std::acos(kEarthRadiusKm * std::cos(elevation_rad) / radius_km) - elevation_rad;
}

} // namespace

PassModel::PassModel(const PassParameters& p) {
    if (!(p.altitude_km >= 150.0 && p.altitude_km <= 40000.0)) {
        throw std::invalid_argument("altitude must be 150 to 40000 km");
    }
    if (!(p.max_elevation_deg > 0.0 && p.max_elevation_deg <= 90.0)) {
        throw std::invalid_argument("maximum elevation must be above 0 and at most 90 degrees");
    }
    radius_km_ = kEarthRadiusKm + p.altitude_km;
    rate_rad_s_ = std::sqrt(kEarthGm / (radius_km_ * radius_km_ * radius_km_));
    culmination_angle_rad_ = central_angle(radius_km_, p.max_elevation_deg * kDeg);
    // Orbit in the x-y plane, satellite at +x at culmination moving towards +y; the observer
    // stands off the plane by the culmination's central angle.
    const double g = culmination_angle_rad_;
    const double along[3] = {0.0, 1.0, 0.0};
    const double across[3] = {-std::sin(g), 0.0, std::cos(g)};
    const double h = p.heading_deg * kDeg;
    for (int i = 0; i < 3; ++i) {
        up_[i] = i == 0 ? std::cos(g) : (i == 2 ? std::sin(g) : 0.0);
        observer_[i] = kEarthRadiusKm * up_[i];
        east_[i] = std::sin(h) * along[i] - std::cos(h) * across[i];
        north_[i] = std::cos(h) * along[i] + std::sin(h) * across[i];
    }
}

LookAngles PassModel::look_at(double t_s) const {
    const double angle = rate_rad_s_ * t_s;
    const double satellite[3] = {radius_km_ * std::cos(angle), radius_km_ * std::sin(angle), 0};
    const double speed = rate_rad_s_ * radius_km_;
    const double velocity[3] = {-speed * std::sin(angle), speed * std::cos(angle), 0.0};
    double d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = satellite[i] - observer_[i];
    }
    const double range = std::sqrt(dot(d, d));
    double azimuth = std::atan2(dot(d, east_), dot(d, north_)) / kDeg;
    if (azimuth < 0.0) {
        azimuth += 360.0;
    }
    return {azimuth, std::asin(dot(d, up_) / range) / kDeg, dot(d, velocity) / range * 1000.0};
}

double PassModel::time_after_culmination(double elevation_deg) const {
    const double gamma = central_angle(radius_km_, elevation_deg * kDeg);
    const double cos_angle = std::cos(gamma) / std::cos(culmination_angle_rad_);
    return std::acos(std::min(1.0, cos_angle)) / rate_rad_s_;
}

double received_downlink_hz(double nominal_hz, double range_rate_m_s) {
    return nominal_hz * (1.0 - range_rate_m_s / kLightSpeed);
}

double corrected_uplink_hz(double nominal_hz, double range_rate_m_s) {
    return nominal_hz * (1.0 + range_rate_m_s / kLightSpeed);
}

} // namespace dopplex::tracker
