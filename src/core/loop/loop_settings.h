// The closed loop's choices: the tracking mode, and per side the step and the press timing, with
// the lock between the sides and the start at AOS. Plain values; `check_*` raise
// std::invalid_argument with the operator's message for a value the loop cannot use.
#pragma once

#include "keying/dial_estimate.h"

#include <array>
#include <cstdint>
#include <string>

namespace dopplex {

enum class TrackingMode { Classic, Closed };

// A change of the RX offset moves the TX offset: not at all, by the same amount, or the opposite.
enum class OffsetLock { Off, Noninverting, Inverting };

struct LoopSide {
    std::int64_t step_hz = 100;
    std::int64_t press_ms = 200; // line high
    std::int64_t gap_ms = 200;   // line low before the next press
    bool operator==(const LoopSide&) const = default;
};

struct LoopSettings {
    std::array<LoopSide, 2> sides{};
    bool start_at_aos = false;
    OffsetLock lock = OffsetLock::Off;

    LoopSide& side(Side s) { return sides[static_cast<int>(s)]; }
    const LoopSide& side(Side s) const { return sides[static_cast<int>(s)]; }
    bool operator==(const LoopSettings&) const = default;
};

// The steps real radios use, FM handhelds' channel steps included.
inline constexpr std::array<std::int64_t, 8> kLoopSteps{10, 25, 100, 1000, 2500, 5000, 6250, 12500};
inline constexpr std::int64_t kShortestPressMs = 30;
inline constexpr std::int64_t kLongestPressMs = 1000;

void check_step(std::int64_t step_hz);
void check_press_ms(std::int64_t ms); // a press or a gap

// The words of the command line, the scenario runner and the settings.
const char* tracking_mode_name(TrackingMode mode);
bool parse_tracking_mode(const std::string& word, TrackingMode& mode);
const char* offset_lock_name(OffsetLock lock);
bool parse_offset_lock(const std::string& word, OffsetLock& lock);

} // namespace dopplex
