// Recording stand-ins for the system and library calls of the port backends.
#pragma once

#include "call_log.h"
#include "port/ftdi.h"
#include "port/gpio.h"
#include "port/gpiod2_calls.h"
#include "port/ioport.h"
#include "port/ppdev.h"

#include <memory>

namespace dopplex::port::testing {

class FakePpdevCalls final : public PpdevCalls {
public:
    explicit FakePpdevCalls(CallLog& log) : log_(log) {}
    int open(const std::string& path) override { return log_.answer("open", "open " + path, 3); }
    int ioctl(int fd, unsigned long request, void* argument) override;
    void close(int fd) override { log_.answer("close", "close " + std::to_string(fd)); }

private:
    CallLog& log_;
};

class FakeIoPortCalls final : public IoPortCalls {
public:
    explicit FakeIoPortCalls(CallLog& log) : log_(log) {}
    int ioperm(unsigned long from, unsigned long count, int turn_on) override;
    void outb(std::uint8_t value, std::uint16_t port) override;

private:
    CallLog& log_;
};

class FakeGpiodCalls final : public GpiodCalls {
public:
    explicit FakeGpiodCalls(CallLog& log) : log_(log) {}
    int chip_open_lookup(const std::string& chip) override;
    int chip_get_lines(const GpioOffsets& offsets) override;
    int line_request_bulk_output(const std::string& consumer, const GpioValues& defaults) override;
    int line_set_value_bulk(const GpioValues& values) override;
    void line_release_bulk() override { log_.answer("release", "release"); }
    void chip_close() override { log_.answer("chip_close", "chip_close"); }

private:
    CallLog& log_;
};

// libgpiod 2's calls on a system with the chips listed (path, label, line count). Scripted by
// the same names as FakeGpiodCalls: chip_open, get_lines (the line count), request, set.
struct FakeGpioChip {
    std::string path;
    std::string label;
    unsigned lines;
};

class FakeGpiod2Library final : public Gpiod2Library {
public:
    FakeGpiod2Library(CallLog& log, std::vector<FakeGpioChip> chips)
        : log_(log), chips_(std::move(chips)) {}
    std::vector<std::string> chip_paths() override;
    int open_chip(const std::string& path) override;
    int chip_label(std::string& label) override;
    int chip_line_count(unsigned& count) override;
    int request_outputs(const std::string& consumer, const GpioOffsets& offsets,
                        const GpioValues& values) override;
    int set_values(const GpioOffsets& offsets, const GpioValues& values) override;
    void release_request() override { log_.answer("release", "release"); }
    void close_chip() override { log_.answer("chip_close", "chip_close"); }

private:
    CallLog& log_;
    std::vector<FakeGpioChip> chips_;
    const FakeGpioChip* open_ = nullptr;
};

class FakeFtdiCalls final : public FtdiCalls {
public:
    explicit FakeFtdiCalls(CallLog& log) : log_(log) {}
    int new_context() override { return log_.answer("new", "new"); }
    int usb_open(int vendor, int product) override;
    int set_bitmode(unsigned char mask, unsigned char mode) override;
    int write_data(const unsigned char* data, int size) override;
    std::string error_string() override { return "scripted failure"; }
    void usb_close() override { log_.answer("usb_close", "usb_close"); }
    void free_context() override { log_.answer("free", "free"); }

private:
    CallLog& log_;
};

inline std::unique_ptr<PpdevPort> fake_ppdev(CallLog& log, std::string path = "/dev/parport0") {
    return std::make_unique<PpdevPort>(std::move(path), std::make_unique<FakePpdevCalls>(log));
}
inline std::unique_ptr<IoPort> fake_ioport(CallLog& log, std::uint16_t address = 0x378) {
    return std::make_unique<IoPort>(address, std::make_unique<FakeIoPortCalls>(log));
}
inline std::unique_ptr<GpioPort> fake_gpio(CallLog& log) {
    return std::make_unique<GpioPort>("gpiochip0", GpioOffsets{17, 18, 27, 22, 23, 24, 25, 4},
                                      std::make_unique<FakeGpiodCalls>(log));
}
// What open() throws, or "(opened)".
inline std::string open_error(PortBackend& backend) {
    try {
        backend.open();
    } catch (const PortError& error) {
        return error.what();
    }
    return "(opened)";
}

// A Raspberry Pi 4's two chips.
inline std::vector<FakeGpioChip> pi_chips() {
    return {{"/dev/gpiochip0", "pinctrl-bcm2711", 58},
            {"/dev/gpiochip1", "raspberrypi-exp-gpio", 8}};
}
inline std::unique_ptr<GpioPort> fake_gpio2(CallLog& log, std::string chip = "gpiochip0",
                                            std::vector<FakeGpioChip> chips = pi_chips()) {
    return std::make_unique<GpioPort>(
        std::move(chip), GpioOffsets{17, 18, 27, 22, 23, 24, 25, 4},
        std::make_unique<Gpiod2Calls>(std::make_unique<FakeGpiod2Library>(log, std::move(chips))));
}
inline std::unique_ptr<FtdiPort> fake_ftdi(CallLog& log) {
    return std::make_unique<FtdiPort>(0x0403, 0x6001, std::make_unique<FakeFtdiCalls>(log));
}

} // namespace dopplex::port::testing
