#include "train_bar.h"

#include "readout_text.h"

namespace dopplex::app {

TrainBar::TrainBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 1);
    setValue(0);
    setTextVisible(true);
    setFormat(QString());
    setToolTip("Pulses sent of the train's count and the time it still takes; Stop (Esc) ends it");
}

void TrainBar::show_progress(const TrainProgress& progress) {
    running_ = progress.running;
    setRange(0, std::max(progress.count, 1));
    setValue(progress.sent);
    setFormat(QString::fromStdString(train_text(progress)));
}

} // namespace dopplex::app
