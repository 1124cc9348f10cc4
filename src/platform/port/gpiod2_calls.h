// The gpio port's calls made with libgpiod 2, which opens a chip only by its path and takes the
// offsets with the request: the names, numbers and labels that libgpiod 1 looked up, and its
// check of the offsets against the chip, are done here over the library's few calls, which
// tests replace. Answers 0 or -errno, as every GpiodCalls does.
#pragma once

#include "port/gpio.h"

#include <memory>
#include <string>
#include <vector>

namespace dopplex::port {

// libgpiod 2's calls, on the one chip and the one line request held inside; 0 or -errno.
class Gpiod2Library {
public:
    virtual ~Gpiod2Library() = default;
    virtual std::vector<std::string> chip_paths() = 0; // the system's chip devices, in order
    virtual int open_chip(const std::string& path) = 0;
    virtual int chip_label(std::string& label) = 0;
    virtual int chip_line_count(unsigned& count) = 0;
    virtual int request_outputs(const std::string& consumer, const GpioOffsets& offsets,
                                const GpioValues& values) = 0;
    virtual int set_values(const GpioOffsets& offsets, const GpioValues& values) = 0;
    virtual void release_request() = 0;
    virtual void close_chip() = 0;
};

class Gpiod2Calls final : public GpiodCalls {
public:
    explicit Gpiod2Calls(std::unique_ptr<Gpiod2Library> library);

    int chip_open_lookup(const std::string& chip) override;
    int chip_get_lines(const GpioOffsets& offsets) override;
    int line_request_bulk_output(const std::string& consumer, const GpioValues& defaults) override;
    int line_set_value_bulk(const GpioValues& values) override;
    void line_release_bulk() override;
    void chip_close() override;

private:
    int open_by_label(const std::string& label);

    std::unique_ptr<Gpiod2Library> library_;
    GpioOffsets offsets_{};
};

// Where libgpiod 2 finds CHIP: a path as it stands, "gpiochipN" and "N" in /dev; empty for
// anything else, which can only be a chip's label.
std::string gpio_chip_path(const std::string& chip);

} // namespace dopplex::port
