// Appends every write to a file, one line each, for checking a setup or a pass afterwards.
// Line format (docs/ports.md): "<monotonic s>.<ns> <address> <byte> <bits>", for example
// "5123.004512331 0x378 12 00001100" (bits from bit 7 down to bit 0). The time is
// CLOCK_MONOTONIC, taken just before the line is written; each line is one write(2).
#pragma once

#include "port/port_backend.h"

#include <chrono>
#include <string>

namespace dopplex::port {

class TracePort final : public PortBackend {
public:
    explicit TracePort(std::string path);
    ~TracePort() override;

    std::string description() const override { return "trace to " + path_; }
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    std::string path_;
    int fd_ = -1;
};

// One line of the trace, newline included.
std::string trace_line(std::chrono::steady_clock::time_point time, std::uint16_t address,
                       std::uint8_t data);

} // namespace dopplex::port
