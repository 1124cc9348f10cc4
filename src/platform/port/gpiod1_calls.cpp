// The gpio port's calls with libgpiod 1 (Debian 12, Raspberry Pi OS 12), which looks a chip
// up by name, number, path or label and holds the lines as a bulk.
#include "port/gpio.h"

#include <cerrno>
#include <gpiod.h>

namespace dopplex::port {
namespace {

class SystemGpiodCalls final : public GpiodCalls {
public:
    ~SystemGpiodCalls() override { chip_close(); }

    int chip_open_lookup(const std::string& chip) override {
        chip_ = gpiod_chip_open_lookup(chip.c_str());
        return chip_ != nullptr ? 0 : failure();
    }
    int chip_get_lines(const GpioOffsets& offsets) override {
        GpioOffsets copy = offsets; // the library takes a non-const pointer
        return gpiod_chip_get_lines(chip_, copy.data(), copy.size(), &bulk_) == 0 ? 0 : failure();
    }
    int line_request_bulk_output(const std::string& consumer, const GpioValues& defaults) override {
        return gpiod_line_request_bulk_output(&bulk_, consumer.c_str(), defaults.data()) == 0
                   ? 0
                   : failure();
    }
    int line_set_value_bulk(const GpioValues& values) override {
        return gpiod_line_set_value_bulk(&bulk_, values.data()) == 0 ? 0 : failure();
    }
    void line_release_bulk() override { gpiod_line_release_bulk(&bulk_); }
    void chip_close() override {
        if (chip_ != nullptr) {
            gpiod_chip_close(chip_);
            chip_ = nullptr;
        }
    }

private:
    static int failure() { return errno != 0 ? -errno : -EIO; }

    gpiod_chip* chip_ = nullptr;
    gpiod_line_bulk bulk_{};
};

} // namespace

std::unique_ptr<GpiodCalls> system_gpiod_calls() {
    return std::make_unique<SystemGpiodCalls>();
}

} // namespace dopplex::port
