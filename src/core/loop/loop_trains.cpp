#include "loop/loop_trains.h"

namespace dopplex {

namespace {
Channel line(Side side, int direction) {
    if (side == Side::Rx) {
        return direction > 0 ? Channel::RxUp : Channel::RxDown;
    }
    return direction > 0 ? Channel::TxUp : Channel::TxDown;
}
} // namespace

void LoopTrains::pressed(Side side) {
    Train& train = trains_[index(side)];
    if (train.running) {
        ++train.presses;
    }
}

void LoopTrains::follow(Side side, const SideMotion& motion) {
    Train& train = trains_[index(side)];
    if (!train.running) {
        // A single press is not a train, as in classic.
        if (motion.to_go == 0) {
            return;
        }
        train.running = true;
        train.presses = motion.pressing ? 1 : 0;
    }
    const std::int32_t in_flight = motion.pressing ? 1 : 0;
    TrainProgress progress{line(side, motion.direction), train.presses - in_flight,
                           train.presses + motion.to_go, motion.left_ms, true};
    if (motion.to_go == 0 && !motion.pressing) {
        progress.running = false;
        progress.left_ms = 0;
        train.running = false;
    }
    tell(side, progress);
}

void LoopTrains::stopped(Side side, bool cut) {
    Train& train = trains_[index(side)];
    if (!train.running) {
        return;
    }
    train.running = false;
    TrainProgress progress = train.told;
    progress.sent = train.presses - (cut ? 1 : 0);
    progress.left_ms = 0;
    progress.running = false;
    tell(side, progress);
}

// The time left changes at every look; only a change the operator reads as news is told.
void LoopTrains::tell(Side side, const TrainProgress& progress) {
    Train& train = trains_[index(side)];
    const TrainProgress& last = train.told;
    const bool news = progress.running != last.running || progress.sent != last.sent ||
                      progress.count != last.count || progress.channel != last.channel ||
                      progress.running == false;
    train.told = progress;
    if (news && listener_ && *listener_) {
        (*listener_)(progress);
    }
}

} // namespace dopplex
