// The closed loop: per side a counted dial and a target (the predicted Doppler frequency plus
// the operator's offset), and presses on the side's UP or DOWN line until the dial is within
// half a step of the target. Both sides run at once on their own lines, each on its own press
// and gap, scheduled as timed events of the engine's queue, so neither waits for the other and
// updates and input are served between the edges. What a handler asks of the loop is served
// when the handler is done, so one write carries both sides' edges of a moment; only Stop acts
// at once. Engine thread only.
#pragma once

#include "keying/channel_latch.h"
#include "loop/doppler_predictor.h"
#include "loop/loop_observer.h"
#include "loop/loop_settings.h"
#include "loop/loop_trains.h"
#include "loop/offset_limits.h"
#include "loop/side_radio.h"
#include "runtime/event_loop.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dopplex {

// A radio takes a press once it has been held about this long: the target is the Doppler
// frequency at that moment.
inline constexpr std::int64_t kPressTakesMs = 20;
// A press held this much past its length was ended late (many radios repeat after 400 ms).
inline constexpr std::int64_t kLatePressMs = 100;

enum class PassEdge { None, Aos, End };

struct LoopSideState {
    bool tracking = false;
    std::optional<double> dial_hz; // none until a start says where the dial is
    double offset_hz = 0;
    std::optional<double> target_hz; // at the last decision
    int behind_steps = 0;
    int pending = 0; // counted presses to go outside tracking (Reset, operator): sign = direction
    bool ahead = false;        // started before AOS so as to be on frequency at AOS
    bool out_of_reach = false; // the tracker lately sent a frequency too far off to follow
    bool pressing = false;
    std::int64_t late_presses = 0;
};

class ClosedLoop {
public:
    // A press goes out only while the latch's gate is open, when its line can reach the port.
    ClosedLoop(EventLoop& loop, ChannelLatch& latch);

    void configure(const LoopSettings& settings) { settings_ = settings; }
    const LoopSettings& settings() const { return settings_; }
    void add_observer(LoopObserver* observer) { observers_.push_back(observer); }
    // The side's radio is set, not pressed (none: its buttons, the default).
    void set_radio(Side side, SideRadio* radio) { radios_[index(side)] = radio; }
    // Who is told the progress of the side's trains (Reset, queued presses, catching up).
    void tell_trains(const TrainProgressListener* listener) { trains_.set_listener(listener); }

    // Where a side's dial belongs outside a pass (none: not known). A tracker's frequency is
    // followed only within a satellite's Doppler of it, the offset added (without one: of the
    // dial where the side started). With start at AOS the dial sits there before the pass, so
    // the side can start ahead of AOS when the tracker shows the satellite rising.
    void set_reference(Side side, std::optional<double> reference_hz) {
        reference_[index(side)] = reference_hz;
    }

    // An applied tracking update. At the first update above the horizon the satellite's kept
    // offsets come back; at the first at or below -2.0 after it both sides stop and their offsets
    // are kept. Before AOS a rising elevation may start a side ahead of AOS.
    PassEdge update(const std::string& satellite, double elevation, double downlink_hz,
                    double uplink_hz);
    void link_reopened();

    // Starts a side's tracking with the dial at `dial_hz` (its tuned LED goes out until the
    // side first reaches its target).
    void start(Side side, double dial_hz);
    // While the side runs (tracking or a counted train) its dial count is the one record of
    // where the radio is: starts it again from there. False when the side does not run.
    bool restart(Side side);
    // The Doppler frequency now, when an update has come.
    std::optional<double> doppler_now(Side side) const;
    // The Doppler frequency at `t` plus the side's offset, for a radio that is set rather than
    // pressed: none without an update, or past the prediction's horizon.
    std::optional<double> target_at(Side side, std::int64_t t) const;
    // The side's offset moves by `delta_hz` (a CAT radio's knob); locked, the other side's
    // follows (RX to TX and TX to RX). False, and nothing moved, when an offset would pass
    // kOffsetLimitHz.
    bool turn_offset(Side side, double delta_hz);
    // A radio that is set holds `hz` now: its dial, as a pressed side's count is.
    void radio_set(Side side, double hz) { sides_[index(side)].dial_hz = hz; }
    // The operator's press: while tracking it moves the side's offset by a step (and, locked,
    // the TX offset); otherwise one counted press goes out in turn.
    void operator_press(Side side, PressDirection direction);
    // Back to the reference in one counted train from the presses counted. False when the dial
    // was never counted.
    bool reset(Side side, double reference_hz);
    // The side presses nothing more; a press in flight still runs its full length and counts.
    void stop(Side side);
    // The operator's Stop: ends the side's running train like stop(). Returns the origin of the
    // presses it ended (Reset, Manual, Loop), none when the side ran no train.
    std::optional<PressOrigin> stop_train(Side side);
    // Every press ends at once; lines are lowered by the caller's own sequence.
    void halt();

    // Offsets kept per satellite name, and the action that clears them (now and kept).
    const std::map<std::string, std::array<double, 2>>& kept_offsets() const { return kept_; }
    void keep_offsets(std::map<std::string, std::array<double, 2>> kept) {
        kept_ = std::move(kept);
    }
    void clear_offsets();

    const LoopSideState& state(Side side) const { return sides_[index(side)]; }

private:
    struct Schedule {
        std::int64_t release_at = 0;
        std::int64_t pressed_at = 0;
        std::int64_t ready_at = 0;
        std::optional<std::int64_t> check_at; // when the moving target next needs a look
        int last_direction = 0;
        bool tuned_lit = false;
        PressOrigin pending_origin = PressOrigin::Manual;
    };
    static int index(Side side) { return static_cast<int>(side); }
    void service();
    // True when the byte changed.
    bool release(Side side, std::int64_t now);
    bool decide(Side side, std::int64_t now);
    void press(Side side, int direction, PressOrigin origin, std::int64_t now);
    void set_behind(Side side, int steps);
    void hear(Side side, double hz, std::int64_t now);
    // True when `hz` is followed; tells when a side stops or starts following.
    bool reach(Side side, double hz, std::int64_t now);
    void tune_ahead(std::int64_t now, double elevation);
    std::optional<std::int64_t> aos_estimate(std::int64_t now, double elevation);
    void restore_offsets();
    SideMotion motion(Side side, std::int64_t now) const;
    void wake_at(std::int64_t t);
    double step_hz(Side side) const { return static_cast<double>(settings_.side(side).step_hz); }

    EventLoop& loop_;
    Host& host_;
    ChannelLatch& latch_;
    LoopSettings settings_;
    std::array<LoopSideState, 2> sides_{};
    std::array<Schedule, 2> schedules_{};
    std::array<DopplerPredictor, 2> doppler_{};
    std::array<SideRadio*, 2> radios_{};
    std::string satellite_;
    bool in_pass_ = false;
    bool offsets_restored_ = false; // this pass's kept offsets came back (at AOS or ahead of it)
    std::array<std::optional<double>, 2> reference_{};
    std::array<std::optional<double>, 2> home_{}; // the dial where the side was started
    std::array<std::int64_t, 2> stray_at_{};      // the last frequency not followed
    struct Elevation {
        std::int64_t t;
        double deg;
    };
    std::vector<Elevation> rising_; // the elevations below the horizon of the last seconds
    std::map<std::string, std::array<double, 2>> kept_;
    std::vector<std::int64_t> wakes_; // posted and not yet served
    std::vector<LoopObserver*> observers_;
    LoopTrains trains_;
};

} // namespace dopplex
