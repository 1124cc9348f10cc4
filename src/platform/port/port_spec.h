// Which backend to use: the text of the --port option or of DOPPLEX_PORT, its default, and the
// backend it makes. parse_port_spec throws PortSpecError with a message for the operator.
#pragma once

#include "port/gpio.h"
#include "port/port_backend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dopplex::port {

enum class PortKind { Ppdev, IoPort, Gpio, Ftdi, InpOut, Trace, Virtual };

struct PortSpec {
    PortKind kind = PortKind::Virtual;
    std::string path{};            // Ppdev: device node; Trace: file
    std::uint16_t address = 0x378; // IoPort, InpOut
    std::string chip{};            // Gpio
    GpioOffsets offsets{};         // Gpio: offsets[n] carries bit n
    std::uint16_t vendor = 0x0403; // Ftdi
    std::uint16_t product = 0x6001;
    bool operator==(const PortSpec&) const = default;
};

class PortSpecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* default_parport = "/dev/parport0";

// "ppdev:/dev/parport0", "ioport:0x378", "gpio:gpiochip0:17,18,27,22,23,24,25,4",
// "ftdi:0403:6001", "inpout:888", "trace:/tmp/lines.log", "virtual"; "ppdev", "ioport", "ftdi"
// and "inpout" alone take the defaults shown. A kind this system lacks (inpout on Linux; ppdev,
// ioport, gpio and ftdi on Windows) is refused.
PortSpec parse_port_spec(std::string_view text);

// Linux: ppdev on /dev/parport0 when it exists, else virtual. Windows: inpout at 0x378, whose
// absence is reported once and then runs on virtual.
PortSpec default_port_spec(bool parport0_exists);

// The option wins over the environment, the environment over the default.
PortSpec choose_port_spec(const std::optional<std::string>& option,
                          const std::optional<std::string>& environment, bool parport0_exists);

// For --help: the syntax of every kind, one per line.
std::string port_spec_usage();

// The backend on the real system calls; nothing is opened yet.
std::unique_ptr<PortBackend> make_port_backend(const PortSpec& spec);

// What the window and --help show, e.g. "ppdev /dev/parport0".
std::string describe(const PortSpec& spec);

} // namespace dopplex::port
