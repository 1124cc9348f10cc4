#include "base/numtext.h"
#include "classic/side_tables.h"
#include "classic/tfmain.h"

namespace dopplex {

namespace {
constexpr std::int64_t kCatchUpHoldMs = 200;
} // namespace

// Sends the drift since the Tune when it reaches one step, else starts tracking at once.
// At 1000 Hz the quotient comes from the 100 Hz quantisation and is rarely whole, so the count
// is rounded (halves to even) before the train reads it as an integer.
void TFMain::Adjust(const AdjustStage& stage) {
    const double r = ParseNumber((this->*stage.reference).text());
    const double q = ParseNumber((this->*stage.quantised).text());
    const double now = q - r;
    const double then = ParseNumber((this->*stage.outset).text());

    double step_hz = 0;
    TimerId timer{};
    if (step_selected(RadioButton1)) {
        step_hz = 100;
        timer = stage.timers->step100;
    } else if (step_selected(RadioButton3)) {
        step_hz = 1000;
        timer = stage.timers->step1000;
    } else {
        return; // the 25 Hz step has no catch-up and starts no tracking here
    }

    const double k = (then - now) / step_hz;
    Control& catch_up = this->*stage.catch_up_stage;
    if (k >= 1) {
        const double count = step_hz == 1000 ? static_cast<double>(RoundHalfEven(k)) : k;
        (this->*stage.catch_up_count).set_text(FormatGeneral(count));
        catch_up.set_enabled(true);
    } else {
        loop_.timers().start(timer, host_.now());
    }
    Fire(catch_up, kCatchUpHoldMs);
}

void TFMain::RunCatchUpStage(const CatchUpStage& stage) {
    RunStageTrain(this->*stage.stage, this->*stage.log,
                  {this->*stage.start, this->*stage.count, nullptr, stage.channel});
    StartTracking(*stage.timers);
    (this->*stage.stage).set_enabled(false);
}

} // namespace dopplex
