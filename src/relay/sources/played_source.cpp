#include "sources/played_source.h"

#include <algorithm>
#include <chrono>

#include "tracker/record/simulated_mark.h"

namespace dopplex::tracker {

PlayedSource::PlayedSource(std::vector<Update> updates, double time_factor, std::string kind)
    : updates_(std::move(updates)), time_factor_(time_factor), kind_(std::move(kind)) {}

std::string PlayedSource::first_text() const {
    return mark_simulated(updates_.empty() ? std::string() : updates_.front().text, kind_);
}

void PlayedSource::run(const Publish& publish, StopSignal& stop) {
    using Ms = std::chrono::duration<double, std::milli>;
    // In floating point: a recording's times over a small factor reach beyond any integer clock.
    constexpr double kLongestWaitMs = 3'600'000.0;
    const auto start = std::chrono::steady_clock::now();
    for (const Update& update : updates_) {
        const double due_ms = static_cast<double>(update.ms) / time_factor_;
        for (;;) {
            const double left_ms = due_ms - Ms(std::chrono::steady_clock::now() - start).count();
            if (left_ms <= 0.0) {
                break;
            }
            if (stop.wait_for(std::chrono::duration_cast<std::chrono::nanoseconds>(
                    Ms(std::min(left_ms, kLongestWaitMs))))) {
                return;
            }
        }
        publish(mark_simulated(update.text, kind_));
    }
}

} // namespace dopplex::tracker
