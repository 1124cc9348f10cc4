#include "base/numtext.h"
#include "classic/side_tables.h"
#include "classic/tfmain.h"

namespace dopplex {

namespace {
constexpr std::int64_t kPreFireMs = 1000;

std::string StopLine(const TrainOutcome& outcome) {
    return "Stopped: " + FormatInteger(outcome.sent) + " of " + FormatInteger(outcome.count) +
           " pulses sent" + (outcome.cut_short ? ", one more cut short" : "");
}
} // namespace

// A disarmed button refuses the press, so its release finds nothing pressed: only the hold is
// spent. An armed one takes the focus on the press and is clicked by the release.
void TFMain::Fire(Control& stage, std::int64_t hold_ms) {
    const bool armed = stage.enabled();
    if (armed) {
        host_.wait(kPreFireMs);
        set_focus(stage);
    }
    host_.wait(hold_ms);
    if (!armed) {
        return;
    }
    // The stage's guard reports its errors and lets the chain go on; a Stop ends the chain.
    bool stopped = false;
    loop_.guarded([&] {
        try {
            click_handlers_.at(stage.name())();
        } catch (const EStopped&) {
            stopped = true;
        }
    });
    if (stopped) {
        throw EStopped();
    }
}

void TFMain::RunStageTrain(Control& stage, Control& stop_log, PulseTrainSpec train) {
    train.progress = &train_progress_;
    const TrainOutcome outcome = PulseTrain(latch, host_, train);
    if (!outcome.stopped) {
        return;
    }
    stop_log.add_line(StopLine(outcome));
    stage.set_enabled(false);
    throw EStopped();
}

void TFMain::register_engine_handlers() {
    train_progress_ = [this](const TrainProgress& progress) {
        for (FormObserver* o : observers_) {
            o->train_progress(progress);
        }
    };
    closed_loop.tell_trains(&train_progress_);
    // Each button's classic handler, or in closed mode the loop's.
    const auto by_mode = [this](void (TFMain::*classic)(),
                                std::optional<std::string> (TFMain::*closed)(Side), Side side) {
        return [this, classic, closed, side] {
            if (closed_mode()) {
                report_refusal((this->*closed)(side));
            } else {
                (this->*classic)();
            }
        };
    };
    click_handlers_["Button1"] =
        by_mode(&TFMain::Button1Click, &TFMain::StartLoopAtReference, Side::Rx);
    click_handlers_["Button12"] =
        by_mode(&TFMain::Button12Click, &TFMain::StartLoopAtReference, Side::Tx);
    click_handlers_["Button11"] =
        by_mode(&TFMain::Button11Click, &TFMain::StartLoopAtDoppler, Side::Rx);
    click_handlers_["Button19"] =
        by_mode(&TFMain::Button19Click, &TFMain::StartLoopAtDoppler, Side::Tx);
    click_handlers_["Button22"] = by_mode(&TFMain::Button22Click, &TFMain::ResetLoop, Side::Rx);
    click_handlers_["Button23"] = by_mode(&TFMain::Button23Click, &TFMain::ResetLoop, Side::Tx);
    for (const TrainStage& s : train_stages()) {
        click_handlers_[(this->*s.stage).name()] = [this, &s] { RunTrainStage(s); };
    }
    for (const AdjustStage& s : adjust_stages()) {
        click_handlers_[(this->*s.button).name()] = [this, &s] { Adjust(s); };
    }
    for (const CatchUpStage& s : catch_up_stages()) {
        click_handlers_[(this->*s.stage).name()] = [this, &s] { RunCatchUpStage(s); };
    }
    for (const ResetSide* side : {&kRxReset, &kTxReset}) {
        click_handlers_[(this->*side->stage).name()] = [this, side] { RunResetStage(*side); };
    }
    loop_.set_tick_handler([this](int timer) { TimerTick(timer); });
}

} // namespace dopplex
