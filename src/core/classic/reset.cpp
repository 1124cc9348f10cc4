#include "base/numtext.h"
#include "classic/side_tables.h"
#include "classic/tfmain.h"

namespace dopplex {

namespace {
constexpr std::int64_t kResetHoldMs = 200;
} // namespace

void TFMain::Button22Click() {
    Reset(kRxReset);
}
void TFMain::Button23Click() {
    Reset(kTxReset);
}

// Steps back by the difference the tracking last showed, not by the pulses sent, so manual
// corrections stay. The direction is fixed by the side: RX up, TX down.
void TFMain::Reset(const ResetSide& side) {
    const OriginScope origin(pulse_origin_, PulseOrigin::Reset);
    const double d = ParseNumber((this->*side.difference).text());
    double n = 0;
    if (step_selected(RadioButton1)) {
        n = d / 100;
    } else if (step_selected(RadioButton2)) {
        n = static_cast<double>(RoundHalfEven(d / 100 * 4));
    } else if (step_selected(RadioButton3)) {
        n = static_cast<double>(RoundHalfEven(d / 100 / 10));
    }
    (this->*side.count).set_text(FormatGeneral(n));
    Control& stage = this->*side.stage;
    stage.set_enabled(true);
    Fire(stage, kResetHoldMs);
}

void TFMain::RunResetStage(const ResetSide& side) {
    const OriginScope origin(pulse_origin_, PulseOrigin::Reset);
    Control& log = this->*side.log;
    RunStageTrain(this->*side.stage, log,
                  {this->*side.start, this->*side.count, &log, side.channel});
    log.add_line(side.message);
    (this->*side.button).set_enabled(false);
    spent_resets_.insert(&(this->*side.button));
}

} // namespace dopplex
