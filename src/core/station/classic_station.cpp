#include "station/classic_station.h"

#include "base/numtext.h"

#include <array>

namespace dopplex {

namespace {

using Field = Control TFMain::*;

struct SideControls {
    Field tune, start_tracking, reset, up, down, reference;
    std::array<Field, 2> logs;
    const char* name;
};

const SideControls& controls(Side side) {
    static const SideControls rx{&TFMain::Button1,
                                 &TFMain::Button11,
                                 &TFMain::Button22,
                                 &TFMain::Button2,
                                 &TFMain::Button3,
                                 &TFMain::Edit1,
                                 {&TFMain::Memo1, &TFMain::Memo2},
                                 "RX"};
    static const SideControls tx{&TFMain::Button12,
                                 &TFMain::Button19,
                                 &TFMain::Button23,
                                 &TFMain::Button20,
                                 &TFMain::Button21,
                                 &TFMain::Edit13,
                                 {&TFMain::Memo3, &TFMain::Memo4},
                                 "TX"};
    return side == Side::Rx ? rx : tx;
}

struct Line {
    Channel channel;
    Side side;
    Dir dir;
};
constexpr Line kLines[] = {
    {Channel::RxUp, Side::Rx, Dir::Up},
    {Channel::RxDown, Side::Rx, Dir::Down},
    {Channel::TxUp, Side::Tx, Dir::Up},
    {Channel::TxDown, Side::Tx, Dir::Down},
};

bool high(std::uint8_t byte, Channel channel) {
    return ((byte >> static_cast<int>(channel)) & 1) != 0;
}

Result from_why(const std::optional<std::string>& why) {
    return why ? Result::refused(*why) : Result::done();
}

bool reads_as_frequency(const std::string& text) {
    try {
        return ParseNumber(text) > 0;
    } catch (const EConvertError&) {
        return false;
    }
}

std::string not_a_frequency(const Control& reference, const char* side) {
    return std::string("The ") + side + " reference '" + reference.text() +
           "' is not a frequency (type it as 4.353000E8)";
}

constexpr double kLowestReferenceHz = 1e6;
constexpr double kHighestReferenceHz = 1e10;

} // namespace

ClassicStation::ClassicStation(TFMain& form) : form_(form) {
    form_.add_observer(this);
}

Result ClassicStation::click(Control& control, const std::string& refusal) {
    if (!form_.Click(control.name())) {
        return Result::refused(refusal);
    }
    return Result::done();
}

Result ClassicStation::tune(Side side) {
    const SideControls& c = controls(side);
    Control& button = form_.*c.tune;
    const std::string name = std::string("Tune ") + c.name;
    if (!button.enabled()) {
        return Result::refused(name + (form_.RadioButton2.checked() && side == Side::Rx
                                           ? " does not work at the 25 Hz step"
                                           : " waits for the satellite above the horizon"));
    }
    if (form_.closed_mode()) {
        return from_why(form_.StartLoopAtReference(side));
    }
    const Control& reference = form_.*c.reference;
    if (!reads_as_frequency(reference.text())) {
        return Result::refused(not_a_frequency(reference, c.name));
    }
    return click(button, name + " is not available now");
}

Result ClassicStation::start_tracking(Side side) {
    const SideControls& c = controls(side);
    Control& button = form_.*c.start_tracking;
    const std::string name = std::string("Start Tracking ") + c.name;
    if (!button.enabled()) {
        return Result::refused(name + " waits for the satellite above the horizon");
    }
    if (form_.closed_mode()) {
        return from_why(form_.StartLoopAtDoppler(side));
    }
    return click(button, name + " is not available now");
}

Result ClassicStation::can_reset(Side side) const {
    const SideControls& c = controls(side);
    const std::string name = std::string("Reset ") + c.name;
    if (!(form_.*c.reset).enabled()) {
        return Result::refused(name + " runs once after the end of a pass: not now");
    }
    if (!form_.closed_mode()) {
        return Result::done();
    }
    const Control& reference = form_.*c.reference;
    if (!reads_as_frequency(reference.text())) {
        return Result::refused(not_a_frequency(reference, c.name));
    }
    if (!form_.closed_loop.state(side).dial_hz) {
        return Result::refused(std::string("The ") + c.name +
                               " loop has counted no dial since the program started: nothing "
                               "to reset");
    }
    return Result::done();
}

Result ClassicStation::reset(Side side) {
    if (Result can = can_reset(side); !can.ok) {
        return can;
    }
    const SideControls& c = controls(side);
    if (form_.closed_mode()) {
        return from_why(form_.ResetLoop(side));
    }
    return click(form_.*c.reset, std::string("Reset ") + c.name + " is not available now");
}

Result ClassicStation::step(Side side, Dir dir) {
    const SideControls& c = controls(side);
    return click(form_.*(dir == Dir::Up ? c.up : c.down),
                 std::string(c.name) + (dir == Dir::Up ? " Freq. UP" : " Freq. DOWN") +
                     " is not available now");
}

Result ClassicStation::set_reference(Side side, double hz) {
    const SideControls& c = controls(side);
    const std::string text = FormatFixed(hz, 7, 5);
    if (!(hz >= kLowestReferenceHz && hz <= kHighestReferenceHz)) {
        return Result::refused(std::string("The ") + c.name + " reference " + text +
                               " is not a frequency between 1 MHz and 10 GHz");
    }
    if (!form_.Type((form_.*c.reference).name(), text)) {
        return Result::refused(std::string("The ") + c.name + " reference cannot be typed now");
    }
    dial_.set_reference(side, ParseNumber(text));
    return Result::done();
}

Result ClassicStation::set_step(int step_hz) {
    Control* radio = step_hz == 100    ? &form_.RadioButton1
                     : step_hz == 25   ? &form_.RadioButton2
                     : step_hz == 1000 ? &form_.RadioButton3
                                       : nullptr;
    if (!radio) {
        return Result::refused("No step of " + std::to_string(step_hz) +
                               " Hz: the steps are 25, 100 and 1000 Hz");
    }
    if (radio->checked()) {
        return Result::done();
    }
    return click(*radio, "The " + std::to_string(step_hz) + " Hz step cannot be chosen now");
}

Result ClassicStation::enable_hardware(bool on) {
    if (form_.CheckBox1.checked() == on) {
        return Result::done();
    }
    return click(form_.CheckBox1, "\"Enable hardware\" cannot be changed now");
}

Result ClassicStation::set_mode(TrackingMode mode) {
    form_.SetTrackingMode(mode);
    return Result::done();
}

Result ClassicStation::configure_loop(const LoopSettings& settings) {
    form_.closed_loop.configure(settings);
    return Result::done();
}

// Classic trains are stopped out of band, while the engine thread runs them; here only the
// closed loop's.
Result ClassicStation::stop(std::optional<Side> side) {
    if (!form_.closed_mode()) {
        return Result::refused("A classic train is stopped while it runs, not from the queue");
    }
    form_.StopTrains(side);
    return Result::done();
}

void ClassicStation::take_tracking(const std::string& text) {
    form_.TrackingDataEx.receive(text);
}

double step_in_force_hz(const TFMain& form) {
    if (form.RadioButton2.checked()) {
        return 25;
    }
    if (form.RadioButton3.checked()) {
        return 1000;
    }
    return 100;
}

std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side) {
    const std::optional<double> counted =
        form.closed_mode() ? form.closed_loop.state(side).dial_hz : std::nullopt;
    return counted ? counted : estimate.dial_hz(side);
}

void ClassicStation::tell(const PulseSent& pulse) {
    for (StationListener* listener : listeners_) {
        listener->pulse_sent(pulse);
    }
}

void ClassicStation::lines_written(std::optional<std::uint8_t> lines) {
    const std::optional<std::uint8_t> before = lines_;
    lines_ = lines;
    if (!lines) {
        return;
    }
    if (!before) {
        dial_.resync(*lines); // after unknown lines no edge can be told
        return;
    }
    dial_.written(*lines, step_in_force_hz(form_));
    if (form_.closed_mode()) {
        return; // the loop tells its presses itself
    }
    for (const Line& line : kLines) {
        if (!high(*before, line.channel) && high(*lines, line.channel)) {
            tell({line.side, line.dir, form_.pulse_origin(), dial_.dial_hz(line.side)});
        }
    }
}

void ClassicStation::loop_pressed(const LoopPress& press) {
    if (!form_.closed_mode()) {
        return;
    }
    const PulseOrigin origin = press.origin == PressOrigin::Loop    ? PulseOrigin::Loop
                               : press.origin == PressOrigin::Reset ? PulseOrigin::Reset
                                                                    : PulseOrigin::Manual;
    const int sign = press.direction == PressDirection::Up ? 1 : -1;
    std::optional<double> dial = dial_hz(press.side);
    // The loop tells a press before its edge is written: a dial counted from the lines has not
    // taken it yet.
    if (dial && !form_.closed_loop.state(press.side).dial_hz) {
        *dial += sign * step_in_force_hz(form_);
    }
    tell({press.side, sign > 0 ? Dir::Up : Dir::Down, origin, dial});
}

// A pass starts at the first update the pass supervisor found above the horizon and ends at the
// one it took for the end.
void ClassicStation::update_applied(const PassVerdict& verdict) {
    if (form_.TrackingDataEx.Text().empty()) {
        return; // the link could not deliver: no update
    }
    const TSatData& data = form_.SatData;
    TrackingApplied applied{data.SatName,  form_.AosText,
                            data.Azimuth,  data.Elevation,
                            data.Downlink, data.Uplink,
                            false,         false,
                            false,         {dial_hz(Side::Rx), dial_hz(Side::Tx)}};
    applied.starts_pass = !in_pass_ && verdict.above;
    in_pass_ = in_pass_ || applied.starts_pass;
    applied.in_pass = in_pass_;
    applied.ends_pass = in_pass_ && verdict.end_of_pass;
    if (verdict.end_of_pass) {
        in_pass_ = false;
    }
    for (StationListener* listener : listeners_) {
        listener->tracking_applied(applied);
    }
}

void ClassicStation::train_progress(const TrainProgress& progress) {
    for (StationListener* listener : listeners_) {
        listener->train_progress(progress);
    }
}

void ClassicStation::loop_behind(Side side, int steps) {
    for (StationListener* listener : listeners_) {
        listener->loop_behind(side, steps);
    }
}

void ClassicStation::loop_tuning_ahead(Side side, std::int64_t aos_in_ms) {
    for (StationListener* listener : listeners_) {
        listener->loop_tuning_ahead(side, aos_in_ms);
    }
}

void ClassicStation::loop_reach(Side side, bool in_reach, double heard_hz) {
    for (StationListener* listener : listeners_) {
        listener->loop_reach(side, in_reach, heard_hz);
    }
}

void ClassicStation::loop_late_press(Side side, std::int64_t held_ms) {
    for (StationListener* listener : listeners_) {
        listener->loop_late_press(side, held_ms);
    }
}

void ClassicStation::control_changed(const Control& control, Change what) {
    if (&control == &form_.l_dd && what == Change::Text) {
        for (StationListener* listener : listeners_) {
            listener->link_state({control.text() == "Opened"});
        }
        return;
    }
    for (const Side side : {Side::Rx, Side::Tx}) {
        const SideControls& c = controls(side);
        if (what == Change::Enabled && &control == &(form_.*c.reset)) {
            for (StationListener* listener : listeners_) {
                listener->reset_ready({side, control.enabled()});
            }
            return;
        }
        if (what != Change::LineAdded ||
            (&control != &(form_.*c.logs[0]) && &control != &(form_.*c.logs[1]))) {
            continue;
        }
        const std::string& line = control.lines().back();
        // The counters of a train are its own; the words are events.
        if (line.find_first_not_of("0123456789") == std::string::npos) {
            return;
        }
        for (StationListener* listener : listeners_) {
            listener->side_log({side, line});
        }
        return;
    }
}

} // namespace dopplex
