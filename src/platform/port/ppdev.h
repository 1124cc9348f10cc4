// The Linux parallel-port device (/dev/parportN) as a port backend.
// The port is claimed exclusively at open() and held until close(); every write is one PPWDATA.
// Port address and device node: 0x378 is usually /dev/parport0; see docs/ports.md for 0x278 and
// 0x3BC. The address given to write() is not used: the device node is the port.
#pragma once

#include "port/port_backend.h"

#include <memory>
#include <string>

namespace dopplex::port {

// The system calls the backend makes; tests put a recorder here.
class PpdevCalls {
public:
    virtual ~PpdevCalls() = default;
    virtual int open(const std::string& path) = 0;                        // fd, or -errno
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0; // 0, or -errno
    virtual void close(int fd) = 0;
};

std::unique_ptr<PpdevCalls> system_ppdev_calls();

class PpdevPort final : public PortBackend {
public:
    PpdevPort(std::string path, std::unique_ptr<PpdevCalls> calls);
    ~PpdevPort() override;

    std::string description() const override;
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    void fail_open(const char* step, int error);

    std::string path_;
    std::unique_ptr<PpdevCalls> calls_;
    int fd_ = -1;
    bool claimed_ = false;
};

} // namespace dopplex::port
