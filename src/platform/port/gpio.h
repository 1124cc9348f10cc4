// Eight lines of a GPIO chip (a Raspberry Pi as the interface) through libgpiod 1 or 2.
// Bit n of every byte goes to the n-th listed line offset. The lines are requested as outputs,
// all low, at open() and held until close().
#pragma once

#include "port/port_backend.h"

#include <array>
#include <memory>
#include <string>

namespace dopplex::port {

using GpioOffsets = std::array<unsigned, 8>;
using GpioValues = std::array<int, 8>;

// The libgpiod calls the backend makes, one method per call in libgpiod 1's shape (the chip and
// the line bulk are held inside; Gpiod2Calls makes libgpiod 2 answer alike); each answers 0 or
// -errno. Tests put a recorder here.
class GpiodCalls {
public:
    virtual ~GpiodCalls() = default;
    virtual int chip_open_lookup(const std::string& chip) = 0;
    virtual int chip_get_lines(const GpioOffsets& offsets) = 0;
    virtual int line_request_bulk_output(const std::string& consumer,
                                         const GpioValues& defaults) = 0;
    virtual int line_set_value_bulk(const GpioValues& values) = 0;
    virtual void line_release_bulk() = 0;
    virtual void chip_close() = 0;
};

// The calls of the libgpiod this build found (1 or 2).
std::unique_ptr<GpiodCalls> system_gpiod_calls();

class GpioPort final : public PortBackend {
public:
    GpioPort(std::string chip, GpioOffsets offsets, std::unique_ptr<GpiodCalls> calls);
    ~GpioPort() override;

    std::string description() const override;
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    [[noreturn]] void fail(const std::string& step, int error);

    std::string chip_;
    GpioOffsets offsets_;
    std::unique_ptr<GpiodCalls> calls_;
    bool chip_open_ = false;
    bool lines_held_ = false;
};

std::string offsets_text(const GpioOffsets& offsets); // "17,18,27,22,23,24,25,4"

} // namespace dopplex::port
