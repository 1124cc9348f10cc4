#include "form_readings.h"

namespace dopplex::app {

std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side) {
    const std::optional<double> counted =
        form.closed_mode() ? form.closed_loop.state(side).dial_hz : std::nullopt;
    return counted ? counted : estimate.dial_hz(side);
}

double aim_offset_hz(const TFMain& form, Side side) {
    return form.closed_mode() ? form.closed_loop.state(side).offset_hz : 0;
}

double step_in_force_hz(const TFMain& form) {
    if (form.RadioButton2.checked())
        return 25;
    if (form.RadioButton3.checked())
        return 1000;
    return 100;
}

} // namespace dopplex::app
