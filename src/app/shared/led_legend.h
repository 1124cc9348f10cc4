// What the on-screen LED panel shows, for every window toolkit: each line's label and colour,
// and the words under the LEDs. `status` is nullptr before the port has said anything.
#pragma once

#include "port/supervised_port.h"

#include <array>
#include <cstdint>
#include <string>

namespace dopplex::app {

struct LedLegend {
    const char* label;
    std::uint32_t rgb; // 0xRRGGBB
};

// Bit n drives DB-25 pin n + 2 and its LED on the interface.
inline constexpr std::array<LedLegend, 8> kLedLegend{{
    {"RX UP", 0xE61E1E},
    {"RX DOWN", 0xFADC1E},
    {"RX TUNED", 0x286EFF},
    {"GREEN", 0x28DC3C},
    {"TX UP", 0xE61E1E},
    {"TX DOWN", 0xFADC1E},
    {"TX TUNED", 0xFF8C14},
    {"AUX", 0x28DC3C},
}};

inline constexpr const char* kLedPanelTitle = "OUTPUT LINES  (DB-25 pins 2-9)";

// The lines cannot be known: the port failed and nothing was written since.
bool lines_unknown(const port::PortStatus* status);
bool port_healthy(const port::PortStatus* status);
// "Port: virtual (no hardware)  -  ok".
std::string port_status_line(const port::PortStatus* status);
// "lines 0x11", "lines ?" or "nothing written yet".
std::string lines_text(const port::PortStatus* status);

} // namespace dopplex::app
