#include "dial_watch.h"

#include "form_readings.h"

namespace dopplex::app {

void DialWatch::attach(TFMain& form) {
    form_ = &form;
    form.add_observer(this);
}

void DialWatch::Out32(std::uint16_t address, std::uint8_t data) {
    port_.Out32(address, data);
    if (!form_) {
        return;
    }
    estimate_.written(data, step_in_force_hz(*form_));
    publish();
}

void DialWatch::set_reference(Side side, double reference_hz) {
    estimate_.set_reference(side, reference_hz);
    if (form_) {
        publish();
    }
}

void DialWatch::control_changed(const Control& control, Change what) {
    const std::string& name = control.name();
    if (what == Change::Text && (name == "l_df" || name == "l_uf")) {
        publish();
    }
}

void DialWatch::publish() {
    for (const Side side : {Side::Rx, Side::Tx}) {
        const double doppler_hz =
            side == Side::Rx ? form_->SatData.Downlink : form_->SatData.Uplink;
        const double offset_hz = aim_offset_hz(*form_, side);
        DialReading reading{side, dial_hz(*form_, estimate_, side), std::nullopt, offset_hz};
        if (doppler_hz > 0 && reading.dial_hz) {
            reading.difference_hz = *reading.dial_hz - doppler_hz - offset_hz;
        }
        std::optional<DialReading>& last = last_[static_cast<int>(side)];
        if (last == reading) {
            continue;
        }
        last = reading;
        if (listener_) {
            listener_(reading);
        }
    }
}

} // namespace dopplex::app
