// One press of a radio button: its line high for a half-period, then low for one. Called by the
// manual stepping handlers, the tracking ticks and the closed mode's presses, on the engine
// thread; blocks for its half-periods. The counted trains build on these half-periods.
#pragma once

#include "keying/channel_latch.h"
#include "runtime/host.h"

#include <cstdint>

namespace dopplex {

inline constexpr std::int64_t kHalfPeriodMs = 200;

void SinglePulse(ChannelLatch& latch, Host& host, Channel channel);

} // namespace dopplex
