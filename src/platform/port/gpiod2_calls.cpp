#include "port/gpiod2_calls.h"

#include <algorithm>
#include <cerrno>

namespace dopplex::port {

std::string gpio_chip_path(const std::string& chip) {
    if (chip.find('/') != std::string::npos) {
        return chip;
    }
    const auto all_digits = [](const std::string& text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (all_digits(chip)) {
        return "/dev/gpiochip" + chip;
    }
    if (chip.starts_with("gpiochip") && all_digits(chip.substr(8))) {
        return "/dev/" + chip;
    }
    return {};
}

Gpiod2Calls::Gpiod2Calls(std::unique_ptr<Gpiod2Library> library) : library_(std::move(library)) {}

int Gpiod2Calls::chip_open_lookup(const std::string& chip) {
    const std::string path = gpio_chip_path(chip);
    return path.empty() ? open_by_label(chip) : library_->open_chip(path);
}

// The first chip that carries the label, as libgpiod 1 found it. A chip that cannot be opened
// is passed over; when none has the label, a refused permission tells more than "no such chip".
int Gpiod2Calls::open_by_label(const std::string& label) {
    int refusal = -ENOENT;
    for (const std::string& path : library_->chip_paths()) {
        if (const int result = library_->open_chip(path); result < 0) {
            if (result == -EACCES || result == -EPERM) {
                refusal = result;
            }
            continue;
        }
        std::string found;
        if (library_->chip_label(found) == 0 && found == label) {
            return 0;
        }
        library_->close_chip();
    }
    return refusal;
}

int Gpiod2Calls::chip_get_lines(const GpioOffsets& offsets) {
    unsigned count = 0;
    if (const int result = library_->chip_line_count(count); result < 0) {
        return result;
    }
    if (std::any_of(offsets.begin(), offsets.end(), [count](unsigned o) { return o >= count; })) {
        return -EINVAL;
    }
    offsets_ = offsets;
    return 0;
}

int Gpiod2Calls::line_request_bulk_output(const std::string& consumer, const GpioValues& defaults) {
    return library_->request_outputs(consumer, offsets_, defaults);
}

int Gpiod2Calls::line_set_value_bulk(const GpioValues& values) {
    return library_->set_values(offsets_, values);
}

void Gpiod2Calls::line_release_bulk() {
    library_->release_request();
}

void Gpiod2Calls::chip_close() {
    library_->close_chip();
}

} // namespace dopplex::port
