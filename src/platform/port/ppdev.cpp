#include "port/ppdev.h"

#include "port/os_error.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace dopplex::port {
namespace {

class SystemPpdevCalls final : public PpdevCalls {
public:
    int open(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    int ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument) == 0 ? 0 : -errno;
    }
    void close(int fd) override { ::close(fd); }
};

std::string hint(const std::string& path, int error) {
    switch (error) {
    case ENOENT:
        return path + " does not exist: load the driver (modprobe ppdev) or check that the "
                      "machine has a parallel port";
    case EACCES:
    case EPERM:
        return "no permission for " + path +
               ": add the user to the group \"lp\" (sudo adduser $USER lp) and log in again";
    case ENXIO:
    case ENODEV:
        return "no parallel port behind " + path +
               ", or another driver holds it (the printer driver: modprobe -r lp) or another "
               "program does";
    case EBUSY:
        return path + " is held by another driver (the printer driver: modprobe -r lp) or "
                      "another program";
    default:
        return "check the device and its driver";
    }
}

} // namespace

std::unique_ptr<PpdevCalls> system_ppdev_calls() {
    return std::make_unique<SystemPpdevCalls>();
}

PpdevPort::PpdevPort(std::string path, std::unique_ptr<PpdevCalls> calls)
    : path_(std::move(path)), calls_(std::move(calls)) {}

PpdevPort::~PpdevPort() {
    close();
}

std::string PpdevPort::description() const {
    return "ppdev " + path_;
}

void PpdevPort::open() {
    close();
    const int fd = calls_->open(path_);
    if (fd < 0) {
        fail_open("opening", -fd);
    }
    fd_ = fd;
    // Exclusive: a second user of the port makes PPCLAIM fail at once instead of blocking
    // until we let go, which we never do while running.
    if (const int result = calls_->ioctl(fd_, PPEXCL, nullptr); result < 0) {
        fail_open("PPEXCL on", -result);
    }
    if (const int result = calls_->ioctl(fd_, PPCLAIM, nullptr); result < 0) {
        fail_open("claiming", -result);
    }
    claimed_ = true;
}

void PpdevPort::fail_open(const char* step, int error) {
    close();
    throw PortError(std::string(step) + " " + path_ + " failed (" + errno_text(error) +
                    "): " + hint(path_, error));
}

void PpdevPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    if (!claimed_) {
        throw PortError(path_ + " is not open");
    }
    unsigned char byte = data;
    if (const int result = calls_->ioctl(fd_, PPWDATA, &byte); result < 0) {
        throw PortError("writing to " + path_ + " failed (" + errno_text(-result) + ")");
    }
}

void PpdevPort::close() noexcept {
    if (claimed_) {
        calls_->ioctl(fd_, PPRELEASE, nullptr);
        claimed_ = false;
    }
    if (fd_ >= 0) {
        calls_->close(fd_);
        fd_ = -1;
    }
}

} // namespace dopplex::port
