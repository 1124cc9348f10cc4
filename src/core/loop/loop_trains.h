// The closed loop's trains as the operator sees them: a side runs a train while it has more
// than the press in flight to go (a Reset, queued operator presses, the loop catching up), and
// the train's progress is told like a classic train's, so the window shows it and enables that
// side's Stop. Owned by the closed loop; engine thread only. Never changes what is pressed.
#pragma once

#include "keying/channel_latch.h"
#include "keying/dial_estimate.h"
#include "keying/train_progress.h"

#include <array>
#include <cstdint>

namespace dopplex {

// A side as it stands after the loop has served it.
struct SideMotion {
    int to_go = 0; // presses still to make after the one in flight
    bool pressing = false;
    int direction = 1; // of the press in flight or the last one
    std::int64_t left_ms = 0;
};

class LoopTrains {
public:
    void set_listener(const TrainProgressListener* listener) { listener_ = listener; }
    // Every press the side makes.
    void pressed(Side side);
    // After each service of the side: starts, advances or ends its train.
    void follow(Side side, const SideMotion& motion);
    // The side's train was ended; `cut` when a press in flight was cut short with it.
    void stopped(Side side, bool cut);
    bool running(Side side) const { return trains_[index(side)].running; }

private:
    struct Train {
        bool running = false;
        std::int32_t presses = 0; // since the train started, the one in flight included
        TrainProgress told{};
    };
    static int index(Side side) { return static_cast<int>(side); }
    void tell(Side side, const TrainProgress& progress);

    const TrainProgressListener* listener_ = nullptr;
    std::array<Train, 2> trains_{};
};

} // namespace dopplex
