// The tracking text that every source serves: keys in the order SN AZ EL DN UP UM DM AOS,
// azimuth (0 to 360) and elevation with one decimal, frequencies rounded to whole Hz. A field
// that a source does not know is left out of the text.
#pragma once

#include <optional>
#include <string>

namespace dopplex::tracker {

struct TextFields {
    std::string name;
    std::optional<double> azimuth_deg;
    std::optional<double> elevation_deg;
    std::optional<double> downlink_hz;
    std::optional<double> uplink_hz;
    std::optional<std::string> uplink_mode;
    std::optional<std::string> downlink_mode;
    std::optional<std::string> aos;
};

std::string compose_tracking_text(const TextFields& fields);

} // namespace dopplex::tracker
