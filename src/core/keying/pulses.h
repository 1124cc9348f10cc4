// The two ways a radio button is pressed: one pulse, and a counted train read from fields.
// Called by the manual stepping handlers, the tracking ticks and the train stages, on the engine
// thread; both block for their half-periods. A train raises EConvertError for a start or count
// text that is not an integer, and refuses a count beyond kMaxTrainPulses, before any pulse.
// Only a train can be stopped: it lowers its line at the cut and returns how far it got.
#pragma once

#include "classic/controls/control.h"
#include "keying/channel_latch.h"
#include "keying/train_progress.h"
#include "runtime/host.h"

#include <cstdint>
#include <stdexcept>

namespace dopplex {

inline constexpr std::int64_t kHalfPeriodMs = 200;
// More than any pass needs: 10000 pulses take over an hour. A larger count comes from a
// reference typed with a wrong exponent and would block the program for days.
inline constexpr std::int64_t kMaxTrainPulses = 10000;

class ETrainRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void SinglePulse(ChannelLatch& latch, Host& host, Channel channel);

struct PulseTrainSpec {
    const Control& start; // first counter value
    const Control& count; // signed number of pulses
    Control* log;         // memo that gets the counter lines, or none
    Channel channel;
    const TrainProgressListener* progress = nullptr; // told at the start, every step and the end
};

struct TrainOutcome {
    std::int32_t sent = 0;  // pulses whose line stayed high for its whole half-period
    std::int32_t count = 0; // pulses of the whole train
    bool stopped = false;   // the operator's Stop ended the train
    bool cut_short = false; // Stop came while a pulse's line was high: it was lowered early
};

TrainOutcome PulseTrain(ChannelLatch& latch, Host& host, const PulseTrainSpec& train);

} // namespace dopplex
