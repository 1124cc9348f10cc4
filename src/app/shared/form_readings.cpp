#include "form_readings.h"

#include "console/numtext/numtext.h"

namespace dopplex::app {

std::optional<double> reference_hz(const Control& edit) {
    try {
        return ParseNumber(edit.text());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

double step_in_force_hz(const TFMain& form) {
    if (form.RadioButton2.checked())
        return 25;
    if (form.RadioButton3.checked())
        return 1000;
    return 100;
}

} // namespace dopplex::app
