#include "base/numtext.h"
#include "classic/tfmain.h"
#include "keying/pulses.h"

#include <cmath>

namespace dopplex {

namespace {

using Field = Control TFMain::*;

struct LoopButtons {
    Field reference;
    Field reset;
    Field doppler; // "Current Doppler (rounded)"
    const char* name;
};

const LoopButtons& buttons(Side side) {
    static const LoopButtons rx{&TFMain::Edit1, &TFMain::Button22, &TFMain::Edit7, "RX"};
    static const LoopButtons tx{&TFMain::Edit13, &TFMain::Button23, &TFMain::Edit22, "TX"};
    return side == Side::Rx ? rx : tx;
}

std::optional<double> typed_reference(const Control& reference) {
    try {
        const double hz = ParseNumber(reference.text());
        if (hz > 0) {
            return hz;
        }
    } catch (const EConvertError&) {
    }
    return std::nullopt;
}

} // namespace

void TFMain::SetTrackingMode(TrackingMode mode) {
    if (closed_mode() && mode != TrackingMode::Closed) {
        for (Side side : {Side::Rx, Side::Tx}) {
            closed_loop.stop(side);
        }
        // The loop told the guard its own press lengths; classic presses last a half-period.
        for (Channel c : {Channel::RxUp, Channel::RxDown, Channel::TxUp, Channel::TxDown}) {
            latch.set_press_length(c, kHalfPeriodMs);
        }
    }
    tracking_mode = mode;
}

void TFMain::StopTrains(std::optional<Side> side) {
    if (!closed_mode()) {
        return;
    }
    for (Side s : {Side::Rx, Side::Tx}) {
        if (side && *side != s) {
            continue;
        }
        if (closed_loop.stop_train(s) != PressOrigin::Reset) {
            continue;
        }
        Control& reset = this->*buttons(s).reset;
        spent_resets_.erase(&reset);
        reset.set_enabled(true);
    }
}

void TFMain::ManualPress(Channel channel) {
    if (!closed_mode()) {
        const OriginScope origin(pulse_origin_, PulseOrigin::Manual);
        SinglePulse(latch, host_, channel);
        return;
    }
    const Side side = channel == Channel::RxUp || channel == Channel::RxDown ? Side::Rx : Side::Tx;
    const bool up = channel == Channel::RxUp || channel == Channel::TxUp;
    closed_loop.operator_press(side, up ? PressDirection::Up : PressDirection::Down);
}

// The end of a pass by the classic rule, from the elevation as the form shows it (one decimal).
void TFMain::FollowUpdate() {
    const double el = ParseNumber(FormatFixed(SatData.Elevation, 4, 1));
    const bool at_aos = closed_loop.settings().start_at_aos;
    for (Side side : {Side::Rx, Side::Tx}) {
        closed_loop.set_reference(side, typed_reference(this->*buttons(side).reference));
    }
    const PassEdge edge = closed_loop.update(SatData.SatName, el, SatData.Downlink, SatData.Uplink);
    // Every step of the loop can tune, 25 Hz included.
    Button1.set_enabled(el > 0);
    // A side that started ahead of AOS (or by the operator) goes on from where its dial is.
    if (edge == PassEdge::Aos && at_aos) {
        for (Side side : {Side::Rx, Side::Tx}) {
            if (!closed_loop.state(side).tracking) {
                report_refusal(StartLoopAtReference(side));
            }
        }
    }
    // What classic tracking shows at its ticks: the Doppler frequency at the side's step less
    // the reference.
    for (Side side : {Side::Rx, Side::Tx}) {
        const LoopButtons& b = buttons(side);
        const std::optional<double> reference = typed_reference(this->*b.reference);
        if (!closed_loop.state(side).tracking || !reference) {
            continue;
        }
        const double step_hz = static_cast<double>(closed_loop.settings().side(side).step_hz);
        const double doppler_hz = side == Side::Rx ? SatData.Downlink : SatData.Uplink;
        (this->*b.doppler)
            .set_text(FormatGeneral(std::round(doppler_hz / step_hz) * step_hz - *reference));
    }
}

void TFMain::report_refusal(const std::optional<std::string>& why) {
    if (why) {
        loop_.report_error(*why);
    }
}

namespace {
std::string not_a_frequency(const Control& reference, const char* name) {
    return std::string("The ") + name + " reference '" + reference.text() +
           "' is not a frequency (type it as 4.353000E8): its loop sends no press";
}
} // namespace

// Tune and Start Tracking never move a running side's dial count: they only start its loop
// again from where the dial is.
std::optional<std::string> TFMain::StartLoopAtReference(Side side) {
    if (closed_loop.restart(side)) {
        return std::nullopt;
    }
    const LoopButtons& b = buttons(side);
    const std::optional<double> hz = typed_reference(this->*b.reference);
    if (!hz) {
        return not_a_frequency(this->*b.reference, b.name);
    }
    closed_loop.start(side, *hz);
    return std::nullopt;
}

std::optional<std::string> TFMain::StartLoopAtDoppler(Side side) {
    if (closed_loop.restart(side)) {
        return std::nullopt;
    }
    const std::optional<double> hz = closed_loop.doppler_now(side);
    if (!hz) {
        return std::string("No Doppler frequency from the tracker yet: the ") + buttons(side).name +
               " loop does not start";
    }
    closed_loop.start(side, *hz);
    return std::nullopt;
}

std::optional<std::string> TFMain::ResetLoop(Side side) {
    const LoopButtons& b = buttons(side);
    const std::optional<double> hz = typed_reference(this->*b.reference);
    if (!hz) {
        return not_a_frequency(this->*b.reference, b.name);
    }
    if (!closed_loop.reset(side, *hz)) {
        return std::string("The ") + b.name +
               " loop has counted no dial since the program started: nothing to reset";
    }
    (this->*b.reset).set_enabled(false);
    spent_resets_.insert(&(this->*b.reset));
    return std::nullopt;
}

} // namespace dopplex
