#include "loop/closed_loop.h"

#include <algorithm>
#include <cmath>

namespace dopplex {

namespace {

struct SideLines {
    Channel up, down, tuned;
};
constexpr std::array<SideLines, 2> kLines{{
    {Channel::RxUp, Channel::RxDown, Channel::RxTuned},
    {Channel::TxUp, Channel::TxDown, Channel::TxTuned},
}};
constexpr std::array<Side, 2> kSides{Side::Rx, Side::Tx};

// A press against the way the target moves needs a whole step of error: the Doppler frequency
// moves one way through a pass, so a target that seems to turn is the tracker's rounding or an
// uneven feed, and a press back would be undone soon after. The way is the prediction's; with
// none, the last press's.
double threshold(double step_hz, int direction, int way) {
    return direction == -way ? step_hz : step_hz / 2;
}

int way_of(double rate, int last_direction) {
    return rate > 0 ? 1 : rate < 0 ? -1 : last_direction;
}

// Ahead of AOS: the elevations of the last seconds give the time of AOS. A tracker shows one
// decimal, so the rate needs a base of several seconds.
constexpr std::int64_t kElevationWindowMs = 20000;
constexpr std::int64_t kShortestElevationBaseMs = 8000;
// Room for the estimate's error and a press or two that the gap pushes back.
constexpr std::int64_t kAheadMarginMs = 3000;
constexpr double kAheadSlack = 1.25;

// Without a reference the dial where the side started may be anywhere in the pass's Doppler.
constexpr double kDopplerSpan = 2 * kDopplerReach;
// A side follows again once no stray frequency came for this long, so a stray client between the
// tracker's updates is told of once, not at every update.
constexpr std::int64_t kStrayQuietMs = 3000;

} // namespace

const char* press_origin_name(PressOrigin origin) {
    switch (origin) {
    case PressOrigin::Manual:
        return "manual";
    case PressOrigin::Reset:
        return "reset";
    default:
        return "loop";
    }
}

std::string behind_words(int steps) {
    return "behind by " + std::to_string(steps) + (steps == 1 ? " step" : " steps");
}

ClosedLoop::ClosedLoop(EventLoop& loop, ChannelLatch& latch)
    : loop_(loop), host_(loop.host()), latch_(latch) {}

PassEdge ClosedLoop::update(const std::string& satellite, double elevation, double downlink_hz,
                            double uplink_hz) {
    const std::int64_t now = host_.now();
    satellite_ = satellite;
    hear(Side::Rx, downlink_hz, now);
    hear(Side::Tx, uplink_hz, now);
    const bool ahead = sides_[0].ahead || sides_[1].ahead;
    PassEdge edge = PassEdge::None;
    // A tracker with a slow cycle steps past -2.0: the first update at or below it ends the pass.
    if (elevation <= -2.0 && (in_pass_ || (elevation == -2.0 && !ahead))) {
        if (in_pass_) {
            kept_[satellite_] = {sides_[0].offset_hz, sides_[1].offset_hz};
        }
        in_pass_ = false;
        offsets_restored_ = false;
        for (Side side : kSides) {
            sides_[index(side)].tracking = false;
            sides_[index(side)].ahead = false;
            set_behind(side, 0);
            if (SideRadio* radio = radios_[index(side)]) {
                radio->stop();
            }
        }
        edge = PassEdge::End;
    } else if (!in_pass_ && elevation > 0) {
        in_pass_ = true;
        rising_.clear();
        restore_offsets();
        for (LoopSideState& st : sides_) {
            st.ahead = false;
        }
        edge = PassEdge::Aos;
    } else if (!in_pass_) {
        tune_ahead(now, elevation);
    }
    wake_at(host_.now());
    return edge;
}

void ClosedLoop::hear(Side side, double hz, std::int64_t now) {
    // A text without a frequency leaves the prediction as it was rather than aiming at 0 Hz; a
    // frequency out of reach never enters it, so one stray value moves nothing.
    if (hz > 0 && reach(side, hz, now)) {
        doppler_[index(side)].update(now, hz);
    }
}

bool ClosedLoop::reach(Side side, double hz, std::int64_t now) {
    const int i = index(side);
    LoopSideState& st = sides_[i];
    const std::optional<double> home = reference_[i] ? reference_[i] : home_[i];
    const double share = reference_[i] ? kDopplerReach : kDopplerSpan;
    const bool in_reach = !home || std::fabs(hz - (*home + st.offset_hz)) <= share * std::fabs(hz);
    if (!in_reach) {
        stray_at_[i] = now;
    }
    if (st.out_of_reach == in_reach && (!in_reach || now - stray_at_[i] >= kStrayQuietMs)) {
        st.out_of_reach = !in_reach;
        for (LoopObserver* o : observers_) {
            o->loop_reach(side, in_reach, hz);
        }
    }
    return in_reach;
}

void ClosedLoop::restore_offsets() {
    if (offsets_restored_) {
        return;
    }
    offsets_restored_ = true;
    const auto kept = kept_.find(satellite_);
    for (Side side : kSides) {
        sides_[index(side)].offset_hz = kept == kept_.end() ? 0 : kept->second[index(side)];
    }
}

std::optional<std::int64_t> ClosedLoop::aos_estimate(std::int64_t now, double elevation) {
    // Gpredict parks its rotator at 0.0 before AOS: no elevation below the horizon, no estimate.
    if (elevation >= 0) {
        rising_.clear();
        return std::nullopt;
    }
    rising_.push_back({now, elevation});
    std::erase_if(rising_, [now](const Elevation& e) { return now - e.t > kElevationWindowMs; });
    if (now - rising_.front().t < kShortestElevationBaseMs) {
        return std::nullopt;
    }
    double n = 0, st = 0, se = 0, stt = 0, ste = 0;
    for (const Elevation& e : rising_) {
        const auto dt = static_cast<double>(e.t - now);
        n += 1, st += dt, se += e.deg, stt += dt * dt, ste += dt * e.deg;
    }
    const double deg_per_ms = (n * ste - st * se) / (n * stt - st * st);
    if (!(deg_per_ms > 0)) {
        return std::nullopt;
    }
    return now + static_cast<std::int64_t>(-elevation / deg_per_ms);
}

void ClosedLoop::tune_ahead(std::int64_t now, double elevation) {
    const std::optional<std::int64_t> aos = aos_estimate(now, elevation);
    if (!aos || !settings_.start_at_aos) {
        return;
    }
    const auto kept = kept_.find(satellite_);
    for (Side side : kSides) {
        const int i = index(side);
        const DopplerPredictor& doppler = doppler_[i];
        if (sides_[i].tracking || !reference_[i] || !doppler.known()) {
            continue;
        }
        const double offset = kept == kept_.end() ? 0 : kept->second[i];
        const double at_aos =
            doppler.at(now) + doppler.rate_at(now) * static_cast<double>(*aos - now) + offset;
        const double presses = std::round(std::fabs(at_aos - *reference_[i]) / step_hz(side));
        const LoopSide& timing = settings_.side(side);
        const auto needed = static_cast<std::int64_t>(
            presses * static_cast<double>(timing.press_ms + timing.gap_ms) * kAheadSlack);
        if (*aos - now > needed + kAheadMarginMs) {
            continue;
        }
        restore_offsets();
        start(side, *reference_[i]);
        sides_[i].ahead = true;
        for (LoopObserver* o : observers_) {
            o->loop_tuning_ahead(side, *aos - now);
        }
    }
}
void ClosedLoop::link_reopened() {
    for (DopplerPredictor& d : doppler_) {
        d.forget();
    }
}

std::optional<double> ClosedLoop::doppler_now(Side side) const {
    const DopplerPredictor& d = doppler_[index(side)];
    if (!d.known()) {
        return std::nullopt;
    }
    return d.at(host_.now());
}

std::optional<double> ClosedLoop::target_at(Side side, std::int64_t t) const {
    const DopplerPredictor& d = doppler_[index(side)];
    if (!d.known() || t > d.horizon()) {
        return std::nullopt;
    }
    return d.at(t) + sides_[index(side)].offset_hz;
}

bool ClosedLoop::turn_offset(Side side, double delta_hz) {
    std::array<double, 2> offsets{sides_[0].offset_hz, sides_[1].offset_hz};
    offsets[index(side)] += delta_hz;
    if (settings_.lock != OffsetLock::Off) {
        const Side other = side == Side::Rx ? Side::Tx : Side::Rx;
        offsets[index(other)] += settings_.lock == OffsetLock::Noninverting ? delta_hz : -delta_hz;
    }
    // The offsets are kept between runs only this far: the loop holds no more than they can.
    const auto limit = static_cast<double>(kOffsetLimitHz);
    if (std::fabs(offsets[0]) > limit || std::fabs(offsets[1]) > limit) {
        return false;
    }
    sides_[0].offset_hz = offsets[0];
    sides_[1].offset_hz = offsets[1];
    wake_at(host_.now());
    return true;
}

void ClosedLoop::start(Side side, double dial_hz) {
    LoopSideState& st = sides_[index(side)];
    Schedule& k = schedules_[index(side)];
    st.tracking = true;
    st.dial_hz = dial_hz;
    home_[index(side)] = dial_hz;
    st.pending = 0;
    if (SideRadio* radio = radios_[index(side)]) {
        radio->follow();
    }
    k.tuned_lit = false;
    k.last_direction = 0;
    if (latch_.flag(kLines[index(side)].tuned)) {
        latch_.set_flag(kLines[index(side)].tuned, false);
        latch_.write_channel_byte();
    }
    wake_at(host_.now());
}

bool ClosedLoop::restart(Side side) {
    const LoopSideState& st = sides_[index(side)];
    if (!st.dial_hz || (!st.tracking && st.pending == 0)) {
        return false;
    }
    const std::optional<double> home = home_[index(side)];
    start(side, *st.dial_hz);
    home_[index(side)] = home;
    return true;
}

void ClosedLoop::operator_press(Side side, PressDirection direction) {
    LoopSideState& st = sides_[index(side)];
    const int sign = direction == PressDirection::Up ? 1 : -1;
    if (st.tracking) {
        const double delta = sign * step_hz(side);
        st.offset_hz += delta;
        if (side == Side::Rx && settings_.lock != OffsetLock::Off) {
            sides_[index(Side::Tx)].offset_hz +=
                settings_.lock == OffsetLock::Noninverting ? delta : -delta;
        }
        // The operator's step is a new target, not the Doppler turning: half a step moves.
        for (Schedule& k : schedules_) {
            k.last_direction = 0;
        }
    } else if (latch_.gate() && !radios_[index(side)]) {
        st.pending += sign;
        schedules_[index(side)].pending_origin = PressOrigin::Manual;
    }
    wake_at(host_.now());
}

bool ClosedLoop::reset(Side side, double reference_hz) {
    LoopSideState& st = sides_[index(side)];
    if (SideRadio* radio = radios_[index(side)]) {
        st.tracking = false;
        st.ahead = false;
        radio->reset(reference_hz);
        return true;
    }
    if (!st.dial_hz) {
        return false;
    }
    st.tracking = false;
    st.ahead = false;
    st.pending = -static_cast<int>(std::lround((*st.dial_hz - reference_hz) / step_hz(side)));
    schedules_[index(side)].pending_origin = PressOrigin::Reset;
    set_behind(side, 0);
    wake_at(host_.now());
    return true;
}

std::optional<PressOrigin> ClosedLoop::stop_train(Side side) {
    if (!trains_.running(side)) {
        return std::nullopt;
    }
    const LoopSideState& st = sides_[index(side)];
    const PressOrigin origin =
        st.pending != 0 ? schedules_[index(side)].pending_origin : PressOrigin::Loop;
    stop(side);
    return origin;
}

void ClosedLoop::stop(Side side) {
    LoopSideState& st = sides_[index(side)];
    // A press cut short may not register, and the dial count would part from the radio's: the
    // press in flight runs its length and counts (its release is already due), nothing follows.
    trains_.stopped(side, false);
    st.tracking = false;
    st.ahead = false;
    st.pending = 0;
    set_behind(side, 0);
    if (SideRadio* radio = radios_[index(side)]) {
        radio->stop();
    }
}

void ClosedLoop::halt() {
    for (Side side : kSides) {
        LoopSideState& st = sides_[index(side)];
        trains_.stopped(side, st.pressing);
        st.tracking = false;
        st.ahead = false;
        st.pending = 0;
        if (SideRadio* radio = radios_[index(side)]) {
            radio->stop();
        }
        if (st.pressing) {
            latch_.set_flag(kLines[index(side)].up, false);
            latch_.set_flag(kLines[index(side)].down, false);
            st.pressing = false;
        }
    }
}

void ClosedLoop::clear_offsets() {
    for (LoopSideState& st : sides_) {
        st.offset_hz = 0;
    }
    kept_.erase(satellite_);
    wake_at(host_.now());
}

void ClosedLoop::service() {
    const std::int64_t now = host_.now();
    bool changed = false;
    for (Side side : kSides) {
        changed = release(side, now) || changed;
    }
    for (Side side : kSides) {
        changed = decide(side, now) || changed;
    }
    // One write carries both sides' edges of this moment.
    if (changed) {
        latch_.write_channel_byte();
    }
    for (Side side : kSides) {
        const LoopSideState& st = sides_[index(side)];
        const Schedule& k = schedules_[index(side)];
        if (st.pressing) {
            wake_at(k.release_at);
        } else if ((st.pending != 0 || st.tracking) && now < k.ready_at) {
            wake_at(k.ready_at);
        } else if (k.check_at) {
            wake_at(*k.check_at);
        }
        trains_.follow(side, motion(side, now));
    }
}

SideMotion ClosedLoop::motion(Side side, std::int64_t now) const {
    const LoopSideState& st = sides_[index(side)];
    const Schedule& k = schedules_[index(side)];
    const LoopSide& timing = settings_.side(side);
    SideMotion m;
    m.to_go = std::abs(st.pending) + (st.tracking ? st.behind_steps : 0);
    m.pressing = st.pressing;
    m.direction = k.last_direction < 0 ? -1 : 1;
    m.left_ms = m.to_go * (timing.press_ms + timing.gap_ms) +
                std::max<std::int64_t>(0, (st.pressing ? k.release_at : k.ready_at) - now);
    return m;
}

bool ClosedLoop::release(Side side, std::int64_t now) {
    LoopSideState& st = sides_[index(side)];
    Schedule& k = schedules_[index(side)];
    if (!st.pressing || now < k.release_at) {
        return false;
    }
    st.pressing = false;
    latch_.set_flag(kLines[index(side)].up, false);
    latch_.set_flag(kLines[index(side)].down, false);
    k.ready_at = now + settings_.side(side).gap_ms;
    const std::int64_t held = now - k.pressed_at;
    if (held > settings_.side(side).press_ms + kLatePressMs) {
        ++st.late_presses;
        for (LoopObserver* o : observers_) {
            o->loop_late_press(side, held);
        }
    }
    return true;
}

bool ClosedLoop::decide(Side side, std::int64_t now) {
    LoopSideState& st = sides_[index(side)];
    Schedule& k = schedules_[index(side)];
    if (st.pressing || now < k.ready_at || radios_[index(side)]) {
        return false;
    }
    k.check_at.reset();
    if (!latch_.gate()) {
        return false;
    }
    if (st.pending != 0) {
        const int direction = st.pending > 0 ? 1 : -1;
        st.pending -= direction;
        press(side, direction, k.pending_origin, now);
        return true;
    }
    const DopplerPredictor& doppler = doppler_[index(side)];
    if (!st.tracking || !doppler.known() || !st.dial_hz) {
        return false;
    }
    const double step = step_hz(side);
    // Always the present target: a press that could not be made in time is not owed later.
    const std::int64_t takes = now + kPressTakesMs;
    const double heard = doppler.at(takes);
    // The reference or the offset may have moved since the frequency was heard.
    if (!reach(side, heard, now)) {
        set_behind(side, 0);
        return false;
    }
    const double target = heard + st.offset_hz;
    st.target_hz = target;
    const double error = target - *st.dial_hz;
    const int direction = error > 0 ? 1 : -1;
    const double rate = doppler.rate_at(takes);
    // Until the side first reaches its target, the catch-up may run either way.
    const int way = k.tuned_lit ? way_of(rate, k.last_direction) : 0;
    // Ahead of AOS the catch-up is planned, not a side falling behind.
    set_behind(side, st.ahead
                         ? 0
                         : std::max(0, static_cast<int>(std::lround(std::fabs(error) / step)) - 1));
    if (std::fabs(error) > threshold(step, direction, way)) {
        press(side, direction, PressOrigin::Loop, now);
        return true;
    }
    bool changed = false;
    if (!k.tuned_lit) {
        k.tuned_lit = true;
        latch_.set_flag(kLines[index(side)].tuned, true);
        changed = true;
    }
    // The next look: when the target, moving at its present rate, leaves the dial's half step.
    if (rate != 0) {
        const int moving = rate > 0 ? 1 : -1;
        const double ms = (threshold(step, moving, way) - moving * error) / std::fabs(rate);
        const std::int64_t check = now + static_cast<std::int64_t>(std::ceil(ms)) + 1;
        if (check + kPressTakesMs <= doppler.horizon()) {
            k.check_at = check;
        }
    }
    return changed;
}

void ClosedLoop::press(Side side, int direction, PressOrigin origin, std::int64_t now) {
    LoopSideState& st = sides_[index(side)];
    Schedule& k = schedules_[index(side)];
    const Channel line = direction > 0 ? kLines[index(side)].up : kLines[index(side)].down;
    // The guard ends the press at its own length plus its allowance, not the classic half-period.
    latch_.set_press_length(line, settings_.side(side).press_ms);
    latch_.set_flag(line, true);
    st.pressing = true;
    k.pressed_at = now;
    k.release_at = now + settings_.side(side).press_ms;
    k.last_direction = direction;
    trains_.pressed(side);
    if (st.dial_hz) {
        *st.dial_hz += direction * step_hz(side);
    }
    const LoopPress told{now, side, direction > 0 ? PressDirection::Up : PressDirection::Down,
                         origin, st.dial_hz.value_or(0)};
    for (LoopObserver* o : observers_) {
        o->loop_pressed(told);
    }
}

void ClosedLoop::set_behind(Side side, int steps) {
    int& behind = sides_[index(side)].behind_steps;
    if (behind == steps) {
        return;
    }
    behind = steps;
    for (LoopObserver* o : observers_) {
        o->loop_behind(side, steps);
    }
}

void ClosedLoop::wake_at(std::int64_t t) {
    if (std::find(wakes_.begin(), wakes_.end(), t) != wakes_.end()) {
        return;
    }
    wakes_.push_back(t);
    loop_.post(
        EventKind::Control,
        [this, t] {
            std::erase(wakes_, t);
            service();
        },
        t);
}

} // namespace dopplex
