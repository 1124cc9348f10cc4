#include "played_source.h"

#include <chrono>

#include "tracker/record/simulated_mark.h"

namespace dopplex::tracker {

PlayedSource::PlayedSource(std::vector<Update> updates, double time_factor, std::string kind)
    : updates_(std::move(updates)), time_factor_(time_factor), kind_(std::move(kind)) {}

std::string PlayedSource::first_text() const {
    return mark_simulated(updates_.empty() ? std::string() : updates_.front().text, kind_);
}

void PlayedSource::run(const Publish& publish, StopSignal& stop) {
    const auto start = std::chrono::steady_clock::now();
    for (const Update& update : updates_) {
        const auto due = start + std::chrono::microseconds(static_cast<long long>(
                                     static_cast<double>(update.ms) * 1000.0 / time_factor_));
        for (;;) {
            const auto left = due - std::chrono::steady_clock::now();
            if (left <= std::chrono::nanoseconds(0)) {
                break;
            }
            if (stop.wait_for(left)) {
                return;
            }
        }
        publish(mark_simulated(update.text, kind_));
    }
}

} // namespace dopplex::tracker
