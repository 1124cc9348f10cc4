// Arithmetic on the engine's millisecond times.
#pragma once

#include <cstdint>
#include <limits>

namespace dopplex {

// `t` plus a non-negative `ms`; a time past the clock's range stays at its end instead of
// wrapping around into the past.
inline std::int64_t later_by(std::int64_t t, std::int64_t ms) {
    constexpr std::int64_t kEnd = std::numeric_limits<std::int64_t>::max();
    return t > kEnd - ms ? kEnd : t + ms;
}

} // namespace dopplex
