#include "live_text.h"

#include "tracker/record/tracking_record.h"
#include "utc_text.h"

#include <cstdio>

namespace dopplex::app {

std::string live_text(const std::string& record, std::int64_t received_utc_ms) {
    const std::string at = utc_text(received_utc_ms).substr(11, 8) + " UTC";
    TSatData data;
    std::string aos;
    try {
        ParseTrackingRecord(record, data, aos);
    } catch (const std::exception& error) {
        return "Live  unreadable update at " + at + ": " + error.what();
    }
    char text[160];
    std::snprintf(text, sizeof text, "Live  EL %.1f\u00b0  DN %.0f Hz  UP %.0f Hz  at %s",
                  data.Elevation, data.Downlink, data.Uplink, at.c_str());
    return text;
}

} // namespace dopplex::app
