#include "port/port_address.h"

#include <cstdio>

namespace dopplex::port {

std::string hex_address(std::uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(address));
    return text;
}

} // namespace dopplex::port
