// A side's train progress under its logs: pulses sent of the count and the time left while a
// train runs, the last result once it has ended. A readout only; it decides nothing.
// GUI thread only.
#pragma once

#include "keying/train_progress.h"

#include <QProgressBar>

namespace dopplex::app {

class TrainBar final : public QProgressBar {
public:
    explicit TrainBar(QWidget* parent = nullptr);
    void show_progress(const TrainProgress& progress);
    bool train_running() const { return running_; }

private:
    bool running_ = false;
};

} // namespace dopplex::app
