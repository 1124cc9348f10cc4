#include "base/numtext.h"
#include "classic/tfmain.h"

namespace dopplex {

// Changing the box from code behaves as a click only when its state really changes.
void TFMain::set_green_box(bool ticked) {
    if (CheckBox2.checked() == ticked) {
        return;
    }
    CheckBox2.set_checked(ticked);
    CheckBox2Click();
}

// Judges each update by its elevation alone; the one thing it remembers is which Reset was sent
// since the last update above the horizon. The end of a pass is an elevation that reads exactly
// -2.0, in either direction of motion.
void TFMain::UpdatePassState() {
    const double el = ParseNumber(Edit9.text());
    const bool above = el > 0;
    const bool below = el < 0;
    const bool end_of_pass = el == -2.0;

    Button1.set_enabled(above);
    if (step_selected(RadioButton2)) {
        Button1.set_enabled(false);
    }
    Button11.set_enabled(above);
    Button12.set_enabled(above);
    Button19.set_enabled(above);
    if (above) {
        Button22.set_enabled(false);
        Button23.set_enabled(false);
        spent_resets_.clear();
    }
    if (below) {
        for (Control* adjust : {&Button7, &Button9, &Button15, &Button16}) {
            adjust->set_enabled(false);
        }
    }
    if (end_of_pass) {
        for (Control* reset : {&Button22, &Button23}) {
            reset->set_enabled(spent_resets_.count(reset) == 0);
        }
        for (Control* memo : {&Memo1, &Memo2, &Memo3, &Memo4}) {
            memo->clear_lines();
        }
        Edit8.set_text("0");
        Edit19.set_text("0");
        for (int timer = Timer1; timer <= Timer6; ++timer) {
            loop_.timers().stop(timer);
        }
        latch.set_flag(Channel::RxTuned, false);
    }
    latch.write_channel_byte();
    if (end_of_pass) {
        latch.set_flag(Channel::TxTuned, false);
    }
    latch.write_channel_byte();
    if (above) {
        set_green_box(true);
    }
    if (end_of_pass) {
        set_green_box(false);
        latch.set_flag(Channel::GreenLed, false);
    }
    latch.write_channel_byte();
    verdict_ = PassVerdict{above, end_of_pass};
}

} // namespace dopplex
