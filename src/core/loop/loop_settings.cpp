#include "loop/loop_settings.h"

#include <algorithm>
#include <stdexcept>

namespace dopplex {

void check_step(std::int64_t step_hz) {
    if (std::find(kLoopSteps.begin(), kLoopSteps.end(), step_hz) == kLoopSteps.end()) {
        throw std::invalid_argument(std::to_string(step_hz) +
                                    " Hz is not a step (10, 25, 100, 1000, 2500, 5000, 6250 or "
                                    "12500 Hz)");
    }
}

void check_press_ms(std::int64_t ms) {
    if (ms < kShortestPressMs || ms > kLongestPressMs) {
        throw std::invalid_argument(std::to_string(ms) + " ms is outside " +
                                    std::to_string(kShortestPressMs) + " to " +
                                    std::to_string(kLongestPressMs) + " ms");
    }
}

const char* tracking_mode_name(TrackingMode mode) {
    return mode == TrackingMode::Closed ? "closed" : "classic";
}

bool parse_tracking_mode(const std::string& word, TrackingMode& mode) {
    if (word != "closed" && word != "classic") {
        return false;
    }
    mode = word == "closed" ? TrackingMode::Closed : TrackingMode::Classic;
    return true;
}

const char* offset_lock_name(OffsetLock lock) {
    switch (lock) {
    case OffsetLock::Noninverting:
        return "noninverting";
    case OffsetLock::Inverting:
        return "inverting";
    default:
        return "off";
    }
}

bool parse_offset_lock(const std::string& word, OffsetLock& lock) {
    for (OffsetLock l : {OffsetLock::Off, OffsetLock::Noninverting, OffsetLock::Inverting}) {
        if (word == offset_lock_name(l)) {
            lock = l;
            return true;
        }
    }
    return false;
}

} // namespace dopplex
