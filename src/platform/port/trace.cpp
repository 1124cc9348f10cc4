#include "port/trace.h"

#include "port/os_error.h"
#include "port/port_address.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dopplex::port {

std::string trace_line(std::chrono::steady_clock::time_point time, std::uint16_t address,
                       std::uint8_t data) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    std::string fraction = std::to_string(ns % 1'000'000'000);
    fraction.insert(0, 9 - fraction.size(), '0');
    std::string bits;
    for (int bit = 7; bit >= 0; --bit) {
        bits += ((data >> bit) & 1) != 0 ? '1' : '0';
    }
    return std::to_string(ns / 1'000'000'000) + "." + fraction + " " + hex_address(address) + " " +
           std::to_string(data) + " " + bits + "\n";
}

TracePort::TracePort(std::string path) : path_(std::move(path)) {}

TracePort::~TracePort() {
    close();
}

void TracePort::open() {
    close();
#ifdef _WIN32
    // Binary, so every line ends in one newline as on Linux.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_BINARY, 0644);
#else
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
#endif
    if (fd_ < 0) {
        const int error = errno;
        throw PortError("opening the trace file " + path_ + " failed (" + errno_text(error) +
                        "): check that its folder exists and may be written");
    }
}

void TracePort::write(std::uint16_t address, std::uint8_t data) {
    if (fd_ < 0) {
        throw PortError("the trace file " + path_ + " is not open");
    }
    const std::string line = trace_line(std::chrono::steady_clock::now(), address, data);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            throw PortError("writing to the trace file " + path_ + " failed (" + errno_text(error) +
                            ")");
        }
        done += static_cast<std::size_t>(written);
    }
}

void TracePort::close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace dopplex::port
