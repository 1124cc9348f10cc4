// libgpiod 2's calls (Debian 13, Raspberry Pi OS 13); built only where pkg-config finds
// libgpiod 2 or newer, while Gpiod2Calls' logic above them is built and tested everywhere.
#include "port/gpiod2_calls.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <gpiod.h>
#include <system_error>

namespace dopplex::port {
namespace {

int failure() {
    return errno != 0 ? -errno : -EIO;
}

gpiod_line_value line_value(int value) {
    return value != 0 ? GPIOD_LINE_VALUE_ACTIVE : GPIOD_LINE_VALUE_INACTIVE;
}

template <typename T, void (*Free)(T*)> struct Freer {
    void operator()(T* object) const { Free(object); }
};
using LineSettings =
    std::unique_ptr<gpiod_line_settings, Freer<gpiod_line_settings, gpiod_line_settings_free>>;
using LineConfig =
    std::unique_ptr<gpiod_line_config, Freer<gpiod_line_config, gpiod_line_config_free>>;
using RequestConfig =
    std::unique_ptr<gpiod_request_config, Freer<gpiod_request_config, gpiod_request_config_free>>;
using ChipInfo = std::unique_ptr<gpiod_chip_info, Freer<gpiod_chip_info, gpiod_chip_info_free>>;

class SystemGpiod2Library final : public Gpiod2Library {
public:
    ~SystemGpiod2Library() override {
        release_request();
        close_chip();
    }

    std::vector<std::string> chip_paths() override {
        std::vector<std::string> paths;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
            if (entry.path().filename().string().starts_with("gpiochip")) {
                paths.push_back(entry.path().string());
            }
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    int open_chip(const std::string& path) override {
        close_chip();
        chip_ = gpiod_chip_open(path.c_str());
        return chip_ != nullptr ? 0 : failure();
    }
    int chip_label(std::string& label) override {
        const ChipInfo info(gpiod_chip_get_info(chip_));
        if (!info) {
            return failure();
        }
        label = gpiod_chip_info_get_label(info.get());
        return 0;
    }
    int chip_line_count(unsigned& count) override {
        const ChipInfo info(gpiod_chip_get_info(chip_));
        if (!info) {
            return failure();
        }
        count = static_cast<unsigned>(gpiod_chip_info_get_num_lines(info.get()));
        return 0;
    }
    int request_outputs(const std::string& consumer, const GpioOffsets& offsets,
                        const GpioValues& values) override {
        const LineSettings settings(gpiod_line_settings_new());
        const LineConfig lines(gpiod_line_config_new());
        const RequestConfig request(gpiod_request_config_new());
        if (!settings || !lines || !request ||
            gpiod_line_settings_set_direction(settings.get(), GPIOD_LINE_DIRECTION_OUTPUT) != 0) {
            return failure();
        }
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (gpiod_line_settings_set_output_value(settings.get(), line_value(values[i])) != 0 ||
                gpiod_line_config_add_line_settings(lines.get(), &offsets[i], 1, settings.get()) !=
                    0) {
                return failure();
            }
        }
        gpiod_request_config_set_consumer(request.get(), consumer.c_str());
        request_ = gpiod_chip_request_lines(chip_, request.get(), lines.get());
        return request_ != nullptr ? 0 : failure();
    }
    int set_values(const GpioOffsets& offsets, const GpioValues& values) override {
        std::array<gpiod_line_value, std::tuple_size_v<GpioValues>> levels{};
        std::transform(values.begin(), values.end(), levels.begin(), line_value);
        // By offset, so the order the library keeps the lines in does not matter.
        return gpiod_line_request_set_values_subset(request_, offsets.size(), offsets.data(),
                                                    levels.data()) == 0
                   ? 0
                   : failure();
    }
    void release_request() override {
        if (request_ != nullptr) {
            gpiod_line_request_release(request_);
            request_ = nullptr;
        }
    }
    void close_chip() override {
        if (chip_ != nullptr) {
            gpiod_chip_close(chip_);
            chip_ = nullptr;
        }
    }

private:
    gpiod_chip* chip_ = nullptr;
    gpiod_line_request* request_ = nullptr;
};

} // namespace

std::unique_ptr<GpiodCalls> system_gpiod_calls() {
    return std::make_unique<Gpiod2Calls>(std::make_unique<SystemGpiod2Library>());
}

} // namespace dopplex::port
