// What a CAT side follows and where the operator's knob goes: the closed loop's Doppler
// prediction plus the side's offset, and the offset that a knob turn moves (with the lock, the
// other side's too). Engine thread.
#pragma once

#include "keying/dial_estimate.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dopplex {

class SideTarget {
public:
    virtual ~SideTarget() = default;
    // The frequency to hold at `t`: none when there is no prediction for `t` (no update yet, or
    // the last one too old to predict from).
    virtual std::optional<double> target_at(Side side, std::int64_t t) const = 0;
    // The operator turned the side's knob by `delta_hz`: it becomes part of the side's offset.
    // False when the offset may not go that far (nothing moved).
    virtual bool knob_turned(Side side, double delta_hz) = 0;
    // The side's radio was set to `hz`: that is where its dial is now.
    virtual void radio_set(Side /*side*/, double /*hz*/) {}
};

// The connection to rigctld as the side uses it. What arrives comes back through
// CatSide::received() and CatSide::dropped() on the engine thread.
class CatLink {
public:
    virtual ~CatLink() = default;
    // Raises std::runtime_error with the reason when it cannot connect.
    virtual void open() = 0;
    // Raises std::runtime_error when the bytes cannot go out.
    virtual void send(const std::string& bytes) = 0;
    virtual void close() = 0;
};

} // namespace dopplex
