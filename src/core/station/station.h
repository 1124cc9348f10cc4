// The station: the one front door to the tuning engine. Typed commands, each answering whether
// it ran and, when refused, the system's own reason; typed events to its listeners (events.h).
// Engine thread only: a client on another thread posts its calls to the engine's queue. A
// command raises what the engine's handler raises (EConvertError, ETrainRefused, EStopped); the
// loop's dispatch reports it.
#pragma once

#include "cat/side_target.h"
#include "events.h"
#include "loop/closed_loop.h"
#include "loop/loop_settings.h"
#include "loop/side_radio.h"

#include <array>
#include <map>
#include <optional>
#include <string>

namespace dopplex {

struct Result {
    bool ok = true;
    std::string why; // empty when it ran

    static Result done() { return {}; }
    static Result refused(std::string why) { return {false, std::move(why)}; }
};

// How a side moves its radio's dial.
enum class RadioKind { PushButtons, Set };

class Station {
public:
    virtual ~Station() = default;

    virtual void add_listener(StationListener* listener) = 0;
    virtual RadioKind radio(Side side) const = 0;
    // A radio that is set (a CAT radio) in place of the side's buttons; none: the buttons again.
    // The closed loop drives it.
    virtual void set_radio(Side side, SideRadio* radio) = 0;
    // What a radio that is set follows, and where its knob turns go.
    virtual SideTarget& radio_target() = 0;

    virtual Result tune(Side side) = 0;
    virtual Result start_tracking(Side side) = 0;
    virtual Result reset(Side side) = 0;
    // Whether reset(side) would run now, without running it.
    virtual Result can_reset(Side side) const = 0;
    virtual Result step(Side side, Dir dir) = 0;
    virtual Result set_reference(Side side, double hz) = 0;
    // The classic engine has one step for both radios: 25, 100 or 1000 Hz.
    virtual Result set_step(int step_hz) = 0;
    virtual Result enable_hardware(bool on) = 0;
    virtual Result set_mode(TrackingMode mode) = 0;
    // The closed loop's step, press and gap per side, its start at AOS and its lock.
    virtual Result configure_loop(const LoopSettings& settings) = 0;
    // The offsets the closed loop brings back per satellite at AOS.
    virtual void keep_loop_offsets(std::map<std::string, std::array<double, 2>> offsets) = 0;
    // The operator's Stop of one side's trains, or (none) of both.
    virtual Result stop(std::optional<Side> side) = 0;
    // The closed loop of a side presses nothing more.
    virtual void end_loop(Side side) = 0;
    // A tracking text as the tracker serves it, applied now.
    virtual void take_tracking(const std::string& text) = 0;

    virtual bool closed_mode() const = 0;
    virtual const LoopSideState& loop_state(Side side) const = 0;
};

} // namespace dopplex
