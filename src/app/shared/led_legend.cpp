#include "led_legend.h"

#include <cstdio>

namespace dopplex::app {

namespace {

const char* health_text(port::PortHealth health) {
    switch (health) {
    case port::PortHealth::Ok:
        return "ok";
    case port::PortHealth::Fallback:
        return "the chosen port could not be opened";
    case port::PortHealth::Failed:
        return "FAILED, lines unknown";
    case port::PortHealth::Recovered:
        return "reopened";
    }
    return "";
}

} // namespace

bool lines_unknown(const port::PortStatus* status) {
    return status && !status->lines && status->health == port::PortHealth::Failed;
}

bool port_healthy(const port::PortStatus* status) {
    return !status || status->health == port::PortHealth::Ok ||
           status->health == port::PortHealth::Recovered;
}

std::string port_status_line(const port::PortStatus* status) {
    if (!status) {
        return "Port: opening...";
    }
    const bool named = status->health == port::PortHealth::Fallback && !status->unopened.empty();
    return "Port: " + status->backend + "  -  " +
           (named ? status->unopened + " could not be opened" : health_text(status->health)) +
           (status->timing.empty() ? "" : "  -  " + status->timing);
}

std::string lines_text(const port::PortStatus* status) {
    if (lines_unknown(status)) {
        return "lines ?";
    }
    if (status && !status->lines) {
        return "nothing written yet";
    }
    char text[16];
    std::snprintf(text, sizeof text, "lines 0x%02x",
                  static_cast<unsigned>(status ? status->lines.value_or(0) : 0));
    return text;
}

} // namespace dopplex::app
