#include "fake_calls.h"

#include <cerrno>
#include <cstdio>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace dopplex::port::testing {
namespace {

template <typename Values> std::string joined(const Values& values) {
    std::string text;
    for (const auto value : values) {
        text += (text.empty() ? "" : ",") + std::to_string(value);
    }
    return text;
}

std::string hex(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

} // namespace

int FakePpdevCalls::ioctl(int fd, unsigned long request, void* argument) {
    const std::string prefix = "ioctl " + std::to_string(fd) + " ";
    switch (request) {
    case PPEXCL:
        return log_.answer("PPEXCL", prefix + "PPEXCL");
    case PPCLAIM:
        return log_.answer("PPCLAIM", prefix + "PPCLAIM");
    case PPRELEASE:
        return log_.answer("PPRELEASE", prefix + "PPRELEASE");
    case PPWDATA:
        return log_.answer("PPWDATA", prefix + "PPWDATA " +
                                          std::to_string(*static_cast<unsigned char*>(argument)));
    default:
        return log_.answer("ioctl", prefix + "request " + std::to_string(request));
    }
}

int FakeIoPortCalls::ioperm(unsigned long from, unsigned long count, int turn_on) {
    return log_.answer("ioperm", "ioperm " + hex(from) + " " + std::to_string(count) + " " +
                                     std::to_string(turn_on));
}

void FakeIoPortCalls::outb(std::uint8_t value, std::uint16_t port) {
    log_.answer("outb", "outb " + std::to_string(value) + " " + hex(port));
}

int FakeGpiodCalls::chip_open_lookup(const std::string& chip) {
    return log_.answer("chip_open", "chip_open " + chip);
}

int FakeGpiodCalls::chip_get_lines(const GpioOffsets& offsets) {
    return log_.answer("get_lines", "get_lines " + joined(offsets));
}

int FakeGpiodCalls::line_request_bulk_output(const std::string& consumer,
                                             const GpioValues& defaults) {
    return log_.answer("request", "request_output " + consumer + " " + joined(defaults));
}

int FakeGpiodCalls::line_set_value_bulk(const GpioValues& values) {
    return log_.answer("set", "set " + joined(values));
}

std::vector<std::string> FakeGpiod2Library::chip_paths() {
    log_.answer("chip_paths", "chip_paths");
    std::vector<std::string> paths;
    for (const auto& chip : chips_) {
        paths.push_back(chip.path);
    }
    return paths;
}

int FakeGpiod2Library::open_chip(const std::string& path) {
    const int result = log_.answer("chip_open", "chip_open " + path);
    if (result < 0) {
        return result;
    }
    for (const auto& chip : chips_) {
        if (chip.path == path) {
            open_ = &chip;
            return 0;
        }
    }
    return -ENOENT;
}

int FakeGpiod2Library::chip_label(std::string& label) {
    label = open_->label;
    return log_.answer("label", "label");
}

int FakeGpiod2Library::chip_line_count(unsigned& count) {
    count = open_->lines;
    return log_.answer("get_lines", "line_count");
}

int FakeGpiod2Library::request_outputs(const std::string& consumer, const GpioOffsets& offsets,
                                       const GpioValues& values) {
    return log_.answer("request",
                       "request_output " + consumer + " " + joined(offsets) + " " + joined(values));
}

int FakeGpiod2Library::set_values(const GpioOffsets& offsets, const GpioValues& values) {
    return log_.answer("set", "set " + joined(offsets) + " " + joined(values));
}

int FakeFtdiCalls::usb_open(int vendor, int product) {
    return log_.answer("usb_open", "usb_open " + hex(static_cast<unsigned>(vendor)) + " " +
                                       hex(static_cast<unsigned>(product)));
}

int FakeFtdiCalls::set_bitmode(unsigned char mask, unsigned char mode) {
    return log_.answer("bitmode", "set_bitmode " + hex(mask) + " " + hex(mode));
}

int FakeFtdiCalls::write_data(const unsigned char* data, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) {
        bytes += " " + std::to_string(data[i]);
    }
    return log_.answer("write", "write" + bytes, size);
}

} // namespace dopplex::port::testing
