// Follows the engine for the operator readouts: each tracking update the engine applied, each
// pulse that reached the port (a rising UP or DOWN line) with the handler that sent it, and the
// start and end of each pass as the engine's pass supervisor judged them (never by a rule of its
// own); feeds the dial estimate and tells the pass observers.
// Engine thread only: it is a form observer, a port status listener and the wrapper of every
// input and tick handler. It reads the form, never changes it, and never throws to the engine.
#pragma once

#include "classic/form_observer.h"
#include "classic/tfmain.h"
#include "keying/dial_estimate.h"
#include "pass_record.h"
#include "port/supervised_port.h"
#include "runtime/event.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace dopplex::app {

class PassRecorder final : public FormObserver, public port::PortStatusListener {
public:
    using UtcClock = std::function<std::int64_t()>; // ms since 1970 UTC

    PassRecorder(TFMain& form, DialEstimate& dial, UtcClock utc_ms);
    PassRecorder(const PassRecorder&) = delete;
    PassRecorder& operator=(const PassRecorder&) = delete;

    void add_observer(PassObserver* observer) { observers_.push_back(observer); }

    // Before the engine starts: hears the form's changes and the updates it applies.
    void attach();
    // Runs one handler of the loop; pulses sent inside it are put down to its kind (operator
    // input, or a tracking timer's tick).
    void run_handler(EventKind kind, const std::function<void()>& handler);
    // The byte now on the lines; none when the port failed and the lines are unknown.
    void lines_written(std::optional<std::uint8_t> lines);

    // A reference the operator is done with and that reads right (EngineSession::on_reference).
    void reference_done(Side side, double reference_hz);

    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string& control_name) override;
    void pass_judged(const PassVerdict& verdict) override { verdict_ = verdict; }
    // In closed mode the loop tells each press it sends; the lines' edges are not counted.
    void loop_pressed(const LoopPress& press) override;
    // Before the first write the lines are low; after a failed one they are unknown.
    void port_status_changed(const port::PortStatus& status) override {
        lines_written(status.lines || status.health == port::PortHealth::Failed
                          ? status.lines
                          : std::optional<std::uint8_t>(0));
    }

private:
    void tracking_applied();

    TFMain& form_;
    DialEstimate& dial_;
    UtcClock utc_ms_;
    std::vector<PassObserver*> observers_;
    std::optional<PulseSource> handler_source_;
    std::optional<std::uint8_t> lines_{0};
    std::optional<PassVerdict> verdict_; // the engine's, on the update being applied
    bool in_pass_ = false;
};

} // namespace dopplex::app
