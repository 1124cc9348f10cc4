#include "port/gpio.h"

#include "port/os_error.h"

#include <cerrno>

namespace dopplex::port {
namespace {

std::string hint(const std::string& chip, int error) {
    switch (error) {
    case ENOENT:
        return "no GPIO chip \"" + chip + "\" (gpiodetect lists them)";
    case EACCES:
    case EPERM:
        return "no permission for the GPIO chip: add the user to the group \"gpio\" (Raspberry "
               "Pi OS) or give the group \"plugdev\" access with a udev rule, and log in again";
    case EBUSY:
        return "a line is in use by another program or a kernel driver (gpioinfo " + chip +
               " shows who holds it)";
    case EINVAL:
        return "the chip has no line at one of these offsets (gpioinfo " + chip +
               " lists its lines)";
    case ENOTTY:
    case ENODEV:
    case ENXIO:
        return "\"" + chip + "\" is not a GPIO chip device, or it is gone";
    default:
        return "check the chip with gpioinfo " + chip;
    }
}

} // namespace

std::string offsets_text(const GpioOffsets& offsets) {
    std::string text;
    for (const unsigned offset : offsets) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(offset);
    }
    return text;
}

GpioPort::GpioPort(std::string chip, GpioOffsets offsets, std::unique_ptr<GpiodCalls> calls)
    : chip_(std::move(chip)), offsets_(offsets), calls_(std::move(calls)) {}

GpioPort::~GpioPort() {
    close();
}

std::string GpioPort::description() const {
    return "GPIO " + chip_ + " lines " + offsets_text(offsets_);
}

void GpioPort::open() {
    close();
    if (const int result = calls_->chip_open_lookup(chip_); result < 0) {
        fail("opening GPIO chip " + chip_, -result);
    }
    chip_open_ = true;
    if (const int result = calls_->chip_get_lines(offsets_); result < 0) {
        fail("getting lines " + offsets_text(offsets_) + " of " + chip_, -result);
    }
    if (const int result = calls_->line_request_bulk_output("dopplex", GpioValues{}); result < 0) {
        fail("requesting lines " + offsets_text(offsets_) + " of " + chip_ + " as outputs",
             -result);
    }
    lines_held_ = true;
}

void GpioPort::fail(const std::string& step, int error) {
    close();
    throw PortError(step + " failed (" + errno_text(error) + "): " + hint(chip_, error));
}

void GpioPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    if (!lines_held_) {
        throw PortError("GPIO lines of " + chip_ + " are not open");
    }
    GpioValues values{};
    for (std::size_t bit = 0; bit < values.size(); ++bit) {
        values[bit] = (data >> bit) & 1;
    }
    if (const int result = calls_->line_set_value_bulk(values); result < 0) {
        throw PortError("writing to GPIO lines of " + chip_ + " failed (" + errno_text(-result) +
                        ")");
    }
}

void GpioPort::close() noexcept {
    if (lines_held_) {
        calls_->line_release_bulk();
        lines_held_ = false;
    }
    if (chip_open_) {
        calls_->chip_close();
        chip_open_ = false;
    }
}

} // namespace dopplex::port
