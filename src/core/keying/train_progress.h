// How far a running pulse train has got, for the operator's progress readout. Told by the train
// on the engine thread; a view on another thread copies it. It never changes what the train does.
#pragma once

#include "keying/channel_latch.h"

#include <cstdint>
#include <functional>

namespace dopplex {

struct TrainProgress {
    Channel channel = Channel::RxUp;
    std::int32_t sent = 0;    // pulses whose line has gone high and low again
    std::int32_t count = 0;   // pulses of the whole train
    std::int64_t left_ms = 0; // until the train's last wait ends
    bool running = true;      // false once: the train has ended, done, stopped or failed
    bool operator==(const TrainProgress&) const = default;
};

using TrainProgressListener = std::function<void(const TrainProgress&)>;

} // namespace dopplex
