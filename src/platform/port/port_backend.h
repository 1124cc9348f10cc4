// One device that can put a byte on eight output lines.
// Owned by SupervisedPort, which calls it on the engine thread only. open() and write() throw
// PortError with a message for the operator (what failed and what to do about it); close() never
// throws and may be called when the device is not open.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dopplex::port {

class PortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // What the window and --help show, e.g. "ppdev /dev/parport0".
    virtual std::string description() const = 0;
    virtual void open() = 0;
    virtual void write(std::uint16_t address, std::uint8_t data) = 0;
    virtual void close() noexcept = 0;
};

} // namespace dopplex::port
