// What a view of the main window is told: every change of a control, every move of the
// keyboard focus and how far a running pulse train has got. Called on the engine thread; a view on
// another thread must copy what it needs and hand it to its own thread.
#pragma once

#include "console/controls/control.h"
#include "keying/train_progress.h"
#include "loop/loop_observer.h"

#include <string>

namespace dopplex {

// The closed loop's presses and "behind" come through the same observer.
class FormObserver : public LoopObserver {
public:
    virtual void control_changed(const Control& control, Change what) = 0;
    virtual void focus_moved(const std::string& control_name) = 0;
    virtual void train_progress(const TrainProgress&) {}
};

} // namespace dopplex
