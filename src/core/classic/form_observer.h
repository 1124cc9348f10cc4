// What a view of the main window is told: every change of a control, every move of the
// keyboard focus, how far a running pulse train has got and how the engine judged each applied
// tracking update. Called on the engine thread; a view on
// another thread must copy what it needs and hand it to its own thread.
#pragma once

#include "classic/controls/control.h"
#include "keying/train_progress.h"
#include "loop/loop_observer.h"

#include <string>

namespace dopplex {

// The pass supervisor's verdict on one applied update, by the elevation as the form shows it.
struct PassVerdict {
    bool above = false;       // above the horizon: a pass is on
    bool end_of_pass = false; // the end of the pass
};

// The closed loop's presses and "behind" come through the same observer.
class FormObserver : public LoopObserver {
public:
    virtual void control_changed(const Control& control, Change what) = 0;
    virtual void focus_moved(const std::string& control_name) = 0;
    virtual void train_progress(const TrainProgress&) {}
    // After the pass supervisor has acted on an update.
    virtual void pass_judged(const PassVerdict&) {}
};

} // namespace dopplex
