#include "base/numtext.h"
#include "classic/side_tables.h"
#include "classic/tfmain.h"

#include <cmath>

namespace dopplex {

void TFMain::Button11Click() {
    StartTracking(kRxTimers);
}
void TFMain::Button19Click() {
    StartTracking(kTxTimers);
}

// Each step is tested on its own; starting a running timer keeps its phase.
void TFMain::StartTracking(const StepTimers& timers) {
    if (step_selected(RadioButton1)) {
        loop_.timers().start(timers.step100, host_.now());
    }
    if (step_selected(RadioButton2)) {
        loop_.timers().start(timers.step25, host_.now());
    }
    if (step_selected(RadioButton3)) {
        loop_.timers().start(timers.step1000, host_.now());
    }
}

void TFMain::TimerTick(int timer) {
    const OriginScope origin(pulse_origin_, PulseOrigin::Tracking);
    const TrackingTimer& row = tracking_timers()[timer];
    std::optional<std::string>& last_error = last_tick_error_[timer];
    try {
        const double r = ParseNumber((this->*row.reference).text());
        const double q = ParseNumber((this->*row.quantised).text());
        const double d = q - r;
        (this->*row.display).set_text(FormatGeneral(d));
        double& last = this->*row.last;
        // At most one pulse, re-anchored to d: a jump of several steps is not made up.
        if (std::fabs(d - last) >= row.threshold_hz) {
            SinglePulse(latch, host_, row.channel);
            last = d;
        }
        last_error.reset();
    } catch (const std::exception& e) {
        if (last_error == e.what()) {
            return;
        }
        last_error = e.what();
        loop_.report_error(e.what());
    }
}

} // namespace dopplex
