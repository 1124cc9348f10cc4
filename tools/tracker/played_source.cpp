#include "played_source.h"

#include <chrono>
#include <poll.h>

namespace dopplex::tracker {

PlayedSource::PlayedSource(std::vector<Update> updates, double time_factor)
    : updates_(std::move(updates)), time_factor_(time_factor) {}

std::string PlayedSource::first_text() const {
    return updates_.empty() ? std::string() : updates_.front().text;
}

void PlayedSource::run(const Publish& publish, int stop_fd) {
    const auto start = std::chrono::steady_clock::now();
    for (const Update& update : updates_) {
        const auto due = start + std::chrono::microseconds(static_cast<long long>(
                                     static_cast<double>(update.ms) * 1000.0 / time_factor_));
        for (;;) {
            const auto left = due - std::chrono::steady_clock::now();
            if (left <= std::chrono::nanoseconds(0)) {
                break;
            }
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec wait{static_cast<time_t>(ns / 1000000000), ns % 1000000000};
            pollfd stop{stop_fd, POLLIN, 0};
            if (ppoll(&stop, 1, &wait, nullptr) > 0) {
                return;
            }
        }
        publish(update.text);
    }
}

} // namespace dopplex::tracker
