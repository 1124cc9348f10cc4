#include "pass/tracking_text.h"

#include <cmath>
#include <cstdio>

namespace dopplex::tracker {

namespace {

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string compose_tracking_text(const TextFields& f) {
    std::string text = "SN\"" + f.name + "\"";
    if (f.azimuth_deg) {
        double azimuth = std::fmod(*f.azimuth_deg, 360.0);
        if (azimuth < 0.0) {
            azimuth += 360.0;
        }
        azimuth = std::round(azimuth * 10.0) / 10.0;
        if (azimuth >= 360.0) {
            azimuth -= 360.0;
        }
        text += formatted(" AZ%.1f", azimuth);
    }
    if (f.elevation_deg) {
        text += formatted(" EL%.1f", *f.elevation_deg);
    }
    if (f.downlink_hz) {
        text += " DN" + std::to_string(std::llround(*f.downlink_hz));
    }
    if (f.uplink_hz) {
        text += " UP" + std::to_string(std::llround(*f.uplink_hz));
    }
    const auto quoted = [&](const char* key, const std::optional<std::string>& value) {
        if (value) {
            text += std::string(" ") + key + "\"" + *value + "\"";
        }
    };
    quoted("UM", f.uplink_mode);
    quoted("DM", f.downlink_mode);
    quoted("AOS", f.aos);
    return text;
}

} // namespace dopplex::tracker
