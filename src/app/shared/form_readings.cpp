#include "form_readings.h"

#include "station/classic_station.h"

namespace dopplex::app {

std::optional<double> dial_hz(const TFMain& form, const DialEstimate& estimate, Side side) {
    return dopplex::dial_hz(form, estimate, side);
}

double aim_offset_hz(const TFMain& form, Side side) {
    return form.closed_mode() ? form.closed_loop.state(side).offset_hz : 0;
}

double step_in_force_hz(const TFMain& form) {
    return dopplex::step_in_force_hz(form);
}

} // namespace dopplex::app
