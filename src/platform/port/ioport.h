// Direct I/O to a port address (ioperm + outb), for root or a process with CAP_SYS_RAWIO, on x86.
// Writes always go to the address the backend was made for: ioperm grants that address only.
#pragma once

#include "port/port_address.h"
#include "port/port_backend.h"

#include <memory>

namespace dopplex::port {

// The system calls the backend makes; tests put a recorder here.
class IoPortCalls {
public:
    virtual ~IoPortCalls() = default;
    virtual int ioperm(unsigned long from, unsigned long count, int turn_on) = 0; // 0, or -errno
    virtual void outb(std::uint8_t value, std::uint16_t port) = 0;
};

// On machines without port I/O instructions, ioperm() answers -ENOSYS.
std::unique_ptr<IoPortCalls> system_ioport_calls();

class IoPort final : public PortBackend {
public:
    IoPort(std::uint16_t address, std::unique_ptr<IoPortCalls> calls);
    ~IoPort() override;

    std::string description() const override;
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    std::uint16_t address_;
    std::unique_ptr<IoPortCalls> calls_;
    bool granted_ = false;
};

} // namespace dopplex::port
