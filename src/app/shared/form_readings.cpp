#include "form_readings.h"

namespace dopplex::app {

double step_in_force_hz(const TFMain& form) {
    if (form.RadioButton2.checked())
        return 25;
    if (form.RadioButton3.checked())
        return 1000;
    return 100;
}

} // namespace dopplex::app
