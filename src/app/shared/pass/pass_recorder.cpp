#include "pass_recorder.h"

namespace dopplex::app {

void PassRecorder::pulse_sent(const PulseSent& pulse) {
    const PulseRecord record{utc_ms_(), pulse.side, pulse.dir, pulse.origin, pulse.dial_hz};
    for (PassObserver* observer : observers_) {
        observer->pulse_sent(record);
    }
}

void PassRecorder::cat_reported(Side side, const std::string& line) {
    const CatRecord record{utc_ms_(), side, line};
    for (PassObserver* observer : observers_) {
        observer->cat_reported(record);
    }
}

void PassRecorder::tracking_applied(const TrackingApplied& applied) {
    const TrackingPoint point{utc_ms_(),         applied.sat,     applied.aos_text,
                              applied.el_deg,    applied.az_deg,  applied.downlink_hz,
                              applied.uplink_hz, applied.in_pass, applied.dial_hz,
                              applied.ends_pass};
    for (PassObserver* observer : observers_) {
        if (applied.starts_pass) {
            observer->pass_started(point);
        }
        observer->tracking_update(point);
    }
}

} // namespace dopplex::app
