// The station over the classic engine's form (TFMain), in either tracking mode: the one place
// outside the engine that knows its controls by name. It turns each command into the form's own
// input and checks what the form did with it; it turns the form's changes, the lines written and
// the closed loop's presses into typed events, counting each side's dial on the way.
// Engine thread only; the port's writes reach lines_written() on that thread.
#pragma once

#include "cat/loop_target.h"
#include "classic/form_observer.h"
#include "classic/tfmain.h"
#include "keying/dial_estimate.h"
#include "station.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dopplex {

// The step the radio buttons select.
double step_in_force_hz(const TFMain& form);
// A side's dial: in closed mode the loop's own count once a start has given it, otherwise (and
// before) `estimate`, counted from the lines and the reference.
std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side);

class ClassicStation final : public Station, private FormObserver {
public:
    explicit ClassicStation(TFMain& form);
    ClassicStation(const ClassicStation&) = delete;
    ClassicStation& operator=(const ClassicStation&) = delete;

    void add_listener(StationListener* listener) override { listeners_.push_back(listener); }
    RadioKind radio(Side side) const override {
        return radios_[static_cast<std::size_t>(side)] ? RadioKind::Set : RadioKind::PushButtons;
    }
    void set_radio(Side side, SideRadio* radio) override {
        radios_[static_cast<std::size_t>(side)] = radio;
        form_.closed_loop.set_radio(side, radio);
    }
    SideTarget& radio_target() override { return target_; }

    Result tune(Side side) override;
    Result start_tracking(Side side) override;
    Result reset(Side side) override;
    Result can_reset(Side side) const override;
    Result step(Side side, Dir dir) override;
    Result set_reference(Side side, double hz) override;
    Result set_step(int step_hz) override;
    Result enable_hardware(bool on) override;
    Result set_mode(TrackingMode mode) override;
    Result configure_loop(const LoopSettings& settings) override;
    void keep_loop_offsets(std::map<std::string, std::array<double, 2>> offsets) override {
        form_.closed_loop.keep_offsets(std::move(offsets));
    }
    Result stop(std::optional<Side> side) override;
    void end_loop(Side side) override { form_.closed_loop.stop(side); }
    void take_tracking(const std::string& text) override;

    bool closed_mode() const override { return form_.closed_mode(); }
    const LoopSideState& loop_state(Side side) const override {
        return form_.closed_loop.state(side);
    }

    // The byte now on the lines; none when the port failed and the lines are unknown.
    void lines_written(std::optional<std::uint8_t> lines);
    // A reference the operator is done with and that reads right: the side's dial count starts
    // from it.
    void reference_done(Side side, double reference_hz) { dial_.set_reference(side, reference_hz); }
    std::optional<double> dial_hz(Side side) const { return dopplex::dial_hz(form_, dial_, side); }

private:
    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string&) override {}
    void train_progress(const TrainProgress& progress) override;
    void update_applied(const PassVerdict& verdict) override;
    void loop_pressed(const LoopPress& press) override;
    void loop_behind(Side side, int steps) override;
    void loop_tuning_ahead(Side side, std::int64_t aos_in_ms) override;
    void loop_reach(Side side, bool in_reach, double heard_hz) override;
    void loop_late_press(Side side, std::int64_t held_ms) override;
    void tell(const PulseSent& pulse);
    Result click(Control& control, const std::string& refusal);

    TFMain& form_;
    LoopTarget target_{form_.closed_loop};
    std::array<SideRadio*, 2> radios_{};
    DialEstimate dial_;
    std::vector<StationListener*> listeners_;
    std::optional<std::uint8_t> lines_{0};
    bool in_pass_ = false;
};

} // namespace dopplex
