#include "aos_countdown.h"

#include "utc_text.h"

#include <cstdio>

namespace dopplex::app {

std::string aos_countdown_text(const std::string& aos_text, double elevation_deg,
                               std::int64_t now_utc_ms, bool link_open) {
    if (aos_text.empty() || !link_open) {
        return "";
    }
    const std::optional<std::int64_t> aos_ms = parse_utc(aos_text);
    if (!aos_ms || elevation_deg > 0 || *aos_ms <= now_utc_ms) {
        return "UTC";
    }
    // Whole seconds, rounded up: "in 0:00" would show while AOS is still ahead.
    const std::int64_t left_s = (*aos_ms - now_utc_ms + 999) / 1000;
    const long long h = left_s / 3600, m = left_s / 60 % 60, s = left_s % 60;
    char text[48];
    if (h > 0) {
        std::snprintf(text, sizeof text, "UTC, in %lld:%02lld:%02lld", h, m, s);
    } else {
        std::snprintf(text, sizeof text, "UTC, in %lld:%02lld", m, s);
    }
    return text;
}

bool link_shown_open(const std::string& link_label) {
    return link_label != "Closed";
}

} // namespace dopplex::app
