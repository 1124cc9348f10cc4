// No hardware: the byte only lives here and in the window's LED panel (through PortStatus).
#pragma once

#include "port/port_backend.h"

#include <cstddef>
#include <optional>

namespace dopplex::port {

class VirtualPort final : public PortBackend {
public:
    std::string description() const override { return "virtual (no hardware)"; }
    void open() override {}
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override {}

    std::optional<std::uint8_t> last_byte() const { return last_byte_; }
    std::size_t write_count() const { return write_count_; }

private:
    std::optional<std::uint8_t> last_byte_;
    std::size_t write_count_ = 0;
};

} // namespace dopplex::port
