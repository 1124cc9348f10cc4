#include "pass_recorder.h"

#include "form_readings.h"

#include <map>
#include <string>
#include <utility>

namespace dopplex::app {

namespace {

// The buttons and stages that take the engine's focus before they press a radio's buttons; a
// pulse inside an operator input is manual unless one of them took the focus first.
PulseSource source_of_focus(const std::string& name, PulseSource current) {
    static const std::map<std::string, PulseSource> sources = {
        {"Button1", PulseSource::Tune},    {"Button12", PulseSource::Tune},
        {"Button4", PulseSource::Tune},    {"Button5", PulseSource::Tune},
        {"Button13", PulseSource::Tune},   {"Button14", PulseSource::Tune},
        {"Button7", PulseSource::Adjust},  {"Button9", PulseSource::Adjust},
        {"Button15", PulseSource::Adjust}, {"Button16", PulseSource::Adjust},
        {"Button8", PulseSource::Adjust},  {"Button10", PulseSource::Adjust},
        {"Button17", PulseSource::Adjust}, {"Button18", PulseSource::Adjust},
        {"Button22", PulseSource::Reset},  {"Button23", PulseSource::Reset},
        {"Button24", PulseSource::Reset},  {"Button25", PulseSource::Reset},
        {"Button2", PulseSource::Manual},  {"Button3", PulseSource::Manual},
        {"Button20", PulseSource::Manual}, {"Button21", PulseSource::Manual},
    };
    const auto found = sources.find(name);
    return found == sources.end() ? current : found->second;
}

struct Line {
    Channel channel;
    Side side;
    Direction direction;
};
constexpr Line kLines[] = {
    {Channel::RxUp, Side::Rx, Direction::Up},
    {Channel::RxDown, Side::Rx, Direction::Down},
    {Channel::TxUp, Side::Tx, Direction::Up},
    {Channel::TxDown, Side::Tx, Direction::Down},
};

bool high(std::uint8_t byte, Channel channel) {
    return ((byte >> static_cast<int>(channel)) & 1) != 0;
}

} // namespace

PassRecorder::PassRecorder(TFMain& form, DialEstimate& dial, UtcClock utc_ms)
    : form_(form), dial_(dial), utc_ms_(std::move(utc_ms)) {}

void PassRecorder::attach() {
    form_.add_observer(this);
    auto engine_change = form_.TrackingDataEx.OnChange;
    form_.TrackingDataEx.OnChange = [this, engine_change] {
        if (engine_change)
            engine_change();
        tracking_applied();
    };
}

void PassRecorder::run_handler(EventKind kind, const std::function<void()>& handler) {
    const std::optional<PulseSource> outer = handler_source_;
    handler_source_ = kind == EventKind::Input  ? PulseSource::Manual
                      : kind == EventKind::Tick ? PulseSource::Tracking
                                                : PulseSource::Other;
    try {
        handler();
    } catch (...) {
        handler_source_ = outer;
        throw;
    }
    handler_source_ = outer;
}

void PassRecorder::focus_moved(const std::string& control_name) {
    if (handler_source_ == PulseSource::Manual || handler_source_ == PulseSource::Tune ||
        handler_source_ == PulseSource::Adjust || handler_source_ == PulseSource::Reset)
        handler_source_ = source_of_focus(control_name, *handler_source_);
}

void PassRecorder::control_changed(const Control&, Change) {}

void PassRecorder::reference_done(Side side, double reference_hz) {
    dial_.set_reference(side, reference_hz);
}

void PassRecorder::lines_written(std::optional<std::uint8_t> lines) {
    const std::optional<std::uint8_t> before = lines_;
    lines_ = lines;
    if (!lines)
        return;
    if (!before) {
        dial_.resync(*lines); // after unknown lines no edge can be told
        return;
    }
    dial_.written(*lines, step_in_force_hz(form_));
    if (form_.closed_mode())
        return;
    for (const Line& line : kLines) {
        if (high(*before, line.channel) || !high(*lines, line.channel))
            continue;
        const PulseRecord pulse{utc_ms_(), line.side, line.direction,
                                handler_source_.value_or(PulseSource::Other),
                                dial_.dial_hz(line.side)};
        for (PassObserver* observer : observers_)
            observer->pulse_sent(pulse);
    }
}

void PassRecorder::loop_pressed(const LoopPress& press) {
    if (!form_.closed_mode())
        return;
    const PulseSource source = press.origin == PressOrigin::Loop    ? PulseSource::Loop
                               : press.origin == PressOrigin::Reset ? PulseSource::Reset
                                                                    : PulseSource::Manual;
    const PulseRecord pulse{utc_ms_(), press.side,
                            press.direction == PressDirection::Up ? Direction::Up : Direction::Down,
                            source, dial_hz(form_, dial_, press.side)};
    for (PassObserver* observer : observers_)
        observer->pulse_sent(pulse);
}

// After the engine applied an update: a pass starts at the first update the pass supervisor
// found above the horizon and ends at the one it took for the end.
void PassRecorder::tracking_applied() {
    const std::optional<PassVerdict> verdict = std::exchange(verdict_, std::nullopt);
    if (form_.TrackingDataEx.Text().empty() || !verdict)
        return; // the link could not deliver, or the supervisor did not judge it: no update
    const TSatData& data = form_.SatData;
    TrackingPoint point{utc_ms_(),
                        data.SatName,
                        form_.AosText,
                        data.Elevation,
                        data.Azimuth,
                        data.Downlink,
                        data.Uplink,
                        false,
                        {dial_hz(form_, dial_, Side::Rx), dial_hz(form_, dial_, Side::Tx)}};
    const bool starts = !in_pass_ && verdict->above;
    in_pass_ = in_pass_ || starts;
    point.in_pass = in_pass_;
    point.ends_pass = in_pass_ && verdict->end_of_pass;
    for (PassObserver* observer : observers_) {
        if (starts)
            observer->pass_started(point);
        observer->tracking_update(point);
    }
    if (verdict->end_of_pass)
        in_pass_ = false;
}

} // namespace dopplex::app
