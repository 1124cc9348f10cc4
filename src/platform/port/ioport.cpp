#include "port/ioport.h"

#include "port/os_error.h"

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define DOPPLEX_HAVE_PORT_IO 1
#endif

namespace dopplex::port {
namespace {

class SystemIoPortCalls final : public IoPortCalls {
public:
#ifdef DOPPLEX_HAVE_PORT_IO
    int ioperm(unsigned long from, unsigned long count, int turn_on) override {
        return ::ioperm(from, count, turn_on) == 0 ? 0 : -errno;
    }
    void outb(std::uint8_t value, std::uint16_t port) override { ::outb(value, port); }
#else
    int ioperm(unsigned long, unsigned long, int) override { return -ENOSYS; }
    void outb(std::uint8_t, std::uint16_t) override {}
#endif
};

std::string hint(int error) {
    switch (error) {
    case EPERM:
    case EACCES:
        return "direct port access needs root or the capability CAP_SYS_RAWIO "
               "(sudo setcap cap_sys_rawio+ep on the program), and a kernel not in lockdown";
    case ENOSYS:
        return "direct port I/O is not available here (not an x86 PC, or a sandbox blocks it); "
               "use ppdev, gpio or ftdi";
    case EINVAL:
        return "the address is out of range";
    default:
        return "use ppdev instead";
    }
}

} // namespace

std::unique_ptr<IoPortCalls> system_ioport_calls() {
    return std::make_unique<SystemIoPortCalls>();
}

IoPort::IoPort(std::uint16_t address, std::unique_ptr<IoPortCalls> calls)
    : address_(address), calls_(std::move(calls)) {}

IoPort::~IoPort() {
    close();
}

std::string IoPort::description() const {
    return "direct I/O at " + hex_address(address_);
}

void IoPort::open() {
    close();
    if (const int result = calls_->ioperm(address_, 1, 1); result < 0) {
        throw PortError("access to I/O port " + hex_address(address_) + " refused (" +
                        errno_text(-result) + "): " + hint(-result));
    }
    granted_ = true;
}

void IoPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    if (!granted_) {
        throw PortError("I/O port " + hex_address(address_) + " is not open");
    }
    calls_->outb(data, address_);
}

void IoPort::close() noexcept {
    if (granted_) {
        calls_->ioperm(address_, 1, 0);
        granted_ = false;
    }
}

} // namespace dopplex::port
