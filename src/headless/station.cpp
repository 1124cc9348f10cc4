#include "station.h"

#include "base/numtext.h"
#include "tracker/record/tracking_record.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace dopplex::headless {

namespace {

std::int64_t utc_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

constexpr std::chrono::milliseconds kResetAnswerWait{1500};

Dir dir_of(int direction) {
    return direction > 0 ? Dir::Up : Dir::Down;
}

const char* direction_word(int direction) {
    return direction > 0 ? " up" : " down";
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
        if (point.satellite.empty()) {
            point.satellite = name_();
        }
        return point;
    }
    app::PassObserver& next_;
    std::function<std::string()> name_;
};

Station::Station(app::EngineSession& session, DaemonConfig config, DaemonState state,
                 SaveState save, Journal& journal, Fault fault)
    : session_(session), config_(std::move(config)), save_(std::move(save)), journal_(journal),
      fault_(std::move(fault)), recorder_(utc_ms), state_(std::move(state)) {
    cat_radios_ = std::make_unique<CatRadios>(session_.loop(), *this);
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
    session_.station().add_listener(&recorder_);
    recorder_.add_observer(this);
    if (log_namer_) {
        recorder_.add_observer(log_namer_.get());
    }
    session_.station().add_listener(this);
    session_.add_port_listener(this);
}

void Station::created() {
    lower_all(); // nothing is pressed at start, whatever the lines were before
    journal_.info(config_.pass_log ? "pass log in " + config_.pass_log->string()
                                   : std::string("pass log off"));
}

void Station::lower_all() {
    session_.dial().Out32(session_.form().latch.PortAddress, 0);
}

// The engine applies the latest text when it comes to it, as the link's fetch after a change
// notice would: texts heard while it was busy are not queued up.
void Station::heard(const std::string& text) {
    TSatData record;
    std::string aos;
    ParseTrackingRecord(text, record, aos);
    if (record.Downlink > 0) {
        choose(record.Downlink, record.SatName);
    }
    {
        std::lock_guard lock(mutex_);
        latest_text_ = text;
    }
    session_.post_tracking([this](dopplex::Station& station) {
        std::string latest;
        {
            std::lock_guard lock(mutex_);
            latest = latest_text_;
        }
        station.take_tracking(latest);
    });
}

void Station::checked(const Result& result) {
    if (!result.ok) {
        journal_.warning(result.why);
    }
}

void Station::choose(double downlink_hz, const std::string& satellite) {
    std::lock_guard lock(mutex_);
    if (!choosing_) {
        return;
    }
    const TransponderChoice choice = choose_transponder(config_, downlink_hz);
    if (!choice.transponder) {
        if (refused_.empty()) {
            journal_.warning(choice.why);
        }
        refused_ = choice.why;
        return;
    }
    choosing_ = false;
    refused_.clear();
    transponder_ = *choice.transponder;
    pending_ = {};
    const auto learnt = state_.offsets_hz.find(transponder_->name);
    const std::array<std::int64_t, 2> offsets =
        learnt == state_.offsets_hz.end() ? std::array<std::int64_t, 2>{} : learnt->second;
    const std::array<std::optional<CatAddress>, 2> radios{side_radio(config_, *transponder_, 0),
                                                          side_radio(config_, *transponder_, 1)};
    // Tune counts from the reference to the Doppler frequency; a reference below the dial by
    // the offset leaves the dial that far above the Doppler frequency. A CAT radio is set to
    // the frequency itself: its offset comes back as the loop's own at AOS.
    std::array<std::int64_t, 2> typed{};
    std::array<double, 2> loop_offsets{};
    for (const int i : {0, 1}) {
        typed[i] = radios[i] ? 0 : offsets[i];
        loop_offsets[i] = radios[i] ? double(offsets[i]) : 0;
        in_loop_offsets_[i] = radios[i] ? offsets[i] : 0;
        view_.radio[i] = side_radio_text(radios[i]);
        view_.cat_status[i].clear();
        cat_dial_[i].reset();
        view_.knob_hz[i] = radios[i] ? std::optional<std::int64_t>(0) : std::nullopt;
    }
    const std::string rx = FormatFixed(double(transponder_->downlink_hz - typed[0]), 7, 5);
    const std::string tx = FormatFixed(double(transponder_->uplink_hz - typed[1]), 7, 5);
    const int step = transponder_->sides[0].step_hz;
    view_.transponder = transponder_->name;
    view_.offset_hz = offsets;
    in_reference_ = typed;
    journal_.notice("transponder " + transponder_->name + " (downlink " + hz(double(downlink_hz)) +
                    "): RX reference " + rx + ", TX reference " + tx + ", step " +
                    std::to_string(step) + " Hz, offsets RX " + std::to_string(offsets[0]) +
                    " Hz, TX " + std::to_string(offsets[1]) + " Hz");
    std::optional<LoopSettings> loop;
    if (config_.tracking == TrackingMode::Closed) {
        loop = loop_settings(config_, *transponder_);
    }
    std::array<CatSettings, 2> cat{};
    for (std::size_t i : {0u, 1u}) {
        cat[i] = {transponder_->sides[i].sets_per_s, double(transponder_->sides[i].resolution_hz)};
    }
    const std::array<double, 2> references{double(transponder_->downlink_hz - typed[0]),
                                           double(transponder_->uplink_hz - typed[1])};
    session_.post_command([this, references, step, loop, radios, cat, satellite,
                           loop_offsets](dopplex::Station& station) {
        if (loop) {
            cat_radios_->plug(station, radios, cat);
            checked(station.configure_loop(*loop));
            // The buttons' learnt offsets are in the references already: the loop brings back
            // only the CAT sides'.
            station.keep_loop_offsets({{satellite, loop_offsets}});
            checked(station.set_mode(dopplex::TrackingMode::Closed));
        }
        for (const Side side : {Side::Rx, Side::Tx}) {
            checked(station.set_reference(side, references[static_cast<int>(side)]));
        }
        if (!loop) {
            checked(station.set_step(step));
        }
        checked(station.enable_hardware(true));
    });
}

// Where tracking starts at AOS. The classic engine tunes each radio from its reference to the
// Doppler frequency and tracks from there, as an operator clicking Tune RX and Tune TX would.
// The closed loop starts itself at that update, the dials at the references.
void Station::start_tracking(dopplex::Station& station) {
    for (const Side side : {Side::Rx, Side::Tx}) {
        checked(station.tune(side));
    }
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
    session_.post_command([this](dopplex::Station& station) { start_tracking(station); });
}

void Station::tracking_update(const app::TrackingPoint& point) {
    std::lock_guard saving(saving_);
    keep_again();
    std::unique_lock lock(mutex_);
    // The engine's end of pass is the update that ends it, shown as out of the pass at once.
    const bool ended = view_.in_pass && (point.ends_pass || !point.in_pass);
    view_.satellite = point.satellite;
    view_.in_pass = point.in_pass && !point.ends_pass;
    view_.elevation_deg = point.elevation_deg;
    view_.azimuth_deg = point.azimuth_deg;
    view_.doppler_hz = {point.downlink_hz, point.uplink_hz};
    for (const Side side : {Side::Rx, Side::Tx}) {
        view_.dial_hz[static_cast<int>(side)] =
            shown_dial(side, point.dial_hz[static_cast<int>(side)]);
    }
    if (!ended) {
        return;
    }
    journal_.notice("end of pass: " + (!point.satellite.empty() ? point.satellite
                                       : transponder_           ? transponder_->name
                                                                : std::string("(no name)")));
    const bool dropped = drop_pending();
    reset_radios();
    choosing_ = true;
    const DaemonState kept = state_;
    lock.unlock();
    if (dropped) {
        keep(kept);
    }
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
        if (steps == 0 && view_.behind_steps[index] > 0) {
            most = most_behind_[index];
        }
        most_behind_[index] = steps == 0 ? 0 : std::max(most_behind_[index], steps);
        view_.behind_steps[index] = steps;
    }
    if (started) {
        journal_.warning(std::string(side_name(side)) + " " + behind_words(started));
    } else if (most) {
        journal_.notice(std::string(side_name(side)) + " caught up (it had been " +
                        behind_words(most) + " at most)");
    }
}

void Station::loop_tuning_ahead(Side side, std::int64_t aos_in_ms) {
    journal_.notice(std::string(side_name(side)) + " tuning ahead of AOS, due in " +
                    std::to_string((aos_in_ms + 500) / 1000) + " s");
}

void Station::loop_reach(Side side, bool in_reach, double heard_hz) {
    const std::string name = side_name(side);
    if (in_reach) {
        journal_.notice(name + ": the tracker's frequency is within reach again");
    } else {
        journal_.warning(
            name + ": the tracker's frequency " +
            std::to_string(static_cast<std::int64_t>(heard_hz)) +
            " Hz is farther than a satellite's Doppler from the reference: not followed");
    }
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

// Mutex held. Reset brings back what the engine counted; the page's presses it did not count are
// undone after it, as many as reached the lines. They are taken in the engine's queue, after
// every nudge before them.
// `answer`, when given, hears whether anything will be pressed before the presses start.
void Station::reset_radios(std::shared_ptr<std::promise<ActionResult>> answer) {
    journal_.notice("Reset: both radios back to their references");
    session_.post_command([this, answer](dopplex::Station& station) {
        std::optional<std::string> unkept;
        in_offset_ = {}; // the loop's offset ends with its tracking
        if (station.closed_mode()) {
            unkept = stop_loop_nudges(station); // the loop's Reset replaces what it has to press
            // The presses of an earlier Reset not out yet: what is left is counted again below.
            for (const Side side : {Side::Rx, Side::Tx}) {
                if (!station.loop_state(side).dial_hz && station.loop_state(side).pending != 0) {
                    station.end_loop(side);
                }
            }
        }
        std::array<int, 2> nudges;
        {
            std::lock_guard lock(mutex_);
            nudges = nudges_;
            // A loop that counts its dial counts these presses too: they are its from here on.
            for (const Side side : {Side::Rx, Side::Tx}) {
                if (counts_presses(station, side)) {
                    nudges_[static_cast<int>(side)] = 0;
                }
            }
        }
        std::array<Result, 2> can{station.can_reset(Side::Rx), station.can_reset(Side::Tx)};
        const bool runs = can[0].ok || can[1].ok || nudges != std::array<int, 2>{};
        if (answer) {
            answer->set_value(
                !runs ? ActionResult::refused("Reset refused: " + can[0].why + "; " + can[1].why)
                : unkept
                    ? ActionResult::failed(
                          "Reset started, but the learnt offsets could not be kept: " + *unkept)
                    : ActionResult::done());
        }
        // A side the engine cannot reset is told only when nothing runs: else the Reset that
        // undoes the nudges is the answer, and the refusal would contradict it.
        for (const Side side : {Side::Rx, Side::Tx}) {
            if (can[static_cast<int>(side)].ok || !runs) {
                checked(station.reset(side));
            }
        }
        for (const Side side : {Side::Rx, Side::Tx}) {
            const int count = nudges[static_cast<int>(side)];
            for (int n = 0; n < std::abs(count); ++n) {
                checked(station.step(side, dir_of(count > 0 ? -1 : 1)));
            }
        }
    });
}

// Mutex held: the side's dial as the radio shows it, the offset typed into its reference added.
std::optional<double> Station::shown_dial(Side side, std::optional<double> estimate) const {
    // The engine counts no presses on a radio that is set: its estimate stays at the reference.
    if (const std::optional<double> set = cat_dial_[static_cast<int>(side)]) {
        return set;
    }
    if (!estimate) {
        return estimate;
    }
    return *estimate + static_cast<double>(in_reference_[static_cast<int>(side)]);
}

// Mutex held. The steps nudged and not pressed come off the learnt offset: it stays where the
// dial is. True when there were any.
bool Station::drop_pending() {
    bool dropped = false;
    for (const Side side : {Side::Rx, Side::Tx}) {
        const int index = static_cast<int>(side);
        if (pending_[index] == 0 || !transponder_) {
            continue;
        }
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

std::optional<std::string> Station::keep(const DaemonState& state) {
    try {
        save_(state);
        unkept_ = false;
        return std::nullopt;
    } catch (const ConfigError& error) {
        journal_.error(error.what());
        unkept_ = true;
        return error.what();
    }
}

// The saving lock held: a file that could not be written earlier is tried again, quietly, so it
// comes right once the folder is writable; only its recovery is told.
void Station::keep_again() {
    if (!unkept_) {
        return;
    }
    std::unique_lock lock(mutex_);
    const DaemonState kept = state_;
    lock.unlock();
    try {
        save_(kept);
        unkept_ = false;
        journal_.notice("the learnt offsets are kept again");
    } catch (const ConfigError&) {
        // still not writable: said when it first failed
    }
}

// The action ran; the offsets it left could not be written, so a restart would bring back others.
ActionResult Station::kept_or_failed(const char* done, const DaemonState& state) {
    if (const std::optional<std::string> why = keep(state)) {
        return ActionResult::failed(std::string(done) +
                                    ", but the learnt offsets could not be kept: " + *why);
    }
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
    if (!transponder_) {
        return refused("no transponder chosen yet");
    }
    const int index = static_cast<int>(side);
    const std::string name = transponder_->name;
    DaemonState proposed = state_;
    std::int64_t& offset = proposed.offsets_hz[name][index];
    offset += std::int64_t{direction} * transponder_->sides[index].step_hz;
    if (std::abs(offset) > kOffsetLimitHz) {
        return refused("the offset would be " + std::to_string(offset) + " Hz, beyond the " +
                       std::to_string(kOffsetLimitHz) + " Hz it may learn either way");
    }
    lock.unlock();
    // Kept before it is pressed: a press the state does not hold would be lost at a restart.
    try {
        save_(proposed);
    } catch (const ConfigError& error) {
        journal_.error(what + " not done: " + error.what());
        return ActionResult::failed(what + " not done, nothing pressed: " + error.what());
    }
    unkept_ = false;
    lock.lock();
    state_ = std::move(proposed);
    view_.offset_hz[index] = state_.offsets_hz[name][index];
    pending_[index] += direction;
    journal_.notice(what + ": offset " + std::to_string(view_.offset_hz[index]) + " Hz");
    if (!pressing_[index]) {
        pressing_[index] = true;
        session_.post_command(
            [this, side](dopplex::Station& station) { press_nudge(station, side); });
    }
    return {};
}

// Engine thread: one press toward the side's target, then the next in the queue's turn, so
// tracking and Stop are served between presses.
void Station::press_nudge(dopplex::Station& station, Side side) {
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
    const int queued_before = station.loop_state(side).pending;
    checked(station.step(side, dir_of(direction)));
    // Outside tracking the loop takes the press as one of its own and sends it in turn; while
    // tracking, as its offset, which its catch-up presses.
    const int queued = station.loop_state(side).pending - queued_before;
    in_loop_[index] += queued;
    if (queued == 0 && station.closed_mode() && station.loop_state(side).tracking &&
        station.radio(side) == dopplex::RadioKind::PushButtons) {
        in_offset_[index] += direction;
    }
    session_.post_command([this, side](dopplex::Station& next) { press_nudge(next, side); });
}

ActionResult Station::stop() {
    std::future<std::optional<std::string>> loop_kept;
    if (config_.tracking == TrackingMode::Closed) {
        auto told = std::make_shared<std::promise<std::optional<std::string>>>();
        loop_kept = told->get_future();
        session_.post_control(
            [this, told](TFMain&) { told->set_value(stop_nudge_runs(session_.station())); });
    } else {
        session_.request_stop(std::nullopt);
    }
    ActionResult result;
    {
        std::lock_guard saving(saving_);
        std::unique_lock lock(mutex_);
        journal_.notice("Stop");
        const bool dropped = drop_pending();
        const DaemonState kept = state_;
        lock.unlock();
        result = dropped ? kept_or_failed("Stopped", kept) : ActionResult::done();
    }
    // The nudges the loop held come off the offset on the engine thread: the answer waits for
    // whether that was kept, as long as a Reset's answer would.
    if (!loop_kept.valid() || loop_kept.wait_for(kResetAnswerWait) != std::future_status::ready) {
        return result;
    }
    try {
        if (const std::optional<std::string> why = loop_kept.get()) {
            return ActionResult::failed("Stopped, but the learnt offsets could not be kept: " +
                                        *why);
        }
    } catch (const std::future_error&) {
        // the engine ended before it took the Stop up
    }
    return result;
}

// Engine thread: the operator's Stop in closed mode. A side that tracks in the pass goes on
// tracking, as a Stop of a run of nudges is no end of the pass: its catch-up ends by taking the
// nudges not pressed yet off its offset. Every other side's train ends (tuning ahead of AOS too).
std::optional<std::string> Station::stop_nudge_runs(dopplex::Station& station) {
    std::array<int, 2> unpressed{};
    for (const Side side : {Side::Rx, Side::Tx}) {
        const int index = static_cast<int>(side);
        if (station.loop_state(side).tracking && !station.loop_state(side).ahead) {
            unpressed[index] = take_back_unpressed(station, side);
        } else {
            in_offset_[index] = 0;
            checked(station.stop(side));
        }
    }
    std::optional<std::string> unkept = stop_loop_nudges(station);
    if (std::optional<std::string> why = drop_unpressed(unpressed)) {
        return why;
    }
    return unkept;
}

// Engine thread: the side's nudges whose catch-up presses have not gone out, stepped off its
// offset so it presses no more of them. Signed as they were nudged.
int Station::take_back_unpressed(dopplex::Station& station, Side side) {
    const int unpressed = std::exchange(in_offset_[static_cast<int>(side)], 0);
    const int direction = unpressed > 0 ? 1 : -1;
    for (int n = 0; n != unpressed; n += direction) {
        checked(station.step(side, dir_of(-direction)));
    }
    return unpressed;
}

// Engine thread: the nudges the closed loop holds and has not pressed end with its presses, and
// come off the learnt offset. The error when that offset could not be kept.
std::optional<std::string> Station::stop_loop_nudges(dopplex::Station& station) {
    std::array<int, 2> held{};
    for (const Side side : {Side::Rx, Side::Tx}) {
        const int index = static_cast<int>(side);
        // A loop that tracks took them as its offset: it stops on nothing here.
        if (in_loop_[index] == 0 || station.loop_state(side).tracking) {
            continue;
        }
        station.end_loop(side); // tells its listeners, which take the locks below
        held[index] = std::exchange(in_loop_[index], 0);
    }
    return drop_unpressed(held);
}

// Nudged steps that will not be pressed come off the learnt offset. The error when that offset
// could not be kept.
std::optional<std::string> Station::drop_unpressed(const std::array<int, 2>& unpressed) {
    if (unpressed == std::array<int, 2>{}) {
        return std::nullopt;
    }
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    for (const int index : {0, 1}) {
        pending_[index] += unpressed[index];
    }
    const bool dropped = drop_pending();
    const DaemonState kept = state_;
    lock.unlock();
    return dropped ? keep(kept) : std::nullopt;
}

// Engine thread. The presses that undo nudges after a Reset are the loop's too: they are not
// nudges it holds, and they go the other way. Every press no Reset of the engine counts is
// counted here as it reaches the lines, so a Stop at any point leaves the count true.
void Station::pulse_sent(const PulseSent& pulse) {
    const int index = static_cast<int>(pulse.side);
    const int direction = pulse.dir == Dir::Up ? 1 : -1;
    if (pulse.origin == PulseOrigin::Loop && in_offset_[index] * direction > 0) {
        in_offset_[index] -= direction;
    }
    if (pulse.origin != PulseOrigin::Manual) {
        return;
    }
    if (in_loop_[index] * direction > 0) {
        in_loop_[index] -= direction;
    }
    if (counts_presses(session_.station(), pulse.side)) {
        return;
    }
    std::lock_guard lock(mutex_);
    nudges_[index] += direction;
}

// Engine thread: the closed loop counts every press on a dial it knows; the classic Reset
// brings back only what its tracking showed.
bool Station::counts_presses(const dopplex::Station& station, Side side) {
    return station.closed_mode() && station.loop_state(side).dial_hz;
}

// Mutex held.
std::optional<std::string> Station::why_no_reset() const {
    if (!transponder_) {
        return "no transponder chosen yet";
    }
    if (config_.tracking == TrackingMode::Classic && view_.in_pass) {
        return "the satellite is up: classic tracking resets after the pass";
    }
    const bool nudged = nudges_ != std::array<int, 2>{} || pending_ != std::array<int, 2>{};
    if (!reset_ready_[0] && !reset_ready_[1] && !nudged) {
        return view_.in_pass ? "the satellite is up: the closed loop brings both radios back at "
                               "the end of the pass"
                             : "both radios are at their references already";
    }
    return std::nullopt;
}

ActionResult Station::reset() {
    std::unique_lock saving(saving_);
    std::unique_lock lock(mutex_);
    if (const std::optional<std::string> why = why_no_reset()) {
        journal_.warning("Reset refused: " + *why);
        return ActionResult::refused("Reset refused: " + *why);
    }
    auto answer = std::make_shared<std::promise<ActionResult>>();
    std::future<ActionResult> told = answer->get_future();
    const bool dropped = drop_pending();
    reset_radios(answer);
    const DaemonState kept = state_;
    lock.unlock();
    const ActionResult result =
        dropped ? kept_or_failed("Reset started", kept) : ActionResult::done();
    saving.unlock();
    // The engine says whether its Reset presses anything once it takes it up; while it runs a
    // long train the page does not wait, and the journal tells a refusal.
    if (told.wait_for(kResetAnswerWait) != std::future_status::ready) {
        return result;
    }
    try {
        // Each side's refusal is in the journal already.
        const ActionResult engine = told.get();
        if (engine.status != ActionResult::done().status) {
            return engine;
        }
    } catch (const std::future_error&) {
        // the engine ended before it took the Reset up
    }
    return result;
}

ActionResult Station::clear_offsets() {
    std::unique_lock saving(saving_);
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
    unkept_ = false;
    lock.lock();
    state_ = std::move(proposed);
    view_.offset_hz = {};
    journal_.notice("offsets cleared: the next pass starts from the nominal frequencies");
    // The references of a transponder chosen for the coming pass hold the old offsets.
    if (!transponder_ || choosing_ || view_.in_pass ||
        (in_reference_ == std::array<std::int64_t, 2>{} &&
         in_loop_offsets_ == std::array<std::int64_t, 2>{})) {
        return {};
    }
    const std::array<double, 2> nominal{double(transponder_->downlink_hz),
                                        double(transponder_->uplink_hz)};
    auto answer = std::make_shared<std::promise<ActionResult>>();
    std::future<ActionResult> told = answer->get_future();
    session_.post_command([this, nominal, answer](dopplex::Station& station) {
        answer->set_value(clear_references(station, nominal));
    });
    lock.unlock();
    saving.unlock();
    if (told.wait_for(kResetAnswerWait) != std::future_status::ready) {
        return ActionResult::failed("offsets cleared, but the engine did not take the nominal "
                                    "frequencies up in time: check the journal before AOS");
    }
    try {
        return told.get();
    } catch (const std::future_error&) {
        return ActionResult::failed("offsets cleared, but the engine ended before it took the "
                                    "nominal frequencies up");
    }
}

// Engine thread: the chosen transponder's references without the offsets, for the coming pass.
ActionResult Station::clear_references(dopplex::Station& station,
                                       const std::array<double, 2>& nominal) {
    const auto refused = [this](const std::string& why) {
        const std::string said = "offsets cleared from the next choice of transponder on; the "
                                 "coming pass keeps them: " +
                                 why;
        journal_.warning(said);
        return ActionResult::refused(said);
    };
    for (const Side side : {Side::Rx, Side::Tx}) {
        if (station.closed_mode() && station.loop_state(side).tracking) {
            return refused(std::string("the ") + side_name(side) +
                           " loop runs already, counting from its reference");
        }
    }
    for (const Side side : {Side::Rx, Side::Tx}) {
        const Result typed = station.set_reference(side, nominal[static_cast<int>(side)]);
        if (!typed.ok) {
            return refused(typed.why);
        }
        std::lock_guard lock(mutex_);
        in_reference_[static_cast<int>(side)] = 0;
    }
    station.keep_loop_offsets({}); // a CAT side's offsets come back through the loop
    {
        std::lock_guard lock(mutex_);
        in_loop_offsets_ = {};
    }
    journal_.notice("references " + FormatFixed(nominal[0], 7, 5) + " and " +
                    FormatFixed(nominal[1], 7, 5) + " for the coming pass");
    return {};
}

void Station::cat_status(Side side, const std::string& line) {
    std::lock_guard lock(mutex_);
    view_.cat_status[static_cast<int>(side)] = line;
}

void Station::cat_set(Side side, std::int64_t, double hz) {
    std::lock_guard lock(mutex_);
    cat_dial_[static_cast<int>(side)] = hz;
    view_.dial_hz[static_cast<int>(side)] = hz;
}

// The loop has taken the turn already (and, locked, moved the other side): the learnt offsets
// follow, each at its side's own step, so the side comes back at it after a restart.
void Station::cat_knob(Side side, double delta_hz) {
    std::lock_guard saving(saving_);
    std::unique_lock lock(mutex_);
    if (!transponder_) {
        return;
    }
    const int index = static_cast<int>(side);
    std::array<double, 2> moved{};
    moved[index] = delta_hz;
    if (config_.lock != Lock::Off) {
        moved[1 - index] = config_.lock == Lock::NonInverting ? delta_hz : -delta_hz;
    }
    std::array<std::int64_t, 2>& offsets = state_.offsets_hz[transponder_->name];
    for (const int i : {0, 1}) {
        const std::int64_t quantum = offset_step_hz(config_, *transponder_, i);
        offsets[i] += std::llround(moved[i] / double(quantum)) * quantum;
        offsets[i] = std::clamp(offsets[i], -kOffsetLimitHz, kOffsetLimitHz);
        view_.offset_hz[i] = offsets[i];
    }
    if (view_.knob_hz[index]) {
        *view_.knob_hz[index] += std::llround(delta_hz);
    }
    const DaemonState kept = state_;
    lock.unlock();
    keep(kept);
}

StationView Station::view() const {
    std::lock_guard lock(mutex_);
    return view_;
}

void Station::side_log(const SideLog& log) {
    journal_.info(std::string(side_name(log.side)) + ": " + log.line);
}

void Station::reset_ready(const ResetReady& ready) {
    std::lock_guard lock(mutex_);
    reset_ready_[static_cast<int>(ready.side)] = ready.ready;
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
    if (status.health == before || closing_) {
        return;
    }
    if (status.health == port::PortHealth::Failed || status.health == port::PortHealth::Fallback) {
        fault_("port " + status.backend + ": " + status.message);
    } else if (status.health == port::PortHealth::Recovered) {
        journal_.notice("port " + status.backend + ": " + status.message);
    }
}

} // namespace dopplex::headless
