#include "train_bar.h"

namespace dopplex::app {

bool is_tx_channel(Channel channel) {
    return channel == Channel::TxUp || channel == Channel::TxDown;
}

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
    const bool up = progress.channel == Channel::RxUp || progress.channel == Channel::TxUp;
    QString text =
        QString("%1 %2 / %3 pulses").arg(up ? "UP" : "DOWN").arg(progress.sent).arg(progress.count);
    if (progress.running)
        text += QString(", %1 s left").arg((progress.left_ms + 999) / 1000);
    else
        text += progress.sent < progress.count ? QString(", ended") : QString(", done");
    setFormat(text);
}

} // namespace dopplex::app
