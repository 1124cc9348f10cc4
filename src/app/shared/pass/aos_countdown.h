// The words beside the tracker's AOS text: that it is UTC, and while the satellite is below the
// horizon how long until AOS. Pure function, any thread.
#pragma once

#include <cstdint>
#include <string>

namespace dopplex::app {

// "" without an AOS text or once the link is closed (the text is then the last pass's); "UTC"
// above the horizon, once AOS is past, or for a text that is no time; below the horizon before
// AOS "UTC, in 4:07" (or "in 1:02:03"). Shown right after the AOS text.
std::string aos_countdown_text(const std::string& aos_text, double elevation_deg,
                               std::int64_t now_utc_ms, bool link_open);

// Whether the link label's text ("Opened" or "Closed") shows an open link.
bool link_shown_open(const std::string& link_label);

} // namespace dopplex::app
