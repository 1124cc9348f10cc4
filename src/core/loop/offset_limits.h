// How far a side may stray from where it belongs: the reach of a satellite's Doppler shift, and
// the largest offset the operator may add to it.
#pragma once

#include <cstdint>

namespace dopplex {

// A low-orbit satellite moves at most about 7.9 km/s towards the station: its Doppler shift is at
// most 2.7e-5 of the frequency. With a margin for the tracker's orbit and the reference's own
// error, a frequency farther from where the side belongs is no satellite's (a stray client, the
// other radio's command, a bad readback): following it could mean millions of presses.
inline constexpr double kDopplerReach = 2.7e-5 * 1.5;

// The largest learnt offset either way: the state file holds no more, a nudge or a knob goes no
// further.
inline constexpr std::int64_t kOffsetLimitHz = 1'000'000;

} // namespace dopplex
