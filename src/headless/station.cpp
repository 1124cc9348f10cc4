#include "station.h"

#include "console/numtext/numtext.h"
#include "tracker/record/tracking_record.h"

#include <chrono>
#include <cstdlib>

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
    }
}

Station::~Station() = default;

void Station::attach() {
    recorder_.attach();
    recorder_.add_observer(this);
    if (log_queue_)
        recorder_.add_observer(log_queue_.get());
    session_.form().add_observer(this);
    session_.add_port_listener(&recorder_);
    session_.add_port_listener(this);
    session_.set_handler_wrapper([this](EventKind kind, const std::function<void()>& handler) {
        recorder_.run_handler(kind, handler);
    });
}

void Station::created() {
    lower_all(); // nothing is pressed at start, whatever the lines were before
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
    std::lock_guard lock(mutex_);
    const bool ended = view_.in_pass && !point.in_pass;
    view_.satellite = point.satellite;
    view_.in_pass = point.in_pass;
    view_.elevation_deg = point.elevation_deg;
    view_.azimuth_deg = point.azimuth_deg;
    view_.doppler_hz = {point.downlink_hz, point.uplink_hz};
    view_.dial_hz = point.dial_hz;
    if (!ended)
        return;
    journal_.notice("end of pass: " + point.satellite);
    reset_radios();
    choosing_ = true;
}

void Station::pulse_sent(const app::PulseRecord& pulse) {
    std::lock_guard lock(mutex_);
    view_.dial_hz[static_cast<int>(pulse.side)] = pulse.dial_hz;
}

void Station::loop_behind(Side side, int steps) {
    {
        std::lock_guard lock(mutex_);
        view_.behind_steps[static_cast<int>(side)] = steps;
    }
    if (steps > 0)
        journal_.warning(std::string(side_name(side)) + " " + behind_words(steps));
    else
        journal_.notice(std::string(side_name(side)) + " caught up");
}

// The radio may have taken more than one step for it: the operator should check the dial.
void Station::loop_late_press(Side side, std::int64_t held_ms) {
    journal_.warning(std::string("late press: ") + side_name(side) + " held " +
                     std::to_string(held_ms) + " ms");
}

// Mutex held. Reset brings back what the engine counted; the page's nudges it did not count are
// undone after it. The nudges are taken in the engine's queue, after every nudge before them.
void Station::reset_radios() {
    journal_.notice("Reset: both radios back to their references");
    session_.post_input([this](TFMain& form) {
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

bool Station::nudge(Side side, int direction) {
    std::unique_lock lock(mutex_);
    if (!transponder_) {
        journal_.warning(std::string("nudge ") + side_name(side) +
                         " refused: no transponder chosen yet");
        return false;
    }
    const int index = static_cast<int>(side);
    const int step = transponder_->sides[index].step_hz;
    std::int64_t& offset = state_.offsets_hz[transponder_->name][index];
    offset += direction * step;
    view_.offset_hz[index] = offset;
    journal_.notice(std::string("nudge ") + side_name(side) + (direction > 0 ? " up" : " down") +
                    ": offset " + std::to_string(offset) + " Hz");
    session_.post_input([this, side, index, direction](TFMain& form) {
        // A press the closed loop counts on a dial is brought back by its Reset itself.
        const bool counted = form.closed_mode() && form.closed_loop.state(side).dial_hz;
        form.Click(step_button(side, direction));
        if (!counted) {
            std::lock_guard lock(mutex_);
            nudges_[index] += direction;
        }
    });
    const DaemonState saved = state_;
    lock.unlock();
    save_(saved);
    return true;
}

void Station::stop() {
    journal_.notice("Stop");
    session_.request_stop(std::nullopt);
}

void Station::reset() {
    std::lock_guard lock(mutex_);
    reset_radios();
}

void Station::clear_offsets() {
    std::unique_lock lock(mutex_);
    state_.offsets_hz.clear();
    view_.offset_hz = {};
    journal_.notice("offsets cleared: the next pass starts from the nominal frequencies");
    const DaemonState saved = state_;
    lock.unlock();
    save_(saved);
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
    } else if (&control == &form.l_dd && what == Change::Text) {
        if (control.text() == "Opened") {
            link_opened_ = true;
            journal_.info("tracker link open");
        } else if (link_opened_ && !closing_) {
            fault_("the tracker link ended");
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
