// How a port address is written for the operator and in traces.
#pragma once

#include <cstdint>
#include <string>

namespace dopplex::port {

std::string hex_address(std::uint16_t address); // "0x378"

} // namespace dopplex::port
