#include "station.h"

#include "base/numtext.h"
#include "tracker/record/tracking_record.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

namespace dopplex::headless {

namespace {

std::int64_t utc_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The window's Freq. UP / Freq. DOWN of each side.
const char* step_button(Side side, int direction) {
    if (side == Side::Rx)
        return direction > 0 ? "Button2" : "Button3";
    return direction > 0 ? "Button20" : "Button21";
}

const char* direction_word(int direction) {
    return direction > 0 ? " up" : " down";
}

const char* step_radio(int step_hz) {
    return step_hz == 1000 ? "RadioButton3" : step_hz == 25 ? "RadioButton2" : "RadioButton1";
}

std::string hz(double value) {
    return FormatFixed(value, 12, 0) + " Hz";
}

// The loop's choices for a transponder: each side's own step, press and gap.
LoopSettings loop_settings(const DaemonConfig& config, const Transponder& transponder) {
    LoopSettings settings;
    for (const Side side : {Side::Rx, Side::Tx}) {
        const SideSettings& own = transponder.sides[static_cast<int>(side)];
        settings.side(side) = LoopSide{own.step_hz, own.press_ms, own.gap_ms};
    }
    settings.start_at_aos = config.start_at_aos;
    settings.lock = config.lock == Lock::Inverting      ? OffsetLock::Inverting
                    : config.lock == Lock::NonInverting ? OffsetLock::Noninverting
                                                        : OffsetLock::Off;
    return settings;
}

} // namespace

// Names a pass the tracker sent no satellite name for (Gpredict) after the transponder, so the
// pass log is named after it too.
class Station::PassNamer final : public app::PassObserver {
public:
    PassNamer(app::PassObserver& next, std::function<std::string()> name)
        : next_(next), name_(std::move(name)) {}
    void pass_started(const app::TrackingPoint& aos) override { next_.pass_started(named(aos)); }
    void tracking_update(const app::TrackingPoint& point) override {
        next_.tracking_update(named(point));
    }
    void pulse_sent(const app::PulseRecord& pulse) override { next_.pulse_sent(pulse); }

private:
    app::TrackingPoint named(app::TrackingPoint point) const {
        if (point.satellite.empty())
            point.satellite = name_();
        return point;
    }
    app::PassObserver& next_;
    std::function<std::string()> name_;
};

Station::Station(app::EngineSession& session, DaemonConfig config, DaemonState state,
                 SaveState save, Journal& journal, Fault fault)
    : session_(session), config_(std::move(config)), save_(std::move(save)), journal_(journal),
      fault_(std::move(fault)), recorder_(session.form(), estimate_, utc_ms),
      state_(std::move(state)) {
    view_.tracking = config_.tracking == TrackingMode::Closed ? "closed" : "classic";
    if (config_.pass_log) {
        log_writer_ = std::make_unique<app::PassLogWriter>(
            *config_.pass_log, [this](const std::string& message) { journal_.warning(message); },
            [this](const std::filesystem::path& file) {
                journal_.info("pass log: " + file.string());
            });
        log_queue_ = std::make_unique<app::QueuedObserver>(*log_writer_);
        log_namer_ = std::make_unique<PassNamer>(*log_queue_, [this] {
            std::lock_guard lock(mutex_);
            return transponder_ ? transponder_->name : std::string();
        });
    }
}

Station::~Station() = default;

void Station::attach() {
    recorder_.attach();
    recorder_.add_observer(this);
    if (log_namer_)
        recorder_.add_observer(log_namer_.get());
    session_.form().add_observer(this);
    session_.add_port_listener(&recorder_);
    session_.add_port_listener(this);
    session_.set_handler_wrapper([this](EventKind kind, const std::function<void()>& handler) {
        recorder_.run_handler(kind, handler);
    });
}

void Station::created() {
    lower_all(); // nothing is pressed at start, whatever the lines were before
    {
        std::lock_guard lock(mutex_);
        reset_ready_ = {session_.form().Button22.enabled(), session_.form().Button23.enabled()};
    }
    journal_.info(config_.pass_log ? "pass log in " + config_.pass_log->string()
                                   : std::string("pass log off"));
}

void Station::lower_all() {
    session_.dial().Out32(session_.form().latch.PortAddress, 0);
}

void Station::heard(const std::string& text) {
    TSatData record;
    std::string aos;
    ParseTrackingRecord(text, record, aos);
    if (record.Downlink > 0)
        choose(record.Downlink);
}

void Station::choose(double downlink_hz) {
    std::lock_guard lock(mutex_);
    if (!choosing_)
        return;
    const TransponderChoice choice = choose_transponder(config_, downlink_hz);
    if (!choice.transponder) {
        if (refused_.empty())
            journal_.warning(choice.why);
        refused_ = choice.why;
        return;
    }
    choosing_ = false;
    refused_.clear();
    transponder_ = *choice.transponder;
    nudges_ = {};
    pending_ = {};
    const auto learnt = state_.offsets_hz.find(transponder_->name);
    const std::array<std::int64_t, 2> offsets =
        learnt == state_.offsets_hz.end() ? std::array<std::int64_t, 2>{} : learnt->second;
    // Tune counts from the reference to the Doppler frequency; a reference below the dial by
    // the offset leaves the dial that far above the Doppler frequency.
    const std::string rx = FormatFixed(double(transponder_->downlink_hz - offsets[0]), 7, 5);
    const std::string tx = FormatFixed(double(transponder_->uplink_hz - offsets[1]), 7, 5);
    const int step = transponder_->sides[0].step_hz;
    view_.transponder = transponder_->name;
    view_.offset_hz = offsets;
    in_reference_ = offsets;
    journal_.notice("transponder " + transponder_->name + " (downlink " + hz(double(downlink_hz)) +
                    "): RX reference " + rx + ", TX reference " + tx + ", step " +
                    std::to_string(step) + " Hz, offsets RX " + std::to_string(offsets[0]) +
                    " Hz, TX " + std::to_string(offsets[1]) + " Hz");
    std::optional<LoopSettings> loop;
    if (config_.tracking == TrackingMode::Closed)
        loop = loop_settings(config_, *transponder_);
    session_.post_input([rx, tx, step, loop](TFMain& form) {
        if (loop) {
            form.closed_loop.configure(*loop);
            // The learnt offsets are in the references already: the loop brings back none.
            form.closed_loop.keep_offsets({});
            form.SetTrackingMode(dopplex::TrackingMode::Closed);
        }
        form.Type("Edit1", rx);
        form.Type("Edit13", tx);
        if (!loop && !form.find(step_radio(step))->checked())
            form.Click(step_radio(step));
        if (!form.CheckBox1.checked())
            form.Click("CheckBox1");
    });
}

// Where tracking starts at AOS. The classic engine tunes each radio from its reference to the
// Doppler frequency and tracks from there, as an operator clicking Tune RX and Tune TX would.
// The closed loop starts itself at that update, the dials at the references.
void Station::start_tracking(TFMain& form) {
    form.Click("Button1");
    form.Click("Button12");
}

void Station::pass_started(const app::TrackingPoint& aos) {
    std::lock_guard lock(mutex_);
    // Gpredict sends no satellite name: the transponder names the pass.
    const std::string name = !aos.satellite.empty() ? aos.satellite
                             : transponder_         ? transponder_->name
                                                    : std::string("(no name)");
    journal_.notice("AOS: " + name + " at elevation " + FormatFixed(aos.elevation_deg, 4, 1) +
                    ", azimuth " + FormatFixed(aos.azimuth_deg, 4, 1));
    if (!transponder_) {
        journal_.warning("AOS without a transponder: no press this pass");
        return;
    }
    if (!config_.start_at_aos) {
        journal_.info("start at AOS is off: tracking waits for the operator");
        return;
    }
    if (config_.tracking == TrackingMode::Closed) {
        journal_.info("closed loop started at AOS");
        return;
    }
    session_.post_input([this](TFMain& form) { start_tracking(form); });
}

void Station::tracking_update(const app::TrackingPoint& point) {
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    // The engine's end of pass is the update that ends it, shown as out of the pass at once.
    const bool ended = view_.in_pass && (point.ends_pass || !point.in_pass);
    view_.satellite = point.satellite;
    view_.in_pass = point.in_pass && !point.ends_pass;
    view_.elevation_deg = point.elevation_deg;
    view_.azimuth_deg = point.azimuth_deg;
    view_.doppler_hz = {point.downlink_hz, point.uplink_hz};
    for (const Side side : {Side::Rx, Side::Tx})
        view_.dial_hz[static_cast<int>(side)] =
            shown_dial(side, point.dial_hz[static_cast<int>(side)]);
    if (!ended)
        return;
    journal_.notice("end of pass: " + (!point.satellite.empty() ? point.satellite
                                       : transponder_           ? transponder_->name
                                                                : std::string("(no name)")));
    const bool dropped = drop_pending();
    reset_radios();
    choosing_ = true;
    const DaemonState kept = state_;
    lock.unlock();
    if (dropped)
        keep(kept);
}

void Station::pulse_sent(const app::PulseRecord& pulse) {
    std::lock_guard lock(mutex_);
    view_.dial_hz[static_cast<int>(pulse.side)] = shown_dial(pulse.side, pulse.dial_hz);
}

// A side that falls behind is told once when it starts and once when it ends, with the most it
// was behind: the steps in between are on the page.
void Station::loop_behind(Side side, int steps) {
    const int index = static_cast<int>(side);
    int started = 0, most = 0;
    {
        std::lock_guard lock(mutex_);
        started = view_.behind_steps[index] == 0 && steps > 0 ? steps : 0;
        if (steps == 0 && view_.behind_steps[index] > 0)
            most = most_behind_[index];
        most_behind_[index] = steps == 0 ? 0 : std::max(most_behind_[index], steps);
        view_.behind_steps[index] = steps;
    }
    if (started)
        journal_.warning(std::string(side_name(side)) + " " + behind_words(started));
    else if (most)
        journal_.notice(std::string(side_name(side)) + " caught up (it had been " +
                        behind_words(most) + " at most)");
}

void Station::loop_tuning_ahead(Side side, std::int64_t aos_in_ms) {
    journal_.notice(std::string(side_name(side)) + " tuning ahead of AOS, due in " +
                    std::to_string((aos_in_ms + 500) / 1000) + " s");
}

void Station::loop_reach(Side side, bool in_reach, double heard_hz) {
    const std::string name = side_name(side);
    if (in_reach)
        journal_.notice(name + ": the tracker's frequency is within reach again");
    else
        journal_.warning(name + ": the tracker's frequency " +
                         std::to_string(static_cast<std::int64_t>(heard_hz)) +
                         " Hz is outside the radio's band: not followed");
}

// The radio may have taken more than one step for it: the operator should check the dial.
void Station::loop_late_press(Side side, std::int64_t held_ms) {
    late_press(std::string("late press: ") + side_name(side) + " held " + std::to_string(held_ms) +
               " ms");
}

void Station::late_press(const std::string& what) {
    {
        std::lock_guard lock(mutex_);
        ++view_.late_presses;
    }
    journal_.warning(what);
}

void Station::timing(const std::string& priority) {
    {
        std::lock_guard lock(mutex_);
        view_.priority = priority;
    }
    journal_.info("engine thread: " + priority);
}

// Mutex held. Reset brings back what the engine counted; the page's nudges it did not count are
// undone after it. The nudges are taken in the engine's queue, after every nudge before them.
void Station::reset_radios() {
    journal_.notice("Reset: both radios back to their references");
    session_.post_input([this](TFMain& form) {
        if (form.closed_mode())
            stop_loop_nudges(form); // the loop's Reset replaces what it has to press
        std::array<int, 2> nudges;
        {
            std::lock_guard lock(mutex_);
            nudges = nudges_;
            nudges_ = {};
        }
        form.Click("Button22");
        form.Click("Button23");
        for (const Side side : {Side::Rx, Side::Tx}) {
            const int count = nudges[static_cast<int>(side)];
            for (int n = 0; n < std::abs(count); ++n)
                form.Click(step_button(side, count > 0 ? -1 : 1));
        }
    });
}

// Mutex held: the side's dial as the radio shows it, the offset typed into its reference added.
std::optional<double> Station::shown_dial(Side side, std::optional<double> estimate) const {
    if (!estimate)
        return estimate;
    return *estimate + static_cast<double>(in_reference_[static_cast<int>(side)]);
}

// Mutex held. The steps nudged and not pressed come off the learnt offset: it stays where the
// dial is. True when there were any.
bool Station::drop_pending() {
    bool dropped = false;
    for (const Side side : {Side::Rx, Side::Tx}) {
        const int index = static_cast<int>(side);
        if (pending_[index] == 0 || !transponder_)
            continue;
        std::int64_t& offset = state_.offsets_hz[transponder_->name][index];
        offset -= std::int64_t{pending_[index]} * transponder_->sides[index].step_hz;
        view_.offset_hz[index] = offset;
        journal_.notice(std::string("nudge ") + side_name(side) + ": " +
                        std::to_string(std::abs(pending_[index])) + " steps not pressed; offset " +
                        std::to_string(offset) + " Hz");
        pending_[index] = 0;
        dropped = true;
    }
    return dropped;
}

// The saving lock held: the state as it now is, or a journal line saying it is not kept.
std::optional<std::string> Station::keep(const DaemonState& state) {
    try {
        save_(state);
        return std::nullopt;
    } catch (const ConfigError& error) {
        journal_.error(error.what());
        return error.what();
    }
}

// The action ran; the offsets it left could not be written, so a restart would bring back others.
ActionResult Station::kept_or_failed(const char* done, const DaemonState& state) {
    if (const std::optional<std::string> why = keep(state))
        return ActionResult::failed(std::string(done) +
                                    ", but the learnt offsets could not be kept: " + *why);
    return ActionResult::done();
}

ActionResult Station::nudge(Side side, int direction) {
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    const std::string what = std::string("nudge ") + side_name(side) + direction_word(direction);
    const auto refused = [this, &what](const std::string& why) {
        journal_.warning(what + " refused: " + why);
        return ActionResult::refused(what + " refused: " + why);
    };
    if (!transponder_)
        return refused("no transponder chosen yet");
    const int index = static_cast<int>(side);
    const std::string name = transponder_->name;
    DaemonState proposed = state_;
    std::int64_t& offset = proposed.offsets_hz[name][index];
    offset += std::int64_t{direction} * transponder_->sides[index].step_hz;
    if (std::abs(offset) > kOffsetLimitHz)
        return refused("the offset would be " + std::to_string(offset) + " Hz, beyond the " +
                       std::to_string(kOffsetLimitHz) + " Hz it may learn either way");
    lock.unlock();
    // Kept before it is pressed: a press the state does not hold would be lost at a restart.
    try {
        save_(proposed);
    } catch (const ConfigError& error) {
        journal_.error(what + " not done: " + error.what());
        return ActionResult::failed(what + " not done, nothing pressed: " + error.what());
    }
    lock.lock();
    state_ = std::move(proposed);
    view_.offset_hz[index] = state_.offsets_hz[name][index];
    pending_[index] += direction;
    journal_.notice(what + ": offset " + std::to_string(view_.offset_hz[index]) + " Hz");
    if (!pressing_[index]) {
        pressing_[index] = true;
        session_.post_input([this, side](TFMain& form) { press_nudge(form, side); });
    }
    return {};
}

// Engine thread: one press toward the side's target, then the next in the queue's turn, so
// tracking and Stop are served between presses.
void Station::press_nudge(TFMain& form, Side side) {
    const int index = static_cast<int>(side);
    int direction = 0;
    {
        std::lock_guard lock(mutex_);
        if (pending_[index] == 0) {
            pressing_[index] = false;
            return;
        }
        direction = pending_[index] > 0 ? 1 : -1;
        pending_[index] -= direction;
    }
    // A press the closed loop counts on a dial is brought back by its Reset itself.
    const bool counted = form.closed_mode() && form.closed_loop.state(side).dial_hz;
    const int queued_before = form.closed_loop.state(side).pending;
    form.Click(step_button(side, direction));
    // Outside tracking the loop takes the press as one of its own and sends it in turn.
    in_loop_[index] += form.closed_loop.state(side).pending - queued_before;
    if (!counted) {
        std::lock_guard lock(mutex_);
        nudges_[index] += direction;
    }
    session_.post_input([this, side](TFMain& next) { press_nudge(next, side); });
}

ActionResult Station::stop() {
    session_.request_stop(std::nullopt);
    if (config_.tracking == TrackingMode::Closed)
        session_.post_control([this](TFMain& form) { stop_loop_nudges(form); });
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    journal_.notice("Stop");
    const bool dropped = drop_pending();
    const DaemonState kept = state_;
    lock.unlock();
    return dropped ? kept_or_failed("Stopped", kept) : ActionResult::done();
}

// Engine thread: the nudges the closed loop holds and has not pressed end with its presses, and
// come off the learnt offset.
void Station::stop_loop_nudges(TFMain& form) {
    std::array<int, 2> held{};
    for (const Side side : {Side::Rx, Side::Tx}) {
        const int index = static_cast<int>(side);
        // A loop that tracks took them as its offset: it stops on nothing here.
        if (in_loop_[index] == 0 || form.closed_loop.state(side).tracking)
            continue;
        form.closed_loop.stop(side); // tells its listeners, which take the locks below
        held[index] = std::exchange(in_loop_[index], 0);
    }
    if (held == std::array<int, 2>{})
        return;
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    for (const int index : {0, 1})
        pending_[index] += held[index];
    const bool dropped = drop_pending();
    const DaemonState kept = state_;
    lock.unlock();
    if (dropped)
        keep(kept);
}

// Engine thread. The presses that undo nudges after a Reset are the loop's too: they are not
// nudges it holds, and they go the other way.
void Station::loop_pressed(const LoopPress& press) {
    int& held = in_loop_[static_cast<int>(press.side)];
    const int direction = press.direction == PressDirection::Up ? 1 : -1;
    if (press.origin == PressOrigin::Manual && held * direction > 0)
        held -= direction;
}

// Mutex held.
std::optional<std::string> Station::why_no_reset() const {
    if (!transponder_)
        return "no transponder chosen yet";
    if (config_.tracking == TrackingMode::Classic && view_.in_pass)
        return "the satellite is up: classic tracking resets after the pass";
    const bool nudged = nudges_ != std::array<int, 2>{} || pending_ != std::array<int, 2>{};
    if (!reset_ready_[0] && !reset_ready_[1] && !nudged)
        return view_.in_pass ? "the satellite is up: the closed loop brings both radios back at "
                               "the end of the pass"
                             : "both radios are at their references already";
    return std::nullopt;
}

ActionResult Station::reset() {
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    if (const std::optional<std::string> why = why_no_reset()) {
        journal_.warning("Reset refused: " + *why);
        return ActionResult::refused("Reset refused: " + *why);
    }
    const bool dropped = drop_pending();
    reset_radios();
    const DaemonState kept = state_;
    lock.unlock();
    return dropped ? kept_or_failed("Reset started", kept) : ActionResult::done();
}

ActionResult Station::clear_offsets() {
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    drop_pending();
    DaemonState proposed = state_;
    proposed.offsets_hz.clear();
    lock.unlock();
    try {
        save_(proposed);
    } catch (const ConfigError& error) {
        journal_.error(std::string("offsets not cleared: ") + error.what());
        return ActionResult::failed(std::string("offsets not cleared: ") + error.what());
    }
    lock.lock();
    state_ = std::move(proposed);
    view_.offset_hz = {};
    journal_.notice("offsets cleared: the next pass starts from the nominal frequencies");
    return {};
}

StationView Station::view() const {
    std::lock_guard lock(mutex_);
    return view_;
}

void Station::control_changed(const Control& control, Change what) {
    TFMain& form = session_.form();
    if (what == Change::LineAdded) {
        const std::string& line = control.lines().back();
        // The counters of a train are its own; the words are events.
        if (line.find_first_not_of("0123456789") == std::string::npos)
            return;
        const bool rx = &control == &form.Memo1 || &control == &form.Memo2;
        journal_.info(std::string(rx ? "RX: " : "TX: ") + line);
    } else if (what == Change::Enabled &&
               (&control == &form.Button22 || &control == &form.Button23)) {
        std::lock_guard lock(mutex_);
        reset_ready_[&control == &form.Button22 ? 0 : 1] = control.enabled();
    } else if (&control == &form.l_dd && what == Change::Text) {
        if (control.text() == "Opened") {
            link_opened_ = true;
        } else if (link_opened_ && !closing_) {
            fault_("the link from the Hamlib relay ended");
        }
    }
}

void Station::port_status_changed(const port::PortStatus& status) {
    port::PortHealth before;
    {
        std::lock_guard lock(mutex_);
        view_.lines = status.lines;
        view_.port = status.backend;
        before = last_health_;
        last_health_ = status.health;
    }
    if (status.health == before || closing_)
        return;
    if (status.health == port::PortHealth::Failed || status.health == port::PortHealth::Fallback)
        fault_("port " + status.backend + ": " + status.message);
    else if (status.health == port::PortHealth::Recovered)
        journal_.notice("port " + status.backend + ": " + status.message);
}

} // namespace dopplex::headless
