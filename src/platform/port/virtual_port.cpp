#include "port/virtual_port.h"

namespace dopplex::port {

void VirtualPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    last_byte_ = data;
    ++write_count_;
}

} // namespace dopplex::port
