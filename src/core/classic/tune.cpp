#include "base/numtext.h"
#include "classic/side_tables.h"
#include "classic/tfmain.h"

namespace dopplex {

namespace {
constexpr std::int64_t kTrainHoldMs = 200;
constexpr std::int64_t kAdjustHoldMs = 250;
} // namespace

void TFMain::Button1Click() {
    Tune(kRxTune);
}
void TFMain::Button12Click() {
    Tune(kTxTune);
}

// Measures from the reference, as if the radio sat on it, and hands the count of steps to the
// UP or the DOWN train stage by its sign.
void TFMain::Tune(const TuneSide& side) {
    const OriginScope origin(pulse_origin_, PulseOrigin::Tune);
    Control& reference = this->*side.reference;
    Control& quantised = this->*side.quantised;
    Control& outset = this->*side.outset;

    if (CheckBox1.checked()) {
        latch.set_flag(side.tuned, false);
    }
    latch.write_channel_byte();

    const double r = ParseNumber(reference.text());
    const double q = ParseNumber(quantised.text());
    const double d = q - r;
    outset.set_text(FormatGeneral(d));

    const double d_again = ParseNumber(quantised.text()) - ParseNumber(reference.text());
    double count = 0;
    if (step_selected(RadioButton1)) {
        count = d_again / 100;
    }
    if (step_selected(RadioButton2)) {
        count = d_again / 100 * 4;
    }
    if (step_selected(RadioButton3)) {
        count = static_cast<double>(RoundHalfEven(d_again / 100 / 10));
    }

    if (count > 0) {
        (this->*side.up_count).set_text(FormatGeneral(count));
    }
    if (count < 0) {
        (this->*side.down_count).set_text(FormatGeneral(count));
    }
    outset.set_font_color(d > 0 ? kClMaroon : d < 0 ? kClYellow : kClWindowText);
    if (count > 0) {
        (this->*side.up_stage).set_enabled(true);
    }
    if (count < 0) {
        (this->*side.down_stage).set_enabled(true);
    }

    Fire(this->*side.up_stage, kTrainHoldMs);
    Fire(this->*side.down_stage, kTrainHoldMs);
}

void TFMain::RunTrainStage(const TrainStage& stage) {
    const OriginScope origin(pulse_origin_, PulseOrigin::Tune);
    Control& log = this->*stage.log;
    RunStageTrain(this->*stage.stage, log,
                  {this->*stage.start, this->*stage.count, &log, stage.channel});
    latch.set_flag(stage.tuned, true);
    latch.write_channel_byte();
    // The TX stages say "Blue" too, although their line lights the orange LED.
    log.add_line("Tuning complete !");
    log.add_line("Blue LED ON !");
    (this->*stage.adjust).set_enabled(true);
    Fire(this->*stage.adjust, kAdjustHoldMs);
    (this->*stage.stage).set_enabled(false);
}

} // namespace dopplex
