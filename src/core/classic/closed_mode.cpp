#include "base/numtext.h"
#include "classic/tfmain.h"
#include "keying/pulses.h"

namespace dopplex {

namespace {

using Field = Control TFMain::*;

struct LoopButtons {
    Field reference;
    Field reset;
    const char* name;
};

const LoopButtons& buttons(Side side) {
    static const LoopButtons rx{&TFMain::Edit1, &TFMain::Button22, "RX"};
    static const LoopButtons tx{&TFMain::Edit13, &TFMain::Button23, "TX"};
    return side == Side::Rx ? rx : tx;
}

std::optional<double> typed_reference(const Control& reference) {
    try {
        const double hz = ParseNumber(reference.text());
        if (hz > 0)
            return hz;
    } catch (const EConvertError&) {
    }
    return std::nullopt;
}

} // namespace

void TFMain::SetTrackingMode(TrackingMode mode) {
    if (closed_mode() && mode != TrackingMode::Closed) {
        for (Side side : {Side::Rx, Side::Tx})
            closed_loop.stop(side);
        // The loop told the guard its own press lengths; classic presses last a half-period.
        for (Channel c : {Channel::RxUp, Channel::RxDown, Channel::TxUp, Channel::TxDown})
            latch.set_press_length(c, kHalfPeriodMs);
    }
    tracking_mode = mode;
}

void TFMain::StopTrains(std::optional<Side> side) {
    if (!closed_mode())
        return;
    for (Side s : {Side::Rx, Side::Tx}) {
        if (side && *side != s)
            continue;
        if (closed_loop.stop_train(s) != PressOrigin::Reset)
            continue;
        Control& reset = this->*buttons(s).reset;
        spent_resets_.erase(&reset);
        reset.set_enabled(true);
    }
}

void TFMain::ManualPress(Channel channel) {
    if (!closed_mode()) {
        SinglePulse(latch, host_, channel);
        return;
    }
    const Side side = channel == Channel::RxUp || channel == Channel::RxDown ? Side::Rx : Side::Tx;
    const bool up = channel == Channel::RxUp || channel == Channel::TxUp;
    closed_loop.operator_press(side, up ? PressDirection::Up : PressDirection::Down);
}

// The end of a pass by the classic rule, from the elevation as the form shows it.
void TFMain::FollowUpdate() {
    const double el = ParseNumber(Edit9.text());
    const bool at_aos = closed_loop.settings().start_at_aos;
    if (at_aos)
        for (Side side : {Side::Rx, Side::Tx})
            closed_loop.expect_aos_from(side, typed_reference(this->*buttons(side).reference));
    const PassEdge edge = closed_loop.update(SatData.SatName, el, SatData.Downlink, SatData.Uplink);
    // Every step of the loop can tune, 25 Hz included.
    Button1.set_enabled(el > 0);
    // A side that started ahead of AOS (or by the operator) goes on from where its dial is.
    if (edge == PassEdge::Aos && at_aos)
        for (Side side : {Side::Rx, Side::Tx})
            if (!closed_loop.state(side).tracking)
                StartLoopAtReference(side);
}

namespace {
std::optional<double> reference_or_report(const Control& reference, const char* name,
                                          EventLoop& loop) {
    if (const std::optional<double> hz = typed_reference(reference))
        return hz;
    loop.report_error(std::string("The ") + name + " reference '" + reference.text() +
                      "' is not a frequency (type it as 4.353000E8): its loop sends no press");
    return std::nullopt;
}
} // namespace

// Tune and Start Tracking never move a running side's dial count: they only start its loop
// again from where the dial is.
void TFMain::StartLoopAtReference(Side side) {
    if (closed_loop.restart(side))
        return;
    const LoopButtons& b = buttons(side);
    if (const std::optional<double> hz = reference_or_report(this->*b.reference, b.name, loop_))
        closed_loop.start(side, *hz);
}

void TFMain::StartLoopAtDoppler(Side side) {
    if (closed_loop.restart(side))
        return;
    if (const std::optional<double> hz = closed_loop.doppler_now(side))
        closed_loop.start(side, *hz);
    else
        loop_.report_error(std::string("No Doppler frequency from the tracker yet: the ") +
                           buttons(side).name + " loop does not start");
}

void TFMain::ResetLoop(Side side) {
    const LoopButtons& b = buttons(side);
    const std::optional<double> hz = reference_or_report(this->*b.reference, b.name, loop_);
    if (!hz)
        return;
    if (!closed_loop.reset(side, *hz)) {
        loop_.report_error(std::string("The ") + b.name +
                           " loop has counted no dial since the program started: nothing to reset");
        return;
    }
    (this->*b.reset).set_enabled(false);
    spent_resets_.insert(&(this->*b.reset));
}

} // namespace dopplex
