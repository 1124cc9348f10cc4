#include "port/port_spec.h"

#include "port/trace.h"
#include "port/virtual_port.h"

#ifdef _WIN32
#include "port/inpout.h"
#else
#include "port/ftdi.h"
#include "port/ioport.h"
#include "port/ppdev.h"
#endif

#include <algorithm>
#include <charconv>
#include <limits>

namespace dopplex::port {
namespace {

[[noreturn]] void bad(std::string_view text, const std::string& why) {
    throw PortSpecError("Bad port \"" + std::string(text) + "\": " + why);
}

// Decimal, or hexadecimal with 0x; nothing else around it.
std::optional<unsigned long> parse_unsigned(std::string_view text, int base = 10) {
    if (base == 10 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::uint16_t parse_address(std::string_view spec, std::string_view kind, std::string_view text) {
    const auto address = parse_unsigned(text);
    if (!address || *address == 0 || *address > 0xFFFF) {
        const std::string name(kind);
        bad(spec, "\"" + std::string(text) + "\" is not an I/O port address, e.g. " + name +
                      ":0x378 or " + name + ":888");
    }
    return static_cast<std::uint16_t>(*address);
}

#ifdef _WIN32
constexpr std::string_view kOtherSystemKinds[] = {"ppdev", "ioport", "gpio", "ftdi"};
constexpr const char* kOtherSystem = "Linux; on Windows use inpout";
constexpr const char* kKindsHere = "use inpout, trace or virtual";
#else
constexpr std::string_view kOtherSystemKinds[] = {"inpout"};
constexpr const char* kOtherSystem = "Windows; on Linux use ppdev or ioport";
#if DOPPLEX_FTDI
constexpr const char* kKindsHere = "use ppdev, ioport, gpio, ftdi, trace or virtual";
#else
constexpr const char* kKindsHere = "use ppdev, ioport, gpio, trace or virtual";
constexpr const char* kNoFtdi = "not in this build (made without libftdi1)";
#endif
#endif

std::uint16_t parse_usb_id(std::string_view spec, std::string_view text) {
    const auto value = parse_unsigned(text, 16);
    if (text.size() > 4 || !value) {
        bad(spec, "\"" + std::string(text) +
                      "\" is not a USB id; write vendor and product in hexadecimal, e.g. "
                      "ftdi:0403:6001");
    }
    return static_cast<std::uint16_t>(*value);
}

PortSpec parse_gpio(std::string_view spec, std::string_view rest) {
    const std::string example = "e.g. gpio:gpiochip0:17,18,27,22,23,24,25,4";
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        bad(spec, "give a chip and eight line offsets, one per bit, " + example);
    }
    PortSpec result{.kind = PortKind::Gpio, .chip = std::string(rest.substr(0, colon))};
    std::string_view list = rest.substr(colon + 1);
    std::size_t count = 0;
    while (true) {
        const auto comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const auto offset = parse_unsigned(item);
        if (!offset || *offset > std::numeric_limits<std::uint16_t>::max()) {
            bad(spec,
                std::string(1, '"').append(item).append("\" is not a line offset, ") + example);
        }
        if (count == result.offsets.size()) {
            bad(spec, "more than eight line offsets, " + example);
        }
        const auto end = result.offsets.begin() + static_cast<std::ptrdiff_t>(count);
        if (std::find(result.offsets.begin(), end, *offset) != end) {
            bad(spec, "line " + std::to_string(*offset) + " is listed twice");
        }
        result.offsets[count++] = static_cast<unsigned>(*offset);
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    if (count != result.offsets.size()) {
        bad(spec, "eight line offsets needed, " + std::to_string(count) + " given, " + example);
    }
    return result;
}

} // namespace

PortSpec parse_port_spec(std::string_view text) {
    const auto colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const bool has_rest = colon != std::string_view::npos;
    const std::string_view rest = has_rest ? text.substr(colon + 1) : std::string_view{};
    if (has_rest && rest.empty()) {
        bad(text, "nothing after the colon");
    }
    if (std::find(std::begin(kOtherSystemKinds), std::end(kOtherSystemKinds), kind) !=
        std::end(kOtherSystemKinds)) {
        bad(text, std::string(kind) + " is only on " + kOtherSystem);
    }
    if (kind == "virtual") {
        if (has_rest) {
            bad(text, "virtual takes no argument");
        }
        return PortSpec{.kind = PortKind::Virtual};
    }
    if (kind == "ppdev") {
        return PortSpec{.kind = PortKind::Ppdev,
                        .path = has_rest ? std::string(rest) : std::string(default_parport)};
    }
    if (kind == "trace") {
        if (!has_rest) {
            bad(text, "give the file to write, e.g. trace:/tmp/lines.log");
        }
        return PortSpec{.kind = PortKind::Trace, .path = std::string(rest)};
    }
    if (kind == "ioport" || kind == "inpout") {
        PortSpec result{.kind = kind == "ioport" ? PortKind::IoPort : PortKind::InpOut};
        if (has_rest) {
            result.address = parse_address(text, kind, rest);
        }
        return result;
    }
#if !defined(_WIN32) && !DOPPLEX_FTDI
    if (kind == "ftdi") {
        bad(text, std::string("ftdi is ") + kNoFtdi + "; " + kKindsHere);
    }
#endif
    if (kind == "ftdi") {
        PortSpec result{.kind = PortKind::Ftdi};
        if (has_rest) {
            const auto second = rest.find(':');
            if (second == std::string_view::npos) {
                bad(text, "give vendor and product, e.g. ftdi:0403:6001");
            }
            result.vendor = parse_usb_id(text, rest.substr(0, second));
            result.product = parse_usb_id(text, rest.substr(second + 1));
        }
        return result;
    }
    if (kind == "gpio") {
        return parse_gpio(text, rest);
    }
    bad(text, "unknown kind \"" + std::string(kind) + "\"; " + kKindsHere);
}

PortSpec default_port_spec([[maybe_unused]] bool parport0_exists) {
#ifdef _WIN32
    return PortSpec{.kind = PortKind::InpOut};
#else
    if (parport0_exists) {
        return PortSpec{.kind = PortKind::Ppdev, .path = default_parport};
    }
    return PortSpec{.kind = PortKind::Virtual};
#endif
}

PortSpec choose_port_spec(const std::optional<std::string>& option,
                          const std::optional<std::string>& environment, bool parport0_exists) {
    if (option) {
        return parse_port_spec(*option);
    }
    if (environment) {
        return parse_port_spec(*environment);
    }
    return default_port_spec(parport0_exists);
}

std::string port_spec_usage() {
#ifdef _WIN32
    std::string usage =
        "  inpout[:ADDRESS]            InpOut32's library and driver, default 0x378 (888)\n";
#else
    std::string usage =
        "  ppdev[:DEVICE]              parallel port device, default /dev/parport0\n"
        "  ioport[:ADDRESS]            direct I/O (root or CAP_SYS_RAWIO), default 0x378\n"
        "  gpio:CHIP:L0,L1,...,L7      eight GPIO lines, bit n on Ln (libgpiod)\n";
#if DOPPLEX_FTDI
    usage += "  ftdi[:VENDOR:PRODUCT]       FT232R/FT245R bit-bang, default 0403:6001\n";
#else
    usage += "  ftdi                        " + std::string(kNoFtdi) + "\n";
#endif
#endif
    return usage +
           "  trace:FILE                  append every write with a monotonic time to FILE\n"
           "  virtual                     no hardware; the LED panel shows the lines\n";
}

std::unique_ptr<PortBackend> make_port_backend(const PortSpec& spec) {
    switch (spec.kind) {
#ifdef _WIN32
    case PortKind::InpOut:
        return std::make_unique<InpOutPort>(spec.address);
    case PortKind::Ppdev:
    case PortKind::IoPort:
    case PortKind::Gpio:
    case PortKind::Ftdi:
        break; // refused by the parser
#else
    case PortKind::InpOut:
        break; // refused by the parser
    case PortKind::Ppdev:
        return std::make_unique<PpdevPort>(spec.path, system_ppdev_calls());
    case PortKind::IoPort:
        return std::make_unique<IoPort>(spec.address, system_ioport_calls());
    case PortKind::Gpio:
        return std::make_unique<GpioPort>(spec.chip, spec.offsets, system_gpiod_calls());
    case PortKind::Ftdi:
#if DOPPLEX_FTDI
        return std::make_unique<FtdiPort>(spec.vendor, spec.product, system_ftdi_calls());
#else
        break; // refused by the parser
#endif
#endif
    case PortKind::Trace:
        return std::make_unique<TracePort>(spec.path);
    case PortKind::Virtual:
        break;
    }
    return std::make_unique<VirtualPort>();
}

std::string describe(const PortSpec& spec) {
    return make_port_backend(spec)->description();
}

} // namespace dopplex::port
